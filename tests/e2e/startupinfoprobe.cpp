// Prints every startup-notification message sent to the root window
// (_NET_STARTUP_INFO_BEGIN, _NET_STARTUP_INFO), one per line, for the
// end-to-end tests: "ready" first, once it listens. Plain xcb, no Qt.
#include "xprobe.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

int main()
{
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_connection_t *c = xprobe::listenOnRoot(XCB_EVENT_MASK_PROPERTY_CHANGE, &root);
    if (!c)
        return 1;
    const xcb_atom_t begin = xprobe::atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = xprobe::atom(c, "_NET_STARTUP_INFO");
    xcb_flush(c);
    std::puts("ready");
    std::fflush(stdout);

    // Messages come in pieces of 20 bytes per sending window; a zero ends one.
    std::map<xcb_window_t, std::string> pending;
    while (xcb_generic_event_t *event = xcb_wait_for_event(c)) {
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
            if (message->format == 8 && (message->type == begin || message->type == more)) {
                std::string &text = pending[message->window];
                if (message->type == begin)
                    text.clear();
                for (const uint8_t byte : message->data.data8) {
                    if (byte == 0) {
                        std::printf("%s\n", text.c_str());
                        std::fflush(stdout);
                        pending.erase(message->window);
                        break;
                    }
                    text += char(byte);
                }
            }
        }
        std::free(event);
    }
    return 0;
}
