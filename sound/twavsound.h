#pragma once

#include <QObject>
#include <QString>

namespace platform {
class WaveOutput;
}

// Plays a wave file through the sound card in the background, once or in a
// loop: assign SoundFile, then set Active to true.
class TWavSound : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString SoundFile READ soundFile WRITE setSoundFile)
    Q_PROPERTY(bool SoundLoop READ soundLoop WRITE setSoundLoop)
    Q_PROPERTY(bool Active READ active WRITE setActive)

public:
    // Flags of the playback service.
    static constexpr quint16 SND_ASYNC = 1;
    static constexpr quint16 SND_NODEFAULT = 2;
    static constexpr quint16 SND_LOOP = 8;

    TWavSound(QObject *owner, platform::WaveOutput &output);

    QString soundFile() const { return m_soundFile; }
    void setSoundFile(const QString &value);
    bool soundLoop() const { return m_soundLoop; }
    void setSoundLoop(bool value) { m_soundLoop = value; }
    bool active() const { return m_active; }
    void setActive(bool value);

    // Set while the player is being edited in a form designer: assigning a
    // file then plays it once as a preview.
    void setDesigning(bool designing) { m_designing = designing; }

signals:
    void BeforePlay(QObject *sender);
    void AfterPlay(QObject *sender);

private:
    void PlayWave(const QString &name, quint16 flags);

    platform::WaveOutput *m_output;
    QString m_soundFile;
    bool m_assigned = false;
    bool m_soundLoop = false;
    bool m_active = false;
    bool m_designing = false;
};
