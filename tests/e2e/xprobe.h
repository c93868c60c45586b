// What the X probes of the end-to-end tests share. Plain xcb, no Qt.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace xprobe {

inline xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

// Connects to $DISPLAY and selects `mask` on the root window; nullptr when
// there is no display.
inline xcb_connection_t *listenOnRoot(uint32_t mask, xcb_window_t *root)
{
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return nullptr;
    }
    *root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_change_window_attributes(c, *root, XCB_CW_EVENT_MASK, &mask);
    return c;
}

} // namespace xprobe
