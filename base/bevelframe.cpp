#include "base/bevelframe.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

void DrawBevelFrame(QPainter &painter, QRect rect, const QColor &first, const QColor &second,
                    int width)
{
    // At a scale such as 1.5 a one-pixel line would otherwise cover one device
    // pixel on one side and two on the other.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const auto device = [dpr](int logical) { return std::round(logical * dpr); };
    const auto fill = [&painter, dpr](qreal x0, qreal y0, qreal x1, qreal y1, const QColor &c) {
        if (x1 > x0 && y1 > y0)
            painter.fillRect(QRectF(QPointF(x0, y0) / dpr, QPointF(x1, y1) / dpr), c);
    };
    const qreal left = device(rect.left()), top = device(rect.top());
    const qreal right = device(rect.right() + 1), bottom = device(rect.bottom() + 1);
    for (int i = 0; i < width; ++i) {
        const qreal in = device(i), w = device(i + 1) - in;
        const qreal l = left + in, t = top + in, r = right - in, b = bottom - in;
        if (r <= l || b <= t)
            break;
        fill(l, t, r - w, t + w, first);  // top, without the top-right corner
        fill(l, t, l + w, b - w, first);  // left, without the bottom-left corner
        fill(r - w, t, r, b, second);     // right
        fill(l, b - w, r, b, second);     // bottom
    }
}
