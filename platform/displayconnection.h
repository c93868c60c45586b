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

} // namespace platform
