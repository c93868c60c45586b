#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// Reads the melody SongName from the text of a melody file and hands each
// note to play (frequency in Hz, 1 = rest; duration in ms) as soon as it is
// read, so the notes before a fault have sounded when it is raised.
//
// Raises EBeepError "Can Not Locate Song ..." or "Beeper: Wrong Char", or
// EConvertError for a known note whose duration is not an integer. A
// melody whose data ends where the next note name is expected ends there
// normally; a note name or duration of more than 4 characters raises
// "Beeper: Wrong Char". FileName only fills in the message.
void readMelody(const QByteArray &text, const QString &songName, const QString &fileName,
                const std::function<void(quint16 frequency, qint32 duration)> &play);
