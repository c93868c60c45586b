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
    enum class Outcome { None, Fire };

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

    bool pending() const { return m_pending; }
    void setPending(bool pending) { m_pending = pending; }
    // Re-reads the present time: may the alarm still fire in its coming window?
    void updateWait();
    // The decision at a tick (or a set system clock). A Fire has already
    // cleared the pending flag, so the same window can never fire twice.
    Outcome evaluate(bool enabled);

private:
    bool inWindow(int msecsOfDay) const;

    TimeReader m_now;
    TDateTime m_time = 0;
    bool m_pending = true;
};

// The locale's time separator: Qt has none of its own.
QChar timeSeparator(const QLocale &locale);
