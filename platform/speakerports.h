#pragma once

#include <QtGlobal>

namespace platform {

// Byte access to the I/O ports of the PC's interval timer (0x42, 0x43) and
// speaker control (0x61).
class SpeakerPorts
{
public:
    virtual ~SpeakerPorts() = default;
    virtual quint8 read(quint16 port) = 0;
    virtual void write(quint16 port, quint8 value) = 0;

    // The real ports where this process may use them (x86 with ioperm rights);
    // elsewhere reads give 0 and writes go nowhere.
    static SpeakerPorts &system();
    static bool systemAccessible();
};

} // namespace platform
