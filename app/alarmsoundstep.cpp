#include "app/alarmsoundstep.h"

#include "settings/talarmsettings.h"
#include "platform/waveoutput.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

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
        switch (wave.output().state()) {
        case platform::WaveOutput::State::Failed:
            unplayed = true;
            break;
        case platform::WaveOutput::State::Starting:
            if (!unplayed)
                return AlarmSoundOutcome::WaveStarting;
            break;
        case platform::WaveOutput::State::Idle:
        case platform::WaveOutput::State::Playing:
            break;
        }
    }
    return unplayed ? AlarmSoundOutcome::Unplayed : AlarmSoundOutcome::Played;
}

AlarmSoundNote::AlarmSoundNote(AlarmSoundOutcome outcome, const TWavSound &wave)
    : m_wave(wave), m_outcome(outcome), m_watch(this)
{
    m_watch.setInterval(50);
    connect(&m_watch, &QTimer::timeout, this, &AlarmSoundNote::check);
}

QString AlarmSoundNote::line()
{
    return u"\n(Der Alarmton konnte nicht abgespielt werden.)"_s;
}

QString AlarmSoundNote::messageText(const QString &text)
{
    m_text = text;
    if (m_outcome == AlarmSoundOutcome::Unplayed)
        return text + line();
    // The message does not wait for the sound card; the wave file's fate
    // reaches the box while it is open.
    if (m_outcome == AlarmSoundOutcome::WaveStarting)
        m_watch.start();
    return text;
}

void AlarmSoundNote::check()
{
    const auto state = m_wave.output().state();
    if (state == platform::WaveOutput::State::Starting)
        return;
    m_watch.stop();
    if (state != platform::WaveOutput::State::Failed)
        return;
    // The open message is the box showing this text (a shown box sizes
    // itself to its new text, keeping its corner).
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible() && box->text() == m_text) {
            box->setText(m_text + line());
            return;
        }
    }
}
