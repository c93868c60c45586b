#include "alarmrule.h"

#include "platform/errors.h"

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
    updateWait();
}

void AlarmRule::updateWait()
{
    m_pending = msecsOfDay(m_now()) < TimeToMSecs(m_time) || m_time == 0;
}

bool AlarmRule::inWindow(int msecs) const
{
    const DecodedTime alarm = DecodeTime(m_time);
    const int h = msecs / 3'600'000, m = msecs / 60'000 % 60, s = msecs / 1000 % 60;
    return h == alarm.hour && m == alarm.minute && s >= alarm.second;
}

AlarmRule::Outcome AlarmRule::evaluate(bool enabled)
{
    const qint64 now = m_now();
    if (enabled && inWindow(msecsOfDay(now))) {
        if (m_pending) {
            m_pending = false;
            return Outcome::Fire;
        }
        return Outcome::None;
    }
    m_pending = msecsOfDay(now) < TimeToMSecs(m_time) || m_time == 0;
    return Outcome::None;
}
