#include "trxclock.h"

#include "platform/application.h"
#include "platform/errors.h"
#include "platform/timechangewatcher.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <QScreen>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Directions and screen proportions of the analog dial, made once per process
// by the first clock.
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

QChar timeSeparator(const QLocale &locale)
{
    // Qt has no separator of its own: take the first non-letter that follows
    // the hour in the locale's time format.
    const QString format = locale.timeFormat(QLocale::ShortFormat);
    bool afterHour = false;
    for (const QChar c : format) {
        if (c == u'h' || c == u'H') {
            afterHour = true;
            continue;
        }
        if (afterHour && !c.isLetter() && c != u'\'' && !c.isSpace())
            return c;
    }
    return u':';
}

void drawFrame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight,
                 int width)
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

} // namespace

TRxClock::TRxClock(QWidget *parent, platform::SystemClock &clock)
    : QWidget(parent)
    , m_clock(clock)
{
    dialData();
    setAttribute(Qt::WA_OpaquePaintEvent);
    refreshLocale();

    m_ticker = new TRxTimer(this);
    m_ticker->setInterval(450);
    m_ticker->setOnTimer([this](QObject *sender) { ClockTick(sender); });

    const DecodedTime now = DecodeTime(ReadClockTime());
    m_shownTime = now;
    m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
    m_alarmPending = true;
    m_alarmTime = 0;

    m_timeWatcher = new platform::TimeChangeWatcher(this);
    connect(m_timeWatcher, &platform::TimeChangeWatcher::timeChanged, this,
            [this] { platform::Application::guarded([this] { systemTimeChanged(); }); });
}

TRxClock::~TRxClock()
{
    // From here on the timer counts as destroyed: no tick reaches a half-gone clock.
    m_destroying = true;
    delete m_ticker;
    m_ticker = nullptr;
}

// ---- time and alarm ----

TDateTime TRxClock::ReadClockTime()
{
    TDateTime time = MSecsToTime(m_clock.msecsSinceMidnight());
    if (OnGetTime)
        OnGetTime(this, time);
    return time;
}

quint8 TRxClock::alarmHour() const
{
    return quint8(DecodeTime(m_alarmTime).hour);
}

quint8 TRxClock::alarmMinute() const
{
    return quint8(DecodeTime(m_alarmTime).minute);
}

quint8 TRxClock::alarmSecond() const
{
    return quint8(DecodeTime(m_alarmTime).second);
}

void TRxClock::setAlarmHour(quint8 hour)
{
    setAlarmPart(1, hour);
}

void TRxClock::setAlarmMinute(quint8 minute)
{
    setAlarmPart(2, minute);
}

void TRxClock::setAlarmSecond(quint8 second)
{
    setAlarmPart(3, second);
}

void TRxClock::setAlarmPart(int index, int value)
{
    const DecodedTime alarm = DecodeTime(m_alarmTime);
    int hour = alarm.hour, minute = alarm.minute, second = alarm.second;
    switch (index) {
    case 1: hour = value; break;
    case 2: minute = value; break;
    case 3: second = value; break;
    default: return;
    }
    if (hour < 24 && minute < 60 && second < 60) {
        m_alarmTime = EncodeTime(hour, minute, second, 0);
        UpdateAlarmWait();
    } else {
        RaiseInvalidTime(hour, minute, second);
    }
}

void TRxClock::RaiseInvalidTime(int hour, int minute, int second) const
{
    const QChar sep = timeSeparator(QLocale());
    const QString time = QString::number(hour) + sep + QString::number(minute) + sep
                         + QString::number(second);
    throw EConvertError(u"''%1'' ist keine gültige Zeit"_s.arg(time));
}

void TRxClock::UpdateAlarmWait()
{
    m_alarmPending = ReadClockTime() < m_alarmTime || m_alarmTime == 0;
}

bool TRxClock::InAlarmWindow(TDateTime time) const
{
    const DecodedTime alarm = DecodeTime(m_alarmTime);
    const DecodedTime t = DecodeTime(time);
    return t.hour == alarm.hour && t.minute == alarm.minute && t.second >= alarm.second;
}

void TRxClock::EvaluateAlarm()
{
    if (m_alarmEnabled && InAlarmWindow(ReadClockTime())) {
        if (m_alarmPending) {
            // Cleared first, so the same window can never fire twice.
            m_alarmPending = false;
            FireAlarm();
        }
    } else {
        UpdateAlarmWait();
    }
}

void TRxClock::FireAlarm()
{
    emit OnAlarm(this);
}

void TRxClock::Loaded()
{
    UpdateAlarmWait();
}

void TRxClock::systemTimeChanged()
{
    m_ticker->setQuietUntil({});   // the seconds now start elsewhere
    update();
    EvaluateAlarm();
}

// ---- ticks ----

void TRxClock::ClockTick(QObject *)
{
    if (m_destroying)
        return;
    const auto steadyNow = std::chrono::steady_clock::now();
    const int msecs = m_clock.msecsSinceMidnight();
    m_tickRects[0] = m_tickRects[1] = QRect();
    if (m_showMode == scDigital)
        digitalTick();
    else
        analogTick();
    EvaluateAlarm();
    // Within a second of the system clock, further ticks change neither the
    // display nor the alarm, except in the minute after midnight, where an
    // alarm at 00:00:00 stays pending while disarmed: skip them.
    if (&m_clock == &platform::SystemClock::local() && !OnGetTime && msecs >= 60'000)
        m_ticker->setQuietUntil(steadyNow + std::chrono::milliseconds(998 - msecs % 1000));
}

void TRxClock::digitalTick()
{
    const DecodedTime now = DecodeTime(ReadClockTime());
    if (now.hour != m_shown.hourOfDay) {
        m_shownTime = now;
        m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
        m_tickRects[0] = rect();
        repaint();
        return;
    }
    const bool minuteChanged = now.minute != m_shown.Minute;
    const bool secondChanged = now.second != m_shown.Second;
    if (!minuteChanged && !secondChanged)
        return;
    ensureGeometry(now.hour);
    const int minutePos = m_geom.twoDigitHour ? 4 : 3;
    if (minuteChanged)
        m_tickRects[0] = cellRect(minutePos) | cellRect(minutePos + 1);
    if (secondChanged && m_showSeconds)
        m_tickRects[1] = cellRect(minutePos + 3) | cellRect(minutePos + 4);
    m_shownTime = now;
    m_shown.Hour = quint16(now.hour % 12);
    m_shown.Minute = quint16(now.minute);
    m_shown.Second = quint16(now.second);
    for (const QRect &r : m_tickRects) {
        if (!r.isEmpty()) {
            m_tickPaintPending = true;
            update(r);
        }
    }
}

void TRxClock::analogTick()
{
    const DecodedTime now = DecodeTime(ReadClockTime());
    if (now.second == m_shown.Second && now.minute == m_shown.Minute
        && now.hour % 12 == m_shown.Hour)
        return;
    m_shownTime = now;
    m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
    m_tickRects[0] = analogFace();
    update(m_tickRects[0]);
}

QRegion TRxClock::lastTickRegion() const
{
    QRegion region;
    for (const QRect &r : m_tickRects)
        if (!r.isEmpty())
            region += r;
    return region;
}

// ---- digital geometry ----

int TRxClock::displayHour(int hourOfDay) const
{
    if (!m_twelveHour)
        return hourOfDay;
    if (hourOfDay > 12)
        return hourOfDay - 12;
    if (hourOfDay == 0)
        return 12;
    return hourOfDay;
}

QRect TRxClock::drawingArea() const
{
    const int inset = m_borderWidth + (m_bevelOuter != bvNone ? m_bevelWidth : 0)
                      + (m_bevelInner != bvNone ? m_bevelWidth : 0);
    return rect().adjusted(inset, inset, -inset, -inset);
}

void TRxClock::ensureGeometry(int hourOfDay)
{
    if (m_geom.valid && m_geom.hourOfDay == hourOfDay)
        return;
    const int h = displayHour(hourOfDay);
    m_geom.hourOfDay = hourOfDay;
    m_geom.twoDigitHour = h >= 10 || m_leadingZero;
    m_geom.cells = (m_geom.twoDigitHour ? 5 : 4) + (m_showSeconds ? 3 : 0);
    const QFontMetrics metrics(font());
    m_geom.cellWidth = metrics.horizontalAdvance(u'8');
    m_geom.cellHeight = metrics.height();
    m_geom.suffixWidth = 0;
    if (m_twelveHour)
        m_geom.suffixWidth = metrics.horizontalAdvance(u' ' + (hourOfDay < 12 ? m_am : m_pm));
    const QRect area = drawingArea();
    const int areaRight = area.x() + area.width();
    const int areaBottom = area.y() + area.height();
    const int total = m_geom.suffixWidth + m_geom.cells * m_geom.cellWidth;
    m_geom.left = (area.x() + areaRight - total) / 2;
    m_geom.top = (area.y() + areaBottom - m_geom.cellHeight) / 2;
    m_geom.valid = true;
}

QRect TRxClock::cellRect(int index) const
{
    return QRect(m_geom.left + (index - 1) * m_geom.cellWidth, m_geom.top, m_geom.cellWidth,
                 m_geom.cellHeight);
}

void TRxClock::fillCells(const DecodedTime &time, QChar *cells) const
{
    const int h = displayHour(time.hour);
    int i = 0;
    if (m_geom.twoDigitHour)
        cells[i++] = QChar(u'0' + h / 10);
    cells[i++] = QChar(u'0' + h % 10);
    cells[i++] = m_separator;
    cells[i++] = QChar(u'0' + time.minute / 10);
    cells[i++] = QChar(u'0' + time.minute % 10);
    if (m_showSeconds) {
        cells[i++] = m_separator;
        cells[i++] = QChar(u'0' + time.second / 10);
        cells[i++] = QChar(u'0' + time.second % 10);
    }
}

QString TRxClock::shownText() const
{
    QChar cells[8];
    fillCells(m_shownTime, cells);
    QString text(cells, m_geom.cells);
    if (m_twelveHour)
        text += u' ' + (m_shownTime.hour < 12 ? m_am : m_pm);
    return text;
}

// ---- painting ----

void TRxClock::paintEvent(QPaintEvent *event)
{
    platform::Application::guarded([this, event] {
        QPainter painter(this);
        bool fromTick = m_tickPaintPending && m_showMode == scDigital;
        m_tickPaintPending = false;
        if (fromTick) {
            for (const QRect &r : event->region()) {
                if (!m_tickRects[0].contains(r) && !m_tickRects[1].contains(r)) {
                    fromTick = false;
                    break;
                }
            }
        }
        if (fromTick) {
            paintDigital(painter, event->rect(), false);
            return;
        }

        // A full drawing: the present time, the locale as it is now.
        QRect area = rect();
        painter.fillRect(area, color());
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        if (m_bevelOuter != bvNone) {
            if (m_bevelOuter == bvLowered)
                drawFrame3D(painter, area, shadow, highlight, m_bevelWidth);
            else
                drawFrame3D(painter, area, highlight, shadow, m_bevelWidth);
        }
        area.adjust(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth);
        if (m_bevelInner != bvNone) {
            if (m_bevelInner == bvLowered)
                drawFrame3D(painter, area, shadow, highlight, m_bevelWidth);
            else
                drawFrame3D(painter, area, highlight, shadow, m_bevelWidth);
        }
        refreshLocale();
        const DecodedTime now = DecodeTime(ReadClockTime());
        m_shownTime = now;
        m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
        if (m_showMode == scDigital) {
            m_geom.valid = false;
            ensureGeometry(now.hour);
            paintDigital(painter, event->rect(), true);
        } else {
            paintAnalog(painter);
        }
    });
}

void TRxClock::paintDigital(QPainter &painter, const QRect &dirty, bool full)
{
    ensureGeometry(m_shownTime.hour);
    QChar cells[8];
    fillCells(m_shownTime, cells);
    const QColor background = color();
    painter.setPen(palette().color(foregroundRole()));
    painter.setFont(font());
    for (int i = 1; i <= m_geom.cells; ++i) {
        const QRect r = cellRect(i);
        if (!full && !r.intersects(dirty))
            continue;
        painter.fillRect(r, background);
        const QChar c = cells[i - 1];
        const QString &text = c.isDigit() ? digitText(c.digitValue()) : QString(c);
        painter.drawText(r, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
    }
    if (full && m_twelveHour) {
        const QRect suffix(m_geom.left + m_geom.cells * m_geom.cellWidth, m_geom.top,
                           m_geom.suffixWidth, m_geom.cellHeight);
        painter.drawText(suffix, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
                         u' ' + (m_shownTime.hour < 12 ? m_am : m_pm));
    }
}

QRect TRxClock::analogFace() const
{
    // The largest centred part of ClockRect that is square in millimetres.
    const DialData &dial = dialData();
    const QRect r = m_clockRect.isValid() ? m_clockRect : rect();
    int w = r.width();
    int h = w * dial.pixelsPer100mmV / dial.pixelsPer100mmH;
    if (h > r.height()) {
        h = r.height();
        w = h * dial.pixelsPer100mmH / dial.pixelsPer100mmV;
    }
    return QRect(r.x() + (r.width() - w) / 2, r.y() + (r.height() - h) / 2, w, h);
}

void TRxClock::paintAnalog(QPainter &painter)
{
    const DialData &dial = dialData();
    const QRect face = analogFace();
    painter.fillRect(face, color());
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
    const QColor fontColor = palette().color(foregroundRole());
    const double markRadius = double(radius - markW) / radius;
    for (int i = 0; i < 60; ++i) {
        const QPoint p = at(i, markRadius);
        if (i % 5 == 0) {
            QRect mark(p.x() - markW / 2, p.y() - markH / 2, markW, markH);
            if (bigMarks) {
                painter.fillRect(mark, m_dotsColor);
                drawFrame3D(painter, mark, m_dotsColor.lighter(), palette().color(QPalette::Shadow), 1);
            } else {
                painter.fillRect(mark, fontColor);
            }
        } else if (bigMarks) {
            painter.fillRect(QRect(p, QSize(1, 1)), palette().color(QPalette::Dark));
            painter.fillRect(QRect(p + QPoint(1, 1), QSize(1, 1)), palette().color(QPalette::Light));
        }
    }

    auto hand = [&](int pos, double tip, double tail, double halfWidth) {
        const QPolygon arrow({at(pos, tip), at(pos + 15, halfWidth), at(pos + 30, tail),
                              at(pos + 45, halfWidth)});
        painter.setPen(fontColor);
        painter.setBrush(color());
        painter.drawPolygon(arrow);
    };
    hand(m_shown.Hour * 5 + m_shown.Minute / 12, 0.60, 0.15, 0.07);
    hand(m_shown.Minute, 0.80, 0.20, 0.05);

    if (m_showSeconds) {
        // Inverted pixels: drawn twice, the line would vanish again.
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.setPen(QColor(Qt::white));
        painter.drawLine(centre, at(m_shown.Second, 0.80));
        painter.restore();
    }
}

// ---- layout and notifications ----

void TRxClock::doLayout()
{
    if (m_destroying)
        return;
    const int inset = m_borderWidth + 1 + (m_bevelOuter != bvNone ? m_bevelWidth : 0)
                      + (m_bevelInner != bvNone ? m_bevelWidth : 0);
    m_clockRect = rect().adjusted(inset, inset, -inset, -inset);
    m_geom.valid = false;
    if (m_autoSize)
        FitFontToRect(rect());
}

void TRxClock::FitFontToRect(const QRect &r)
{
    const int availableHeight = r.height() - 4;
    const int availableWidth = r.width() - 30;
    if (availableHeight <= 0 || availableWidth <= 0)
        return;
    QString sample = u"88888"_s;
    if (m_showSeconds)
        sample += u"888"_s;
    if (m_twelveHour) {
        const QFontMetrics metrics(font());
        const QString &wider =
            metrics.horizontalAdvance(m_am) > metrics.horizontalAdvance(m_pm) ? m_am : m_pm;
        sample += u' ' + wider;
    }
    QFont scaled = font();
    scaled.setPixelSize(1000);
    const int sampleWidth = QFontMetrics(scaled).horizontalAdvance(sample);
    if (sampleWidth <= 0)
        return;
    const int cap = int(std::lround(availableHeight * 4 / 5.0));
    const int fit = int(std::lround(1000.0 * availableWidth / sampleWidth));
    scaled.setPixelSize(std::max(1, std::min(cap, fit)));
    if (scaled != font())
        setFont(scaled);
}

void TRxClock::invalidateLook()
{
    m_geom.valid = false;
    update();
}

void TRxClock::refreshLocale()
{
    const QLocale locale;
    m_separator = timeSeparator(locale);
    const QString am = locale.amText();
    const QString pm = locale.pmText();
    if (am != m_am || pm != m_pm) {
        m_am = am;
        m_pm = pm;
        m_geom.valid = false;
    }
}

void TRxClock::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    doLayout();
}

void TRxClock::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        invalidateLook();
        if (m_autoSize)
            doLayout();
        break;
    case QEvent::LocaleChange:
        // The settings notification: the next full drawing shows the new separator.
        refreshLocale();
        invalidateLook();
        if (m_autoSize)
            doLayout();
        break;
    case QEvent::PaletteChange:
        update();
        break;
    default:
        break;
    }
}

// ---- properties ----

void TRxClock::setAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    if (m_autoSize) {
        invalidateLook();
        doLayout();
    }
}

void TRxClock::setBevelInner(TBevelCut bevel)
{
    if (m_bevelInner == bevel)
        return;
    m_bevelInner = bevel;
    doLayout();
    invalidateLook();
}

void TRxClock::setBevelOuter(TBevelCut bevel)
{
    if (m_bevelOuter == bevel)
        return;
    m_bevelOuter = bevel;
    doLayout();
    invalidateLook();
}

void TRxClock::setBevelWidth(int width)
{
    if (m_bevelWidth == width || width < 1)
        return;
    m_bevelWidth = width;
    doLayout();
    invalidateLook();
}

void TRxClock::setBorderWidth(int width)
{
    if (m_borderWidth == width || width < 0)
        return;
    m_borderWidth = width;
    doLayout();
    invalidateLook();
}

void TRxClock::setDotsColor(const QColor &color)
{
    if (m_dotsColor == color)
        return;
    m_dotsColor = color;
    update();
}

void TRxClock::setShowMode(TShowClock mode)
{
    if (m_showMode == mode)
        return;
    m_showMode = mode;
    invalidateLook();
}

void TRxClock::setShowSeconds(bool show)
{
    if (m_showSeconds == show)
        return;
    m_showSeconds = show;
    invalidateLook();
    if (m_autoSize)
        doLayout();
}

void TRxClock::setTwelveHour(bool twelveHour)
{
    if (m_twelveHour == twelveHour)
        return;
    m_twelveHour = twelveHour;
    invalidateLook();
    if (m_autoSize)
        doLayout();
}

void TRxClock::setLeadingZero(bool leadingZero)
{
    if (m_leadingZero == leadingZero)
        return;
    m_leadingZero = leadingZero;
    invalidateLook();
}

QColor TRxClock::color() const
{
    return m_color.isValid() ? m_color : palette().color(QPalette::Button);
}

void TRxClock::setColor(const QColor &color)
{
    if (m_color == color)
        return;
    m_color = color;
    update();
}
