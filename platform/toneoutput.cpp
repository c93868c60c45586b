#include "platform/toneoutput.h"

#include "platform/audiobackend.h"

#include <QFile>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <linux/input.h>
#include <unistd.h>

namespace platform {

namespace {

QString &configuredPath()
{
    static QString path = qEnvironmentVariableIsSet("BRENVIK_PCSPKR")
        ? qEnvironmentVariable("BRENVIK_PCSPKR")
        : QStringLiteral("/dev/input/by-path/platform-pcspkr-event-spkr");
    return path;
}

bool sendTone(int fd, int frequency)
{
    input_event event{};
    event.type = EV_SND;
    event.code = SND_TONE;
    event.value = frequency;
    return ::write(fd, &event, sizeof event) == ssize_t(sizeof event);
}

using Clock = std::chrono::steady_clock;

// Steps go to the sound card this far ahead of when it needs them: the
// calling thread may come that late (a busy machine, a long event) without
// a gap in the sound.
constexpr qint64 HandOverLeadMs = 400;

// Looks for the speaker device at each sound, so that a device that appears
// or goes away while the program runs is honoured; opening it is cheap.
class SystemToneOutput final : public ToneOutput
{
    static bool speakerDeviceOpens()
    {
        const QString path = configuredPath();
        if (path.isEmpty())
            return false;
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }

public:
    bool prepare() override
    {
        m_position = 0;
        m_speaker = speakerDeviceOpens();
        if (m_speaker) {
            m_start = Clock::now();
            m_inSound = true;
            return true;
        }
        m_backend = AudioBackend::instance();
        m_inSound = m_backend && m_backend->beginSound();
        return m_inSound;
    }

    void warmUp() override
    {
        if (speakerDeviceOpens())
            return;
        if (AudioBackend *backend = AudioBackend::instance())
            backend->warmUp();
    }

    bool beep(quint16 frequency, quint32 durationMs) override
    {
        // A tone on its own is a sound of its own.
        const bool alone = !m_inSound;
        if (alone && !prepare())
            return false;
        const bool heard = m_speaker ? speakerTone(frequency, durationMs) : cardTone(frequency, durationMs);
        if (alone)
            return finish(true) && heard;
        return heard;
    }

    quint32 rest(quint32 durationMs) override
    {
        if (!m_inSound)
            return durationMs;
        m_position += durationMs;
        const qint64 wait = m_speaker ? msUntil(m_start + std::chrono::milliseconds(m_position))
                                      : m_backend->msUntil(m_position - HandOverLeadMs);
        return quint32(qBound<qint64>(0, wait, durationMs + HandOverLeadMs));
    }

    bool finish(bool playOut) override
    {
        if (!m_inSound)
            return true;
        m_inSound = false;
        if (m_speaker) {
            if (playOut)
                std::this_thread::sleep_until(m_start + std::chrono::milliseconds(m_position));
            return true;
        }
        return m_backend->endSound(m_position, playOut);
    }

private:
    static qint64 msUntil(Clock::time_point t)
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    }

    // The device sounds a tone until told otherwise: the waits are the
    // time line's, so a late call moves the rest of the sound, never a
    // tone's length.
    bool speakerTone(quint16 frequency, quint32 durationMs)
    {
        auto due = m_start + std::chrono::milliseconds(m_position);
        const auto now = Clock::now();
        if (now > due) {
            m_start += now - due;
            due = now;
        }
        m_position += durationMs;
        const int fd = ::open(QFile::encodeName(configuredPath()).constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        std::this_thread::sleep_until(due);
        const bool heard = sendTone(fd, frequency);
        if (heard) {
            std::this_thread::sleep_until(due + std::chrono::milliseconds(durationMs));
            sendTone(fd, 0);
        }
        ::close(fd);
        return heard;
    }

    bool cardTone(quint16 frequency, quint32 durationMs)
    {
        if (!m_backend->tone(frequency, m_position, durationMs))
            return false;
        m_position += durationMs;
        return m_backend->waitFor(m_position - HandOverLeadMs);
    }

    bool m_inSound = false;
    bool m_speaker = false;
    AudioBackend *m_backend = nullptr;
    Clock::time_point m_start{}; // the speaker device's time line
    qint64 m_position = 0;       // ms from the sound's first step
};

} // namespace

QString ToneOutput::speakerDevicePath()
{
    return configuredPath();
}

void ToneOutput::setSpeakerDevicePath(const QString &path)
{
    configuredPath() = path;
}

ToneOutput &ToneOutput::system()
{
    static SystemToneOutput output;
    return output;
}

} // namespace platform
