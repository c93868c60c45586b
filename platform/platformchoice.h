#pragma once

namespace platform {

// On a Wayland desktop a program can neither draw its splash before the event
// loop runs nor bring its window forward at the alarm. Where an X display is
// reachable (XWayland) and the user has chosen no platform (QT_QPA_PLATFORM
// unset, no -platform argument), this adds "-platform xcb" to the arguments.
// Call first thing in main(), before the application object is built; argv
// may be replaced by an array that lives until the process ends.
void choosePlatformBeforeQApplication(int &argc, char **&argv);

// The decision alone: whether the X11 platform is to be asked for.
bool shouldChooseX11(int argc, const char *const *argv, bool platformVariableSet,
                     bool displayReachable);

} // namespace platform
