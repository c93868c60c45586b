#include "clock/alarmrule.h"

#include "base/errors.h"

#include <QLocale>
#include <QString>

using namespace Qt::StringLiterals;

namespace {

int msecsOfDay(qint64 stamp)
{
    return int(((stamp % MSecsPerDay) + MSecsPerDay) % MSecsPerDay);
}

} // namespace

QChar timeSeparator(const QLocale &locale)
{
    // The first non-letter that follows the hour in the locale's time format.
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

AlarmRule::AlarmRule(TimeReader now)
    : m_now(std::move(now))
{
}

quint8 AlarmRule::hour() const
{
    return quint8(DecodeTime(m_time).hour);
}

quint8 AlarmRule::minute() const
{
    return quint8(DecodeTime(m_time).minute);
}

quint8 AlarmRule::second() const
{
    return quint8(DecodeTime(m_time).second);
}

void AlarmRule::setPart(int index, int value)
{
    const DecodedTime alarm = DecodeTime(m_time);
    int hour = alarm.hour, minute = alarm.minute, second = alarm.second;
    switch (index) {
    case 1: hour = value; break;
    case 2: minute = value; break;
    case 3: second = value; break;
    default: return;
    }
    if (hour >= 24 || minute >= 60 || second >= 60) {
        const QChar sep = timeSeparator(QLocale());
        const QString time = QString::number(hour) + sep + QString::number(minute) + sep
                             + QString::number(second);
        throw EConvertError(u"''%1'' ist keine gültige Zeit"_s.arg(time));
    }
    m_time = EncodeTime(hour, minute, second, 0);
    m_written = true;
    updateWait();
}

void AlarmRule::updateWait()
{
    const qint64 now = m_now();
    m_pending = waitsAt(msecsOfDay(now));
    // Writing the alarm is how it gets armed: from here on a passed-over alarm
    // counts, even before the first tick has seen it armed.
    m_lastSeen = now;
    m_armedWhenSeen = true;
    m_seen = true;
}

bool AlarmRule::waitsAt(int msecs) const
{
    // Midnight has no earlier time of day: it waits everywhere but in its own
    // window, so armed after its second it too means tomorrow.
    return msecs < TimeToMSecs(m_time) || (m_time == 0 && !inWindow(msecs));
}

bool AlarmRule::inWindow(int msecs) const
{
    const DecodedTime alarm = DecodeTime(m_time);
    const int h = msecs / 3'600'000, m = msecs / 60'000 % 60, s = msecs / 1000 % 60;
    return h == alarm.hour && m == alarm.minute && s >= alarm.second;
}

bool AlarmRule::passedOverSinceLast(qint64 now) const
{
    // Only a step forward counts: a clock set back arms the alarm again instead.
    if (!m_seen || !m_armedWhenSeen || now <= m_lastSeen)
        return false;
    // Every alarm moment after the last look is owed: one the same day before
    // it was still pending then (written later, or fired, it would lie behind).
    qint64 moment = m_lastSeen - msecsOfDay(m_lastSeen) + TimeToMSecs(m_time);
    if (moment <= m_lastSeen)
        moment += MSecsPerDay;
    return moment <= now;
}

AlarmRule::Outcome AlarmRule::evaluate(bool enabled)
{
    const qint64 now = m_now();
    const int msecs = msecsOfDay(now);
    const bool passed = enabled && passedOverSinceLast(now);
    Outcome outcome = Outcome::None;
    if (enabled && inWindow(msecs)) {
        // A look after whole days away finds its window owed again.
        if (m_pending || passed) {
            m_pending = false;
            outcome = Outcome::Fire;
        }
    } else {
        m_pending = waitsAt(msecs);
        if (passed)
            outcome = Outcome::Late;
    }
    m_lastSeen = now;
    m_armedWhenSeen = enabled;
    m_seen = true;
    return outcome;
}
