#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QRect>

class QPainter;

// The digital clock's cells, kept as drawn and copied back on later paints.
// A tick redraws the same few characters every second, and shaping them each
// time was most of the clock's idle cost. A kept cell is the painter's own
// output, so a copy is pixel for pixel what drawing again would give.
class CellGlyphs
{
public:
    // Everything a cell's pixels depend on besides its character; a change
    // forgets every kept cell.
    struct Style
    {
        QFont font;
        QRgb pen = 0;
        QRgb background = 0;
        QSize cell;
        int dpi = 0;
        bool operator==(const Style &) const = default;
    };

    void setStyle(const Style &style);

    // Copies c's kept cell into `cell`; false when nothing is kept for c or the
    // painter does not map the cell onto whole device pixels one to one.
    bool copyTo(QPainter &painter, const QRect &cell, QChar c) const;

    // The caller has just filled `cell` and drawn c into it, and the paint
    // covered the whole cell: keep it, unless c's ink reaches beyond the cell
    // (a copy would lose what it drew outside).
    void keep(QPainter &painter, const QRect &cell, QChar c, int textFlags);

    int keptCount() const;
    void clear() { m_kept.clear(); }

private:
    static const QImage *target(QPainter &painter, const QRect &cell, QPoint *deviceTopLeft);
    bool staysInside(const QImage &format, QChar c, int textFlags) const;

    Style m_style;
    QHash<char16_t, QImage> m_kept;   // a null image: c overhangs, always drawn
};
