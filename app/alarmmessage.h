#pragma once

#include "app/alarmsoundstep.h"

#include <QChar>
#include <QString>
#include <QTime>

#include <optional>

// The alarm's message as the user reads it, composed in this one place from
// plain data: the stored message (the default when there is none), the time a
// late alarm was due, and whether its sound could be heard. The texts are
// plain text, never markup: the message is the user's own.
struct AlarmMessage
{
    QString stored; // the settings record's AlarmMeldung
    std::optional<QTime> lateDue; // set when the alarm comes late
    AlarmSoundOutcome sound = AlarmSoundOutcome::Played;
    QChar timeSeparator = u':';

    // What an empty message shows, and is then stored as.
    static QString defaultText();
    // A time of day as the alarm's texts write it: 07:05:09.
    static QString clockText(QTime time, QChar separator);

    // The stored message, or the default for an empty one.
    QString text() const;
    // The desktop notification's: the text, and when a late alarm was due.
    QString notificationText() const;
    // The box's: that, and a line when the sound could not be heard.
    QString boxText() const;
};
