#pragma once

#include <QColor>
#include <QPalette>
#include <QRect>

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
    // Fills the face, then draws marks and hands.
    static void paint(QPainter &painter, const QRect &face, const Hands &hands, const Look &look);
};
