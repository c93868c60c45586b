#include "app/alarmmessage.h"

using namespace Qt::StringLiterals;

QString AlarmMessage::defaultText()
{
    return u"Alarmzeit erreicht!"_s;
}

QString AlarmMessage::clockText(QTime time, QChar separator)
{
    const auto part = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    return part(time.hour()) + separator + part(time.minute()) + separator + part(time.second());
}

QString AlarmMessage::text() const
{
    return stored.isEmpty() ? defaultText() : stored;
}

QString AlarmMessage::notificationText() const
{
    if (!lateDue)
        return text();
    return text() + u"\n(fällig um "_s + clockText(*lateDue, timeSeparator) + u')';
}

QString AlarmMessage::boxText() const
{
    if (sound != AlarmSoundOutcome::Unplayed)
        return notificationText();
    return notificationText() + u"\n(Der Alarmton konnte nicht abgespielt werden.)"_s;
}
