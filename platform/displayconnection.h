#pragma once

#include <QString>

namespace platform {

// Whether the X display can be reached, tried with a plain connection before
// the application object exists (whose failure would end the process with an
// abort). An empty name means $DISPLAY.
bool canReachDisplay(const QString &displayName);

// Whether the program will use the X window system: no other platform was
// chosen on the command line or in QT_QPA_PLATFORM.
bool usesX11(const QString &platformName);

// Whether the program will use Wayland: chosen, or unchosen with a compositor
// announced in WAYLAND_DISPLAY.
bool usesWayland(const QString &platformName);

// The Wayland display the program would connect to: WAYLAND_DISPLAY, by
// default "wayland-0".
QString waylandDisplayName();

// Whether the Wayland compositor answers, tried with a plain connection to its
// socket (in XDG_RUNTIME_DIR unless the name is a path) before the
// application object exists, whose failure would end the process with an abort.
bool canReachWaylandDisplay();

} // namespace platform
