#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

struct TAlarmSettings;
class TSpeakerBeeper;
class TWavSound;

// The melody file: "Timer.msk" in the per-user data folder when it is there,
// otherwise beside the program.
QString melodyFilePath();

// What became of the alarm's sound by the time the message is due.
enum class AlarmSoundOutcome {
    Played,       // all that was chosen sounded or sounds (or nothing was chosen)
    Unplayed,     // the speaker sound or the wave file could not be heard
    WaveStarting, // the wave file is still being started
};

// The alarm's sound: the speaker melody or preset to its end when the speaker
// mode is set, then the start of the wave file when the sound-card mode is
// set. A failing melody gives way to the default preset, without a message.
AlarmSoundOutcome playAlarmSound(const TAlarmSettings &settings, TSpeakerBeeper &beeper, TWavSound &wave,
                                 const QString &melodyFile);

// Keeps the alarm message from hiding a silent alarm: its text gets one more
// line when the sound could not be played, and a wave file that fails once
// the message is open adds the line to the open message box.
class AlarmSoundNote : public QObject
{
public:
    AlarmSoundNote(AlarmSoundOutcome outcome, const TWavSound &wave);
    // The message's text for the box, with the line when it is due already.
    QString messageText(const QString &text);

    static QString line();

private:
    void check();

    const TWavSound &m_wave;
    AlarmSoundOutcome m_outcome;
    QString m_text;
    QTimer m_watch;
};
