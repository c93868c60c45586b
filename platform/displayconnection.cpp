#include "platform/displayconnection.h"

#include <QFile>

#include <xcb/xcb.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

bool canReachDisplay(const QString &displayName)
{
    const QByteArray name = displayName.toLocal8Bit();
    xcb_connection_t *connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

namespace {

QString chosenPlatform(const QString &platformName)
{
    QString chosen = platformName;
    if (chosen.isEmpty())
        chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    // "xcb:option=value", or a list of fall-backs "wayland;xcb": only the first counts.
    return chosen.section(u';', 0, 0).section(u':', 0, 0);
}

} // namespace

bool usesX11(const QString &platformName)
{
    const QString chosen = chosenPlatform(platformName);
    // Unchosen, Qt tries Wayland first where a compositor is announced.
    if (chosen.isEmpty())
        return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return chosen == QLatin1String("xcb");
}

bool usesWayland(const QString &platformName)
{
    const QString chosen = chosenPlatform(platformName);
    if (chosen.isEmpty())
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return chosen.startsWith(QLatin1String("wayland"));
}

QString waylandDisplayName()
{
    const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
    return name.isEmpty() ? QStringLiteral("wayland-0") : name;
}

bool canReachWaylandDisplay()
{
    // A socket handed over by whoever started the program.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET"))
        return true;
    QString path = waylandDisplayName();
    if (!path.startsWith(u'/')) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (runtime.isEmpty())
            return false;
        path = runtime + u'/' + path;
    }
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (size_t(name.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool reached = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return reached;
}

} // namespace platform
