#pragma once

#include <QString>

namespace platform {

// Hands an address (http:, mailto:) to the desktop's default handler.
class DesktopShell
{
public:
    virtual ~DesktopShell() = default;
    // Returns whether the request was handed on; callers here ignore it.
    virtual bool open(const QString &address) = 0;

    static DesktopShell &system();
};

} // namespace platform
