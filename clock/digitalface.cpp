#include "clock/digitalface.h"

#include "clock/alarmrule.h"

#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <array>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// One string per character a cell can show, so a tick draws without allocating.
const QString &digitText(int digit)
{
    static const std::array<QString, 10> digits = [] {
        std::array<QString, 10> d;
        for (int i = 0; i < 10; ++i)
            d[i] = QString(QChar(u'0' + i));
        return d;
    }();
    return digits[digit];
}

} // namespace

void DigitalFace::setLocale(const QLocale &locale)
{
    m_separator = timeSeparator(locale);
    const QString am = locale.amText();
    const QString pm = locale.pmText();
    if (am != m_am || pm != m_pm) {
        m_am = am;
        m_pm = pm;
        m_layout.valid = false;
    }
}

int DigitalFace::displayHour(int hourOfDay, const Format &format)
{
    if (!format.twelveHour)
        return hourOfDay;
    if (hourOfDay > 12)
        return hourOfDay - 12;
    if (hourOfDay == 0)
        return 12;
    return hourOfDay;
}

void DigitalFace::layOut(int hourOfDay, const QFont &font, const QRect &area, const Format &format)
{
    if (m_layout.valid && m_layout.hourOfDay == hourOfDay)
        return;
    const int h = displayHour(hourOfDay, format);
    m_layout.hourOfDay = hourOfDay;
    m_layout.twoDigitHour = h >= 10 || format.leadingZero;
    m_layout.cells = (m_layout.twoDigitHour ? 5 : 4) + (format.showSeconds ? 3 : 0);
    const QFontMetrics metrics(font);
    m_layout.cellWidth = metrics.horizontalAdvance(u'8');
    m_layout.cellHeight = metrics.height();
    m_layout.suffixWidth = 0;
    if (format.twelveHour)
        m_layout.suffixWidth = metrics.horizontalAdvance(u' ' + suffix(hourOfDay));
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    const int total = m_layout.suffixWidth + m_layout.cells * m_layout.cellWidth;
    m_layout.left = (area.x() + areaRight - total) / 2;
    m_layout.top = (area.y() + areaBottom - m_layout.cellHeight) / 2;
    m_layout.valid = true;
}

QRect DigitalFace::cellRect(int index) const
{
    return QRect(m_layout.left + (index - 1) * m_layout.cellWidth, m_layout.top, m_layout.cellWidth,
                 m_layout.cellHeight);
}

QRect DigitalFace::minuteCells() const
{
    const int minute = m_layout.twoDigitHour ? 4 : 3;
    return cellRect(minute) | cellRect(minute + 1);
}

QRect DigitalFace::secondCells() const
{
    const int second = m_layout.twoDigitHour ? 7 : 6;
    return cellRect(second) | cellRect(second + 1);
}

void DigitalFace::fillCells(const DecodedTime &time, const Format &format, QChar *cells) const
{
    const int h = displayHour(time.hour, format);
    int i = 0;
    if (m_layout.twoDigitHour)
        cells[i++] = QChar(u'0' + h / 10);
    cells[i++] = QChar(u'0' + h % 10);
    cells[i++] = m_separator;
    cells[i++] = QChar(u'0' + time.minute / 10);
    cells[i++] = QChar(u'0' + time.minute % 10);
    if (format.showSeconds) {
        cells[i++] = m_separator;
        cells[i++] = QChar(u'0' + time.second / 10);
        cells[i++] = QChar(u'0' + time.second % 10);
    }
}

QString DigitalFace::text(const DecodedTime &time, const Format &format) const
{
    QChar cells[8];
    fillCells(time, format, cells);
    QString text(cells, m_layout.cells);
    if (format.twelveHour)
        text += u' ' + suffix(time.hour);
    return text;
}

void DigitalFace::paint(QPainter &painter, const DecodedTime &time, const Format &format,
                        const Look &look, const QRect &area, const QRegion &exposed, bool full)
{
    layOut(time.hour, look.font, area, format);
    QChar cells[8];
    fillCells(time, format, cells);
    painter.setPen(look.pen);
    painter.setFont(look.font);
    m_glyphs.setStyle({look.font, look.pen.rgba(), look.background.rgba(),
                       QSize(m_layout.cellWidth, m_layout.cellHeight), look.dpi});
    constexpr int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip;
    const QRect dirty = exposed.boundingRect();
    for (int i = 1; i <= m_layout.cells; ++i) {
        const QRect r = cellRect(i);
        if (!full && !r.intersects(dirty))
            continue;
        const QChar c = cells[i - 1];
        if (m_glyphs.copyTo(painter, r, c))
            continue;
        painter.fillRect(r, look.background);
        const QString &text = c.isDigit() ? digitText(c.digitValue()) : QString(c);
        painter.drawText(r, flags, text);
        if (QRegion(r).subtracted(exposed).isEmpty())
            m_glyphs.keep(painter, r, c, flags);
    }
    if (full && format.twelveHour) {
        const QRect suffixRect(m_layout.left + m_layout.cells * m_layout.cellWidth, m_layout.top,
                               m_layout.suffixWidth, m_layout.cellHeight);
        painter.drawText(suffixRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         u' ' + suffix(time.hour));
    }
}

QFont DigitalFace::fittedFont(const QFont &font, const QRect &rect, const Format &format) const
{
    const int availableHeight = rect.height() - 4;
    const int availableWidth = rect.width() - 30;
    if (availableHeight <= 0 || availableWidth <= 0)
        return font;
    QString sample = u"88888"_s;
    if (format.showSeconds)
        sample += u"888"_s;
    if (format.twelveHour) {
        const QFontMetrics metrics(font);
        const QString &wider = metrics.horizontalAdvance(m_am) > metrics.horizontalAdvance(m_pm) ? m_am : m_pm;
        sample += u' ' + wider;
    }
    QFont scaled = font;
    scaled.setPixelSize(1000);
    const int sampleWidth = QFontMetrics(scaled).horizontalAdvance(sample);
    if (sampleWidth <= 0)
        return font;
    const int cap = int(std::lround(availableHeight * 4 / 5.0));
    const int fit = int(std::lround(1000.0 * availableWidth / sampleWidth));
    scaled.setPixelSize(std::max(1, std::min(cap, fit)));
    return scaled;
}
