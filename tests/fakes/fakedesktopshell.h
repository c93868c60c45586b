#pragma once

#include "platform/desktopshell.h"

#include <QStringList>

// Records the addresses it is asked to open.
class FakeDesktopShell : public platform::DesktopShell
{
public:
    bool open(const QString &address) override
    {
        opened << address;
        return true;
    }
    QStringList opened;
};
