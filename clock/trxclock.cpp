#include "trxclock.h"

#include "base/bevelframe.h"
#include "base/errors.h"
#include "clock/analogdial.h"
#include "platform/application.h"
#include "platform/timechangewatcher.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <chrono>
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

TRxClock::TRxClock(QWidget *parent, platform::SystemClock &clock)
    : QWidget(parent)
    , m_clock(clock)
    , m_alarm([this] { return readLocalMSecs(); })
{
    AnalogDial::prepare();
    setAttribute(Qt::WA_OpaquePaintEvent);
    refreshLocale();

    m_ticker = new TRxTimer(this);
    m_ticker->setInterval(450);
    m_ticker->setOnTimer([this](QObject *sender) { ClockTick(sender); });

    const DecodedTime now = DecodeTime(ReadClockTime());
    m_shownTime = now;
    m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};

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

qint64 TRxClock::readLocalMSecs()
{
    // The day comes from the system clock, the time of day from ReadClockTime,
    // so a time moved by OnGetTime keeps counting days with it.
    const qint64 wall = m_clock.localMSecs();
    const int wallOfDay = int(((wall % MSecsPerDay) + MSecsPerDay) % MSecsPerDay);
    int moved = TimeToMSecs(ReadClockTime()) - wallOfDay;
    if (moved > MSecsPerDay / 2)
        moved -= MSecsPerDay;
    else if (moved <= -MSecsPerDay / 2)
        moved += MSecsPerDay;
    return wall + moved;
}

void TRxClock::setAlarmHour(quint8 hour)
{
    m_alarm.setPart(1, hour);
}

void TRxClock::setAlarmMinute(quint8 minute)
{
    m_alarm.setPart(2, minute);
}

void TRxClock::setAlarmSecond(quint8 second)
{
    m_alarm.setPart(3, second);
}

void TRxClock::EvaluateAlarm()
{
    const AlarmRule::Outcome outcome = m_alarm.evaluate(m_alarmEnabled);
    if (outcome == AlarmRule::Outcome::None)
        return;
    m_alarmLate = outcome == AlarmRule::Outcome::Late;
    FireAlarm();
}

QString TRxClock::lateAlarmNote() const
{
    if (!m_alarmLate)
        return {};
    const QChar sep = timeSeparator(QLocale());
    auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    return u"\n(fällig um "_s + two(alarmHour()) + sep + two(alarmMinute()) + sep
           + two(alarmSecond()) + u')';
}

void TRxClock::FireAlarm()
{
    emit OnAlarm(this);
}

void TRxClock::Loaded()
{
    m_alarm.updateWait();
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
    m_analogTickRegion = QRegion();
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
        // Kept until a full drawing happens: a hidden or minimised clock gets
        // no paint now, and the first paint after restoring must not pass for
        // a tick's (it would keep the old hour's AM/PM).
        m_fullPaintPending = true;
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
    const AnalogDial::Hands before{m_shown.Hour, m_shown.Minute, m_shown.Second};
    m_shownTime = now;
    m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
    // Only the hands that moved, old and new place; the face stays.
    m_analogTickRegion = AnalogDial::changedRegion(
        analogFace(), before, {m_shown.Hour, m_shown.Minute, m_shown.Second}, m_showSeconds);
    if (!m_analogTickRegion.isEmpty()) {
        m_tickPaintPending = true;
        update(m_analogTickRegion);
    }
}

QRegion TRxClock::lastTickRegion() const
{
    if (m_showMode == scAnalog)
        return m_analogTickRegion;
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
        bool fromTick = m_tickPaintPending && !m_fullPaintPending;
        m_tickPaintPending = false;
        if (fromTick && m_showMode == scDigital) {
            for (const QRect &r : event->region()) {
                if (!m_tickRects[0].contains(r) && !m_tickRects[1].contains(r)) {
                    fromTick = false;
                    break;
                }
            }
        } else if (fromTick) {
            fromTick = (event->region() - m_analogTickRegion).isEmpty();
        }
        if (fromTick) {
            // Drawn from the time the tick stored: its region holds the hands of that time.
            if (m_showMode == scDigital)
                paintDigital(painter, event->region(), false);
            else
                paintAnalog(painter);
            return;
        }

        // A full drawing: the present time, the locale as it is now.
        m_fullPaintPending = false;
        QRect area = rect();
        painter.fillRect(area, color());
        const QColor shadow = palette().color(QPalette::Dark);
        const QColor highlight = palette().color(QPalette::Light);
        const auto bevel = [&](TBevelCut cut) {
            if (cut == bvNone)
                return;
            const bool lowered = cut == bvLowered;
            DrawBevelFrame(painter, area, lowered ? shadow : highlight, lowered ? highlight : shadow, m_bevelWidth);
            area.adjust(m_bevelWidth, m_bevelWidth, -m_bevelWidth, -m_bevelWidth);
        };
        bevel(m_bevelOuter);
        area.adjust(m_borderWidth, m_borderWidth, -m_borderWidth, -m_borderWidth);
        bevel(m_bevelInner);
        refreshLocale();
        if (m_showMode == scDigital) {
            const DecodedTime now = DecodeTime(ReadClockTime());
            m_shownTime = now;
            m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
            m_geom.valid = false;
            ensureGeometry(now.hour);
            paintDigital(painter, event->region(), true);
        } else {
            // Hands moved in part of the face only would leave the old ones
            // standing outside it, where the next tick would not look.
            if ((QRegion(analogFace()) - event->region()).isEmpty()) {
                const DecodedTime now = DecodeTime(ReadClockTime());
                m_shownTime = now;
                m_shown = {quint16(now.hour % 12), quint16(now.minute), quint16(now.second), now.hour};
            }
            paintAnalog(painter);
        }
    });
}

void TRxClock::paintDigital(QPainter &painter, const QRegion &exposed, bool full)
{
    ensureGeometry(m_shownTime.hour);
    QChar cells[8];
    fillCells(m_shownTime, cells);
    const QColor background = color();
    const QColor pen = palette().color(foregroundRole());
    painter.setPen(pen);
    painter.setFont(font());
    m_glyphs.setStyle({font(), pen.rgba(), background.rgba(),
                       QSize(m_geom.cellWidth, m_geom.cellHeight), logicalDpiY()});
    constexpr int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip;
    const QRect dirty = exposed.boundingRect();
    for (int i = 1; i <= m_geom.cells; ++i) {
        const QRect r = cellRect(i);
        if (!full && !r.intersects(dirty))
            continue;
        const QChar c = cells[i - 1];
        if (m_glyphs.copyTo(painter, r, c))
            continue;
        painter.fillRect(r, background);
        const QString &text = c.isDigit() ? digitText(c.digitValue()) : QString(c);
        painter.drawText(r, flags, text);
        if (QRegion(r).subtracted(exposed).isEmpty())
            m_glyphs.keep(painter, r, c, flags);
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
    return AnalogDial::face(m_clockRect.isValid() ? m_clockRect : rect());
}

void TRxClock::paintAnalog(QPainter &painter)
{
    m_dial.paint(painter, analogFace(), {m_shown.Hour, m_shown.Minute, m_shown.Second},
                      {color(), m_dotsColor, palette().color(foregroundRole()), palette(),
                       m_showSeconds});
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
    m_fullPaintPending = true;
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

bool TRxClock::event(QEvent *event)
{
    // Qt's moment after a window has set the stored layout: the first polish.
    // An alarm written before it has read the time then; a late polish must
    // not take back what that write decided.
    if (event->type() == QEvent::Polish && !m_alarm.written())
        platform::Application::guarded([this] { Loaded(); });
    return QWidget::event(event);
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
