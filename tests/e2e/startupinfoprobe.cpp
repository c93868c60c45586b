// Prints every startup-notification message sent to the root window
// (_NET_STARTUP_INFO_BEGIN, _NET_STARTUP_INFO), one per line, for the
// end-to-end tests: "ready" first, once it listens. Plain xcb, no Qt.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

} // namespace

int main()
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t begin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t more = atom(c, "_NET_STARTUP_INFO");
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
