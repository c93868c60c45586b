#include "app/alarmsoundstep.h"

#include "settings/talarmsettings.h"
#include "platform/waveoutput.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <exception>

using namespace Qt::StringLiterals;

QString melodyFilePath()
{
    // The user's own melody file, where there is one, wins over the shipped one.
    const QString own = platform::userDataFolder() + u"/Timer.msk"_s;
    if (QFileInfo(own).isFile())
        return own;
    return QCoreApplication::applicationDirPath() + u"/Timer.msk"_s;
}

AlarmSoundOutcome playAlarmSound(const TAlarmSettings &settings, TSpeakerBeeper &beeper, TWavSound &wave,
                                 const QString &melodyFile)
{
    bool unplayed = false;
    if (settings.Speaker) {
        if (settings.Song == u"Default"_s) {
            beeper.PlayDefaultSound();
        } else {
            try {
                beeper.PlayMelody(melodyFile, settings.Song);
            } catch (const std::exception &) {
                beeper.PlayDefaultSound();
            }
        }
        unplayed = beeper.lastSoundUnheard();
    }
    if (settings.Soundkarte) {
        wave.setSoundFile(settings.SoundFile);
        wave.setActive(true);
        const AlarmSoundOutcome waveSound = waveOutcome(wave);
        if (waveSound == AlarmSoundOutcome::WaveStarting && !unplayed)
            return waveSound;
        unplayed = unplayed || waveSound == AlarmSoundOutcome::Unplayed;
    }
    return unplayed ? AlarmSoundOutcome::Unplayed : AlarmSoundOutcome::Played;
}

AlarmSoundOutcome waveOutcome(const TWavSound &wave)
{
    switch (wave.output().state()) {
    case platform::WaveOutput::State::Failed:
        return AlarmSoundOutcome::Unplayed;
    case platform::WaveOutput::State::Starting:
        return AlarmSoundOutcome::WaveStarting;
    case platform::WaveOutput::State::Idle:
    case platform::WaveOutput::State::Playing:
        break;
    }
    return AlarmSoundOutcome::Played;
}
