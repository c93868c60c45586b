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

void playAlarmSound(const TAlarmSettings &settings, TSpeakerBeeper &beeper, TWavSound &wave,
                    const QString &melodyFile)
{
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
    }
    if (settings.Soundkarte) {
        wave.setSoundFile(settings.SoundFile);
        wave.setActive(true);
    }
}
