#include "platform/osversion.h"

#include "platform/speakerports.h"

#include <QString>

namespace platform {

namespace {

class LinuxOsVersion final : public OsVersion
{
public:
    bool beepServiceAvailable() const override
    {
        // Like the NT family, a Linux process normally has no port rights.
        return !(qEnvironmentVariable("BRENVIK_SPEAKER_PORTS") == QLatin1String("1")
                 && SpeakerPorts::systemAccessible());
    }
    bool forcedActivationAvailable() const override { return true; }
};

} // namespace

OsVersion &OsVersion::system()
{
    static LinuxOsVersion version;
    return version;
}

} // namespace platform
