#include "displayconnection.h"

#include <xcb/xcb.h>

namespace platform {

bool canReachDisplay(const QString &displayName)
{
    const QByteArray name = displayName.toLocal8Bit();
    xcb_connection_t *connection = xcb_connect(name.isEmpty() ? nullptr : name.constData(), nullptr);
    const bool reached = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reached;
}

bool usesX11(const QString &platformName)
{
    QString chosen = platformName;
    if (chosen.isEmpty())
        chosen = qEnvironmentVariable("QT_QPA_PLATFORM");
    // "xcb:option=value", or a list of fall-backs "wayland;xcb": only the first counts.
    chosen = chosen.section(u';', 0, 0).section(u':', 0, 0);
    // Unchosen, Qt tries Wayland first where a compositor is announced.
    if (chosen.isEmpty())
        return qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    return chosen == QLatin1String("xcb");
}

} // namespace platform
