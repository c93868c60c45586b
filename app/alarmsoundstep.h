#pragma once

#include <QString>

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

// What the wave file's state says of its sound: unheard when its output
// failed, still starting, or played.
AlarmSoundOutcome waveOutcome(const TWavSound &wave);
