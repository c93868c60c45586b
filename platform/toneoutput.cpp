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

// Tries the speaker device for each tone, so that a device that appears or
// goes away while the program runs is honoured; opening it is cheap.
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
        if (speakerDeviceOpens())
            return true;
        AudioBackend *backend = AudioBackend::instance();
        return backend && backend->prepare();
    }

    bool beep(quint16 frequency, quint32 durationMs) override
    {
        const QString path = configuredPath();
        if (!path.isEmpty()) {
            const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0) {
                if (sendTone(fd, frequency)) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(durationMs));
                    sendTone(fd, 0);
                    ::close(fd);
                    return true;
                }
                ::close(fd);
            }
        }
        AudioBackend *backend = AudioBackend::instance();
        return backend && backend->tone(frequency, durationMs);
    }
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
