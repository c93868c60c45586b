#pragma once

// sound/ at a glance:
// - tspeakerbeeper.h: speaker tones, preset sounds and melodies.
// - twavsound.h: the wave player; the sound card itself is platform/waveoutput.h.
// - melodyreader.h, notetable.h: the melody file; ebeeperror.h its errors.

#include <QObject>
#include <QString>

#include <span>

namespace platform {
class OsVersion;
class SpeakerPorts;
class TickCounter;
class ToneOutput;
} // namespace platform

// Tones, rests, the thirteen preset sounds and melodies of the melody file on
// the PC speaker: through the beep service, or by driving the interval timer
// and speaker ports directly.
class TSpeakerBeeper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(TBeatDuration BeatDuration READ beatDuration WRITE setBeatDuration)
    Q_PROPERTY(TPresetSound DefaultSound READ defaultSound WRITE setDefaultSound)

public:
    enum TBeatDuration { bd_500, bd_1000, bd_1500, bd_2000 };
    Q_ENUM(TBeatDuration)
    enum TPresetSound {
        psOK, psError, psWelcome, psEmergency, psWrong, psCall, psOfficial,
        psDaze, psFall, psChord, psWhisle, psHanging, psClimb
    };
    Q_ENUM(TPresetSound)

    // One step of a sound; frequency 1 is a rest.
    struct Step
    {
        quint16 frequency;
        qint32 duration;
        friend bool operator==(const Step &, const Step &) = default;
    };

    // The platform services a beeper uses: the real ones from the start-up
    // code, fakes in tests.
    struct Services
    {
        platform::ToneOutput &tones;
        platform::SpeakerPorts &ports;
        const platform::TickCounter &ticks;
        const platform::OsVersion &os;
    };

    TSpeakerBeeper(QObject *owner, const Services &services);

    TBeatDuration beatDuration() const { return m_beatDuration; }
    void setBeatDuration(TBeatDuration value) { m_beatDuration = value; }
    TPresetSound defaultSound() const { return m_defaultSound; }
    void setDefaultSound(TPresetSound value) { m_defaultSound = value; }

    // Plays one step and returns when it is over. Rests, and tones on the
    // port path, keep handling the thread's events while they last. A tone
    // the beep service cannot make heard silences the rest of the sound
    // under way (preset or melody): its later steps, rests included, are
    // skipped at once. So is every step once the program is ending.
    virtual void PlayTone(quint16 frequency, qint32 duration);
    // An ordinal above psClimb plays nothing.
    void PlayPreset(TPresetSound sound);
    void PlayDefaultSound();
    // Plays the melody SongName of the melody file FileName. Raises EBeepError,
    // EFOpenError or EConvertError; notes before the fault have sounded. Only a
    // regular file is read, and only its first MaxMelodyFileSize bytes.
    void PlayMelody(const QString &fileName, const QString &songName);
    static constexpr qsizetype MaxMelodyFileSize = 1024 * 1024;

    static std::span<const Step> presetSteps(TPresetSound sound);
    // Shared by all beepers; every construction sets it anew.
    static bool useBeepService();

private:
    class SoundScope;
    void waitProcessingMessages(qint32 duration);
    void SpeakerOn(quint16 frequency);
    void SpeakerOff();

    platform::ToneOutput *m_tones;
    platform::SpeakerPorts *m_ports;
    const platform::TickCounter *m_ticks;
    TBeatDuration m_beatDuration = bd_1000;
    TPresetSound m_defaultSound = psOK;
    // A sound (preset or melody) is under way; nested ones share its fate.
    int m_soundDepth = 0;
    bool m_silenced = false;
};
