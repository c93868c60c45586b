#include "sound/twavsound.h"

#include "platform/waveoutput.h"
#include "platform/programending.h"

TWavSound::TWavSound(QObject *owner, platform::WaveOutput &output)
    : QObject(owner), m_output(&output)
{
    platform::watchProgramEnding();
}

void TWavSound::PlayWave(const QString &name, quint16 flags)
{
    emit BeforePlay(this);
    // The name is handed on whole, whatever its length: paths here are often
    // longer than the old service's 131 characters.
    // Once the program is ending a sound would outlive its window.
    if (name.isEmpty() || platform::programEnding())
        m_output->stop();
    else
        m_output->play(name, (flags & SND_LOOP) != 0);
}

void TWavSound::setSoundFile(const QString &value)
{
    m_soundFile = value;
    m_assigned = true;
    PlayWave(QString(), 0);
    if (!m_soundFile.isEmpty() && m_designing)
        PlayWave(m_soundFile, SND_ASYNC | SND_NODEFAULT);
}

void TWavSound::setActive(bool value)
{
    if (!m_assigned) {
        m_active = false;
    } else if (value) {
        // Never skipped when already active: a loop restarts from its beginning.
        m_active = true;
        const quint16 flags = m_soundLoop ? SND_ASYNC | SND_NODEFAULT | SND_LOOP : SND_ASYNC | SND_NODEFAULT;
        PlayWave(m_soundFile, flags);
        if (!m_soundLoop) {
            m_active = false;
            emit AfterPlay(this);
        }
    } else if (m_soundLoop && m_active) {
        m_active = false;
        PlayWave(QString(), 0);
        emit AfterPlay(this);
    }
}
