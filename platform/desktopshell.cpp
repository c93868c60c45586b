#include "platform/desktopshell.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {

namespace {

class SystemDesktopShell final : public DesktopShell
{
public:
    bool open(const QString &address) override { return QDesktopServices::openUrl(QUrl(address)); }
};

} // namespace

DesktopShell &DesktopShell::system()
{
    static SystemDesktopShell shell;
    return shell;
}

} // namespace platform
