#include "platform/platformchoice.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace platform {

namespace {

bool displayReachable()
{
    const char *display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    xcb_connection_t *connection = xcb_connect(display, nullptr);
    const bool reachable = connection && !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return reachable;
}

} // namespace

bool shouldChooseX11(int argc, const char *const *argv, bool platformVariableSet,
                     bool displayReachable)
{
    if (platformVariableSet || !displayReachable)
        return false;
    for (int i = 1; i < argc && argv[i]; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=")
            || arg.starts_with("--platform="))
            return false;
    }
    return true;
}

void choosePlatformBeforeQApplication(int &argc, char **&argv)
{
    const char *variable = std::getenv("QT_QPA_PLATFORM");
    const bool variableSet = variable && *variable;
    // Connecting costs a round trip: only when nothing else decides.
    if (!shouldChooseX11(argc, argv, variableSet, true) || !displayReachable())
        return;
    static std::vector<char *> arguments;
    static char platformOption[] = "-platform";
    static char xcb[] = "xcb";
    arguments.assign(argv, argv + argc);
    arguments.insert(arguments.begin() + (argc > 0 ? 1 : 0), {platformOption, xcb});
    arguments.push_back(nullptr);
    argc = int(arguments.size()) - 1;
    argv = arguments.data();
}

} // namespace platform
