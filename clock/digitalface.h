#pragma once

#include "clock/cellglyphs.h"
#include "clock/tdatetime.h"

#include <QChar>
#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QLocale;
class QPainter;
class QRegion;

// The digital face of the clock: the time as cells of the width of "8"
// ("09:05:07"), in twelve-hour mode with the locale's AM or PM after them,
// centred in the clock's drawing area. Keeps its layout for the hour it was
// made for and the cells it has drawn, to copy them back on later ticks.
class DigitalFace
{
public:
    struct Format
    {
        bool showSeconds = true;
        bool twelveHour = false;
        bool leadingZero = true;
    };
    struct Look
    {
        QFont font;
        QColor pen;
        QColor background;
        int dpi = 0;
    };

    // The separator and the AM/PM texts of the locale; a change forgets the layout.
    void setLocale(const QLocale &locale);
    // The font, the format or the area changed: lay the cells out anew.
    void invalidate() { m_layout.valid = false; }
    // Lays the cells out for an hour of the day, whose digits and suffix they depend on.
    void layOut(int hourOfDay, const QFont &font, const QRect &area, const Format &format);

    int cellCount() const { return m_layout.cells; }
    QRect cellRect(int index) const; // index 1 .. cellCount()
    // Where the minute's and the second's digits lie: what a tick that changed them repaints.
    QRect minuteCells() const;
    QRect secondCells() const;
    // The cells and the suffix for a time, as a text.
    QString text(const DecodedTime &time, const Format &format) const;

    // Draws the time into the cells that meet `exposed`, or all cells and the
    // suffix for a full drawing. Lays out first if needed.
    void paint(QPainter &painter, const DecodedTime &time, const Format &format, const Look &look,
               const QRect &area, const QRegion &exposed, bool full);

    // The font that fits the widest time of the format into rect (with a
    // margin), its height capped at four fifths of the rect's.
    QFont fittedFont(const QFont &font, const QRect &rect, const Format &format) const;

    int keptCellGlyphs() const { return m_glyphs.keptCount(); }

private:
    struct Layout
    {
        bool valid = false;
        int hourOfDay = -1; // the hour the layout was made for (suffix, digits)
        int cells = 0;
        bool twoDigitHour = true;
        int left = 0;
        int top = 0;
        int cellWidth = 0;
        int cellHeight = 0;
        int suffixWidth = 0;
    };

    static int displayHour(int hourOfDay, const Format &format);
    const QString &suffix(int hourOfDay) const { return hourOfDay < 12 ? m_am : m_pm; }
    void fillCells(const DecodedTime &time, const Format &format, QChar *cells) const;

    Layout m_layout;
    CellGlyphs m_glyphs;
    QChar m_separator = u':';
    QString m_am;
    QString m_pm;
};
