#include "clock/trxclock.h"

#include "base/bevelframe.h"
#include "base/errors.h"
#include "clock/analogdial.h"
#include "platform/application.h"
#include "platform/timechangewatcher.h"

#include <QGuiApplication>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>

#include <chrono>

TRxClock::TRxClock(QWidget *parent, platform::SystemClock &clock, platform::TimeChangeWatcher &timeChanges)
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

    m_shownTime = DecodeTime(ReadClockTime());

    connect(&timeChanges, &platform::TimeChangeWatcher::timeChanged, this,
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
    // Within a second of a clock that runs in real time, further ticks change
    // neither the display nor the alarm, except in the minute after midnight,
    // where an alarm at 00:00:00 stays pending while disarmed: skip them.
    if (m_clock.runsInRealTime() && !OnGetTime && msecs >= 60'000)
        m_ticker->setQuietUntil(steadyNow + std::chrono::milliseconds(998 - msecs % 1000));
}

void TRxClock::digitalTick()
{
    const DecodedTime now = DecodeTime(ReadClockTime());
    if (now.hour != m_shownTime.hour) {
        m_shownTime = now;
        m_tickRects[0] = rect();
        // Kept until a full drawing happens: a hidden or minimised clock gets
        // no paint now, and the first paint after restoring must not pass for
        // a tick's (it would keep the old hour's AM/PM).
        m_fullPaintPending = true;
        repaint();
        return;
    }
    const bool minuteChanged = now.minute != m_shownTime.minute;
    const bool secondChanged = now.second != m_shownTime.second;
    if (!minuteChanged && !secondChanged)
        return;
    m_digital.layOut(now.hour, font(), drawingArea(), format());
    if (minuteChanged)
        m_tickRects[0] = m_digital.minuteCells();
    if (secondChanged && m_showSeconds)
        m_tickRects[1] = m_digital.secondCells();
    m_shownTime = now;
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
    if (now.second == m_shownTime.second && now.minute == m_shownTime.minute
        && now.hour % 12 == m_shownTime.hour % 12)
        return;
    const AnalogDial::Hands before = hands();
    m_shownTime = now;
    // Only the hands that moved, old and new place; the face stays.
    m_analogTickRegion = AnalogDial::changedRegion(analogFace(), before, hands(), m_showSeconds);
    if (!m_analogTickRegion.isEmpty()) {
        m_tickPaintPending = true;
        update(m_analogTickRegion);
    }
}

AnalogDial::Hands TRxClock::hands() const
{
    return {m_shownTime.hour % 12, m_shownTime.minute, m_shownTime.second};
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

// ---- painting ----

DigitalFace::Format TRxClock::format() const
{
    return {m_showSeconds, m_twelveHour, m_leadingZero};
}

QRect TRxClock::drawingArea() const
{
    const int inset = m_borderWidth + (m_bevelOuter != bvNone ? m_bevelWidth : 0)
                      + (m_bevelInner != bvNone ? m_bevelWidth : 0);
    return rect().adjusted(inset, inset, -inset, -inset);
}

QRect TRxClock::analogFace() const
{
    return AnalogDial::face(m_clockRect.isValid() ? m_clockRect : rect());
}

QString TRxClock::shownText() const
{
    return m_digital.text(m_shownTime, format());
}

bool TRxClock::paintIsFromTick(const QRegion &region) const
{
    if (!m_tickPaintPending || m_fullPaintPending)
        return false;
    if (m_showMode == scAnalog)
        return (region - m_analogTickRegion).isEmpty();
    for (const QRect &r : region) {
        if (!m_tickRects[0].contains(r) && !m_tickRects[1].contains(r))
            return false;
    }
    return true;
}

void TRxClock::preparePaint(const QRegion &region)
{
    m_paintFromTick = paintIsFromTick(region);
    m_tickPaintPending = false;
    if (m_paintFromTick)
        return; // drawn from the time the tick stored: its region holds that time's cells or hands
    // A full drawing: the present time, the locale as it is now.
    m_fullPaintPending = false;
    refreshLocale();
    if (m_showMode == scDigital) {
        m_shownTime = DecodeTime(ReadClockTime());
        m_digital.invalidate();
        m_digital.layOut(m_shownTime.hour, font(), drawingArea(), format());
    } else if ((QRegion(analogFace()) - region).isEmpty()) {
        // Hands moved in part of the face only would leave the old ones
        // standing outside it, where the next tick would not look.
        m_shownTime = DecodeTime(ReadClockTime());
    }
}

void TRxClock::paintEvent(QPaintEvent *event)
{
    platform::Application::guarded([this, event] {
        QPainter painter(this);
        if (!m_paintFromTick)
            paintFrame(painter);
        if (m_showMode == scDigital) {
            m_digital.paint(painter, m_shownTime, format(),
                            {font(), palette().color(foregroundRole()), color(), logicalDpiY()},
                            drawingArea(), event->region(), !m_paintFromTick);
        } else {
            m_dial.paint(painter, analogFace(), hands(),
                         {color(), m_dotsColor, palette().color(foregroundRole()), palette(), m_showSeconds});
        }
    });
}

void TRxClock::paintFrame(QPainter &painter) const
{
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
}

// ---- layout and notifications ----

void TRxClock::doLayout()
{
    if (m_destroying)
        return;
    const int inset = m_borderWidth + 1 + (m_bevelOuter != bvNone ? m_bevelWidth : 0)
                      + (m_bevelInner != bvNone ? m_bevelWidth : 0);
    m_clockRect = rect().adjusted(inset, inset, -inset, -inset);
    m_digital.invalidate();
    if (m_autoSize) {
        const QFont fitted = m_digital.fittedFont(font(), rect(), format());
        if (fitted != font())
            setFont(fitted);
    }
}

void TRxClock::invalidateLook()
{
    m_digital.invalidate();
    m_fullPaintPending = true;
    update();
}

void TRxClock::refreshLocale()
{
    m_digital.setLocale(QLocale());
}

bool TRxClock::event(QEvent *event)
{
    // What a paint shows is settled here; paintEvent only draws it.
    if (event->type() == QEvent::Paint) {
        m_paintFromTick = false;
        platform::Application::guarded(
            [this, event] { preparePaint(static_cast<QPaintEvent *>(event)->region()); });
    }
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
