#pragma once

// clock/ at a glance:
// - trxtimer.h: the tick timer, a worker thread handing ticks to the UI thread.
// - alarmrule.h: the alarm time and the decision at a tick (when it fires).
// - trxclock.h: the control: its properties, the ticks and what each repaints.
// - digitalface.h: the digital face; cellglyphs.h its cells as drawn, copied
//   back on later ticks.
// - analogdial.h: the analog face. The 3-D frames are base/bevelframe.h.
// - tdatetime.h: times of day as fractions of a day.

#include "clock/alarmrule.h"
#include "clock/analogdial.h"
#include "clock/digitalface.h"
#include "clock/tdatetime.h"
#include "clock/trxtimer.h"
#include "platform/systemclock.h"

#include <QColor>
#include <QRect>
#include <QRegion>
#include <QTime>
#include <QWidget>

#include <functional>

namespace platform { class TimeChangeWatcher; }

// The running time of day, digital or as a dial, and the alarm moment. Driven
// by its own TRxTimer every 450 ms; all of it runs on the UI thread.
//
// Decisions where the behaviour was left open:
// - The digital display compares the full hour of day, so a jump by exactly
//   twelve hours (03:15 -> 15:15) redraws everything at the next tick.
// - A tick before the clock is shown only updates its state and evaluates the
//   alarm; there is nothing to draw yet.
// - Locale changes (QEvent::LocaleChange) act as the settings notification; a
//   set system clock is noticed at once through the platform::TimeChangeWatcher
//   it is given.
// - The after-loading notification is the first polish (before the first show).
// - An alarm the time ran past without a tick in its minute fires at once, late
//   (see AlarmRule); a clock set back arms it again.
class TRxClock : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool AlarmEnabled READ alarmEnabled WRITE setAlarmEnabled)
    Q_PROPERTY(int AlarmHour READ alarmHour WRITE setAlarmHour)
    Q_PROPERTY(int AlarmMinute READ alarmMinute WRITE setAlarmMinute)
    Q_PROPERTY(int AlarmSecond READ alarmSecond WRITE setAlarmSecond)
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(TBevelCut BevelInner READ bevelInner WRITE setBevelInner)
    Q_PROPERTY(TBevelCut BevelOuter READ bevelOuter WRITE setBevelOuter)
    Q_PROPERTY(int BevelWidth READ bevelWidth WRITE setBevelWidth)
    Q_PROPERTY(int BorderWidth READ borderWidth WRITE setBorderWidth)
    Q_PROPERTY(QColor DotsColor READ dotsColor WRITE setDotsColor)
    Q_PROPERTY(TShowClock ShowMode READ showMode WRITE setShowMode)
    Q_PROPERTY(bool ShowSeconds READ showSeconds WRITE setShowSeconds)
    Q_PROPERTY(bool TwelveHour READ twelveHour WRITE setTwelveHour)
    Q_PROPERTY(bool LeadingZero READ leadingZero WRITE setLeadingZero)
    Q_PROPERTY(QColor Color READ color WRITE setColor)

public:
    enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
    Q_ENUM(TBevelCut)
    enum TShowClock { scDigital, scAnalog };
    Q_ENUM(TShowClock)

    // The clock gives the time; the watcher tells when the system clock was set.
    TRxClock(QWidget *parent, platform::SystemClock &clock, platform::TimeChangeWatcher &timeChanges);
    ~TRxClock() override;

    bool alarmEnabled() const { return m_alarmEnabled; }
    void setAlarmEnabled(bool enabled) { m_alarmEnabled = enabled; }
    quint8 alarmHour() const { return m_alarm.hour(); }
    void setAlarmHour(quint8 hour);       // throws EConvertError
    quint8 alarmMinute() const { return m_alarm.minute(); }
    void setAlarmMinute(quint8 minute);   // throws EConvertError
    quint8 alarmSecond() const { return m_alarm.second(); }
    void setAlarmSecond(quint8 second);   // throws EConvertError
    // The three parts in one.
    QTime alarmTime() const { return QTime(alarmHour(), alarmMinute(), alarmSecond()); }

    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool autoSize);
    TBevelCut bevelInner() const { return m_bevelInner; }
    void setBevelInner(TBevelCut bevel);
    TBevelCut bevelOuter() const { return m_bevelOuter; }
    void setBevelOuter(TBevelCut bevel);
    int bevelWidth() const { return m_bevelWidth; }
    void setBevelWidth(int width);
    int borderWidth() const { return m_borderWidth; }
    void setBorderWidth(int width);
    QColor dotsColor() const { return m_dotsColor; }
    void setDotsColor(const QColor &color);
    TShowClock showMode() const { return m_showMode; }
    void setShowMode(TShowClock mode);
    bool showSeconds() const { return m_showSeconds; }
    void setShowSeconds(bool show);
    bool twelveHour() const { return m_twelveHour; }
    void setTwelveHour(bool twelveHour);
    bool leadingZero() const { return m_leadingZero; }
    void setLeadingZero(bool leadingZero);
    // The background; the button face of the palette unless set.
    QColor color() const;
    void setColor(const QColor &color);

    std::function<void(QObject *sender, TDateTime &time)> OnGetTime;

    virtual TDateTime ReadClockTime();
    void ClockTick(QObject *sender);
    TRxTimer *ticker() const { return m_ticker; }

    // Whether the alarm being delivered was passed over (the time of day ran past
    // its whole minute without a tick in it) and so comes late; it was due at
    // alarmTime().
    bool alarmLate() const { return m_alarmLate; }

    // Re-reads the alarm state after a stored layout has been applied; runs
    // at the clock's first polish, before it is first shown.
    void Loaded();
    // The system clock was set: redraw and evaluate the alarm at once.
    void systemTimeChanged();

    // Whether the alarm may still fire in its coming window.
    bool alarmPending() const { return m_alarm.pending(); }
    // The region the last tick asked to redraw.
    QRegion lastTickRegion() const;
    // The digital face, and the time it shows as a text.
    const DigitalFace &digitalFace() const { return m_digital; }
    QString shownText() const;

signals:
    void OnAlarm(QObject *sender);

protected:
    virtual void FireAlarm();
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void EvaluateAlarm();
    qint64 readLocalMSecs();

    DigitalFace::Format format() const;
    QRect drawingArea() const;
    QRect analogFace() const;
    AnalogDial::Hands hands() const;
    void doLayout();
    void invalidateLook();
    void refreshLocale();

    void digitalTick();
    void analogTick();
    // Whether a paint covers no more than what the last tick changed, and so
    // is drawn from the time that tick stored; anything else is a full drawing.
    bool paintIsFromTick(const QRegion &region) const;
    // Settles what a paint shows: a full drawing takes the present time and locale.
    void preparePaint(const QRegion &region);
    void paintFrame(QPainter &painter) const;

    platform::SystemClock &m_clock;
    TRxTimer *m_ticker = nullptr;

    bool m_alarmEnabled = false;
    AlarmRule m_alarm;
    bool m_alarmLate = false;

    bool m_autoSize = false;
    TBevelCut m_bevelInner = bvLowered;
    TBevelCut m_bevelOuter = bvRaised;
    int m_bevelWidth = 1;
    int m_borderWidth = 0;
    QColor m_dotsColor{0, 128, 128};
    TShowClock m_showMode = scDigital;
    bool m_showSeconds = true;
    bool m_twelveHour = false;
    bool m_leadingZero = true;
    QColor m_color;   // invalid: the palette's button face

    DecodedTime m_shownTime;   // the time the face shows
    DigitalFace m_digital;
    AnalogDial m_dial;
    QRect m_clockRect;

    // The cells or hands a tick asked to redraw, and what the paint under way shows.
    QRect m_tickRects[2];
    QRegion m_analogTickRegion;
    bool m_tickPaintPending = false;
    bool m_fullPaintPending = false;
    bool m_paintFromTick = false;
    bool m_destroying = false;
};
