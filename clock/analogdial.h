#pragma once

#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QRegion>

class QPainter;

// The analog face of the clock: sixty marks on a circle that stays round on
// screen, an hour and a minute hand, and an inverted second hand.
class AnalogDial
{
public:
    struct Hands
    {
        int hour = 0;   // hour of day modulo 12
        int minute = 0;
        int second = 0;
    };
    struct Look
    {
        QColor background;
        QColor dots;
        QColor font;
        QPalette palette;
        bool showSeconds = true;
    };

    // The screen's proportions, read once per process by the first clock.
    static void prepare();
    // The largest centred part of the clock's rectangle that is square in millimetres.
    static QRect face(const QRect &clockRect);
    // The face with its marks comes from a pixmap made once per size and look;
    // the hands are drawn on it.
    void paint(QPainter &painter, const QRect &face, const Hands &hands, const Look &look);
    // Where the hands that differ between two times lie: what a tick repaints.
    static QRegion changedRegion(const QRect &face, const Hands &from, const Hands &to,
                                 bool showSeconds);

private:
    struct FaceKey
    {
        QSize size;
        qreal ratio = 0;
        QColor background, dots, font, shadow, dark, light;
        bool operator==(const FaceKey &) const = default;
    };
    static void paintMarks(QPainter &painter, const QRect &face, const Look &look);
    static void paintHands(QPainter &painter, const QRect &face, const Hands &hands,
                           const Look &look);

    QPixmap m_face;
    FaceKey m_faceKey;
};
