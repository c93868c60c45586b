#include "clock/analogdial.h"

#include "base/bevelframe.h"

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

namespace {

QPoint handPoint(const QRect &face, int pos, double fraction)
{
    const DialData &dial = dialData();
    const QPoint centre = face.center();
    const int radius = face.width() / 2;
    const QPoint &p = dial.points[((pos % 60) + 60) % 60];
    return QPoint(centre.x() + int(std::lround(p.x() * fraction * radius / 8000.0)),
                  centre.y() + int(std::lround(p.y() * fraction * radius / 8000.0)));
}

QPolygon handShape(const QRect &face, int pos, double tip, double tail, double halfWidth)
{
    return QPolygon({handPoint(face, pos, tip), handPoint(face, pos + 15, halfWidth),
                     handPoint(face, pos + 30, tail), handPoint(face, pos + 45, halfWidth)});
}

QPolygon hourHand(const QRect &face, const AnalogDial::Hands &hands)
{
    return handShape(face, hands.hour * 5 + hands.minute / 12, 0.60, 0.15, 0.07);
}

QPolygon minuteHand(const QRect &face, const AnalogDial::Hands &hands)
{
    return handShape(face, hands.minute, 0.80, 0.20, 0.05);
}

QLine secondHand(const QRect &face, const AnalogDial::Hands &hands)
{
    return QLine(face.center(), handPoint(face, hands.second, 0.80));
}

// One pixel around for the pen.
QRect covering(const QRect &r)
{
    return r.normalized().adjusted(-1, -1, 2, 2);
}

} // namespace

void AnalogDial::paint(QPainter &painter, const QRect &face, const Hands &hands, const Look &look)
{
    if (face.width() < 4 || face.height() < 4) {
        painter.fillRect(face, look.background);
        return;
    }
    const qreal ratio = painter.device()->devicePixelRatioF();
    const FaceKey key{face.size(), ratio, look.background, look.dots, look.font,
                      look.palette.color(QPalette::Shadow), look.palette.color(QPalette::Dark),
                      look.palette.color(QPalette::Light)};
    if (m_face.isNull() || !(key == m_faceKey)) {
        m_face = QPixmap(face.size() * ratio);
        m_face.setDevicePixelRatio(ratio);
        QPainter facePainter(&m_face);
        const QRect local(QPoint(0, 0), face.size());
        facePainter.fillRect(local, look.background);
        paintMarks(facePainter, local, look);
        m_faceKey = key;
    }
    painter.drawPixmap(face.topLeft(), m_face);
    paintHands(painter, face, hands, look);
}

void AnalogDial::paintMarks(QPainter &painter, const QRect &face, const Look &look)
{
    const DialData &dial = dialData();
    const int radius = face.width() / 2;
    const int markW = std::max(2, face.width() * 25 / dial.horzRes);
    const int markH = std::max(1, markW * dial.pixelsPer100mmV / dial.pixelsPer100mmH);
    const bool bigMarks = markW >= 3 && markH >= 2;
    const double markRadius = double(radius - markW) / radius;
    for (int i = 0; i < 60; ++i) {
        const QPoint p = handPoint(face, i, markRadius);
        if (i % 5 == 0) {
            QRect mark(p.x() - markW / 2, p.y() - markH / 2, markW, markH);
            if (bigMarks) {
                painter.fillRect(mark, look.dots);
                DrawBevelFrame(painter, mark, look.dots.lighter(), look.palette.color(QPalette::Shadow), 1);
            } else {
                painter.fillRect(mark, look.font);
            }
        } else if (bigMarks) {
            painter.fillRect(QRect(p, QSize(1, 1)), look.palette.color(QPalette::Dark));
            painter.fillRect(QRect(p + QPoint(1, 1), QSize(1, 1)), look.palette.color(QPalette::Light));
        }
    }
}

void AnalogDial::paintHands(QPainter &painter, const QRect &face, const Hands &hands, const Look &look)
{
    painter.setPen(look.font);
    painter.setBrush(look.background);
    painter.drawPolygon(hourHand(face, hands));
    painter.drawPolygon(minuteHand(face, hands));

    if (look.showSeconds) {
        // Inverted pixels: drawn twice, the line would vanish again.
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.setPen(QColor(Qt::white));
        painter.drawLine(secondHand(face, hands));
        painter.restore();
    }
}

QRegion AnalogDial::changedRegion(const QRect &face, const Hands &from, const Hands &to,
                                  bool showSeconds)
{
    QRegion region;
    if (face.width() < 4 || face.height() < 4)
        return region;
    if (from.hour != to.hour || from.minute != to.minute) {
        for (const Hands &h : {from, to}) {
            region += covering(hourHand(face, h).boundingRect());
            region += covering(minuteHand(face, h).boundingRect());
        }
    }
    if (showSeconds && from.second != to.second) {
        for (const Hands &h : {from, to}) {
            const QLine line = secondHand(face, h);
            region += covering(QRect(line.p1(), line.p2()));
        }
    }
    return region & face;
}
