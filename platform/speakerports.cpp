#include "platform/speakerports.h"

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define BRENVIK_HAVE_PORTS 1
#endif

namespace platform {

namespace {

bool grantPorts()
{
#ifdef BRENVIK_HAVE_PORTS
    return ioperm(0x42, 2, 1) == 0 && ioperm(0x61, 1, 1) == 0;
#else
    return false;
#endif
}

class HardwareSpeakerPorts final : public SpeakerPorts
{
public:
    quint8 read(quint16 port) override
    {
#ifdef BRENVIK_HAVE_PORTS
        if (systemAccessible())
            return inb(port);
#endif
        Q_UNUSED(port);
        return 0;
    }
    void write(quint16 port, quint8 value) override
    {
#ifdef BRENVIK_HAVE_PORTS
        if (systemAccessible())
            outb(value, port);
#endif
        Q_UNUSED(port);
        Q_UNUSED(value);
    }
};

} // namespace

bool SpeakerPorts::systemAccessible()
{
    static const bool granted = grantPorts();
    return granted;
}

SpeakerPorts &SpeakerPorts::system()
{
    static HardwareSpeakerPorts ports;
    return ports;
}

} // namespace platform
