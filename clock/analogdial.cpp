#include "analogdial.h"

#include "clock/bevelframe.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct DialData
{
    std::array<QPoint, 60> points;   // radius 8000, y scaled to the screen's aspect
    int horzRes = 1024;              // screen width in pixels
    int pixelsPer100mmH = 1;
    int pixelsPer100mmV = 1;
};

DialData makeDialData()
{
    DialData d;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize size = screen->geometry().size();
        const QSizeF mm = screen->physicalSize();
        if (size.width() > 0)
            d.horzRes = size.width();
        if (int(mm.width()) > 0 && int(mm.height()) > 0) {
            d.pixelsPer100mmH = std::max(1, size.width() * 100 / int(mm.width()));
            d.pixelsPer100mmV = std::max(1, size.height() * 100 / int(mm.height()));
        }
    }
    const double aspect = double(d.pixelsPer100mmV) / d.pixelsPer100mmH;
    for (int i = 0; i < 60; ++i) {
        const double angle = i * 6.0 * M_PI / 180.0;
        d.points[i] = QPoint(int(std::lround(8000 * std::sin(angle))),
                             int(std::lround(-8000 * std::cos(angle) * aspect)));
    }
    return d;
}

const DialData &dialData()
{
    static const DialData data = makeDialData();
    return data;
}

} // namespace

void AnalogDial::prepare()
{
    dialData();
}

QRect AnalogDial::face(const QRect &r)
{
    const DialData &dial = dialData();
    int w = r.width();
    int h = w * dial.pixelsPer100mmV / dial.pixelsPer100mmH;
    if (h > r.height()) {
        h = r.height();
        w = h * dial.pixelsPer100mmH / dial.pixelsPer100mmV;
    }
    return QRect(r.x() + (r.width() - w) / 2, r.y() + (r.height() - h) / 2, w, h);
}

void AnalogDial::paint(QPainter &painter, const QRect &face, const Hands &hands, const Look &look)
{
    const DialData &dial = dialData();
    painter.fillRect(face, look.background);
    if (face.width() < 4 || face.height() < 4)
        return;
    const QPoint centre = face.center();
    const int radius = face.width() / 2;
    auto at = [&](int pos, double fraction) {
        const QPoint &p = dial.points[((pos % 60) + 60) % 60];
        return QPoint(centre.x() + int(std::lround(p.x() * fraction * radius / 8000.0)),
                      centre.y() + int(std::lround(p.y() * fraction * radius / 8000.0)));
    };

    const int markW = std::max(2, face.width() * 25 / dial.horzRes);
    const int markH = std::max(1, markW * dial.pixelsPer100mmV / dial.pixelsPer100mmH);
    const bool bigMarks = markW >= 3 && markH >= 2;
    const double markRadius = double(radius - markW) / radius;
    for (int i = 0; i < 60; ++i) {
        const QPoint p = at(i, markRadius);
        if (i % 5 == 0) {
            QRect mark(p.x() - markW / 2, p.y() - markH / 2, markW, markH);
            if (bigMarks) {
                painter.fillRect(mark, look.dots);
                drawBevelFrame(painter, mark, look.dots.lighter(), look.palette.color(QPalette::Shadow), 1);
            } else {
                painter.fillRect(mark, look.font);
            }
        } else if (bigMarks) {
            painter.fillRect(QRect(p, QSize(1, 1)), look.palette.color(QPalette::Dark));
            painter.fillRect(QRect(p + QPoint(1, 1), QSize(1, 1)), look.palette.color(QPalette::Light));
        }
    }

    auto hand = [&](int pos, double tip, double tail, double halfWidth) {
        const QPolygon arrow({at(pos, tip), at(pos + 15, halfWidth), at(pos + 30, tail),
                              at(pos + 45, halfWidth)});
        painter.setPen(look.font);
        painter.setBrush(look.background);
        painter.drawPolygon(arrow);
    };
    hand(hands.hour * 5 + hands.minute / 12, 0.60, 0.15, 0.07);
    hand(hands.minute, 0.80, 0.20, 0.05);

    if (look.showSeconds) {
        // Inverted pixels: drawn twice, the line would vanish again.
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.setPen(QColor(Qt::white));
        painter.drawLine(centre, at(hands.second, 0.80));
        painter.restore();
    }
}
