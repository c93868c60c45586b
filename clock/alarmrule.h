#pragma once

#include "clock/tdatetime.h"

#include <QChar>
#include <QtGlobal>

#include <functional>

class QLocale;

// The rule that makes the clock an alarm clock: the alarm time of day, whether
// its coming window may still fire, and the decision at each tick. Knows no
// window; the clock hands it the present time through a reader.
class AlarmRule
{
public:
    // Late: the time of day passed over the alarm between two evaluations (a
    // suspended machine, a stopped process, a clock set forward, a skipped hour).
    enum class Outcome { None, Fire, Late };

    // The present local time in milliseconds; its remainder by a day is the time of day.
    using TimeReader = std::function<qint64()>;

    explicit AlarmRule(TimeReader now);

    TDateTime time() const { return m_time; }
    quint8 hour() const;
    quint8 minute() const;
    quint8 second() const;
    // index 1 hour, 2 minute, 3 second; others are ignored. Throws EConvertError
    // and changes nothing when the time would not exist.
    void setPart(int index, int value);
    // Whether a part has been written since construction.
    bool written() const { return m_written; }

    bool pending() const { return m_pending; }
    // Re-reads the present time: may the alarm still fire in its coming window?
    void updateWait();
    // The decision at a tick (or a set system clock). A Fire or Late has already
    // updated the pending flag, so the same window can never fire twice.
    Outcome evaluate(bool enabled);

private:
    bool inWindow(int msecsOfDay) const;
    bool waitsAt(int msecsOfDay) const;
    bool passedOverSinceLast(qint64 now) const;

    TimeReader m_now;
    // When the rule last looked at the time, and whether the alarm was armed then.
    qint64 m_lastSeen = 0;
    bool m_armedWhenSeen = false;
    bool m_seen = false;
    TDateTime m_time = 0;
    bool m_pending = true;
    bool m_written = false;
};

// The locale's time separator: Qt has none of its own.
QChar timeSeparator(const QLocale &locale);
