// Prints the moment each top-level window is mapped, for the end-to-end tests
// that time the program: "ready" first, once it listens, then one line per map,
// "<CLOCK_MONOTONIC seconds> <window> <title>". Under a window manager the
// frame's map is the moment the window shows; the line names the client window
// inside it. Plain xcb, no Qt.
#include "xprobe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

namespace {

std::string text(xcb_connection_t *c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    xcb_get_property_reply_t *reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr);
    std::string result;
    if (reply && reply->type == type)
        result.assign(static_cast<const char *>(xcb_get_property_value(reply)),
                      size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return result;
}

} // namespace

int main()
{
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_connection_t *c = xprobe::listenOnRoot(XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY, &root);
    if (!c)
        return 1;
    const xcb_atom_t netName = xprobe::atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = xprobe::atom(c, "UTF8_STRING");
    // A round trip: from here on every map is reported.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    std::puts("ready");
    std::fflush(stdout);

    std::map<xcb_window_t, xcb_window_t> clientOfFrame;
    while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const uint8_t type = event->response_type & 0x7F;
        if (type == XCB_REPARENT_NOTIFY) {
            const auto *reparent = reinterpret_cast<xcb_reparent_notify_event_t *>(event);
            if (reparent->parent != root)
                clientOfFrame[reparent->parent] = reparent->window;
        } else if (type == XCB_MAP_NOTIFY) {
            const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
            const auto found = clientOfFrame.find(map->window);
            const xcb_window_t window = found != clientOfFrame.end() ? found->second : map->window;
            std::string title = text(c, window, netName, utf8);
            if (title.empty())
                title = text(c, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
            std::printf("%ld.%06ld %u %s\n", long(now.tv_sec), long(now.tv_nsec / 1000), window, title.c_str());
            std::fflush(stdout);
        }
        std::free(event);
    }
    xcb_disconnect(c);
    return 0;
}
