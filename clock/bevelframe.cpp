#include "bevelframe.h"

#include <QPainter>

void drawBevelFrame(QPainter &painter, QRect &rect, const QColor &topLeft,
                    const QColor &bottomRight, int width)
{
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        const int l = rect.left(), t = rect.top(), r = rect.right(), b = rect.bottom();
        painter.fillRect(QRect(l, t, r - l, 1), topLeft);          // top
        painter.fillRect(QRect(l, t, 1, b - t), topLeft);          // left
        painter.fillRect(QRect(l, b, r - l + 1, 1), bottomRight);  // bottom
        painter.fillRect(QRect(r, t, 1, b - t + 1), bottomRight);  // right
        rect.adjust(1, 1, -1, -1);
    }
}
