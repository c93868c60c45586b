#pragma once

#include <QString>

struct TAlarmSettings;
class TSpeakerBeeper;
class TWavSound;

// The melody file: "Timer.msk" in the per-user data folder when it is there,
// otherwise beside the program.
QString melodyFilePath();

// The alarm's sound: the speaker melody or preset to its end when the speaker
// mode is set, then the start of the wave file when the sound-card mode is
// set. A failing melody gives way to the default preset, without a message.
void playAlarmSound(const TAlarmSettings &settings, TSpeakerBeeper &beeper, TWavSound &wave,
                    const QString &melodyFile);
