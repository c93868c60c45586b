#include "x11window.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QImage>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform::x11 {

namespace {

xcb_connection_t *connection()
{
    if (auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->connection();
    return nullptr;
}

xcb_window_t windowOf(const QWidget *window)
{
    return window ? xcb_window_t(window->internalWinId()) : 0;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const auto cookie = xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t result = reply->atom;
    std::free(reply);
    return result;
}

} // namespace

bool available()
{
    return connection() != nullptr;
}

void setIconName(const QWidget *window, const QString &name)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w)
        return;
    static const xcb_atom_t netIconName = atom(c, "_NET_WM_ICON_NAME");
    static const xcb_atom_t utf8String = atom(c, "UTF8_STRING");
    const QByteArray utf8 = name.toUtf8();
    if (netIconName != XCB_ATOM_NONE && utf8String != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netIconName, utf8String, 8,
                            uint32_t(utf8.size()), utf8.constData());
    // The old property is Latin-1; what it cannot hold becomes "?".
    const QByteArray latin1 = name.toLatin1();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_ICON_NAME, XCB_ATOM_STRING, 8,
                        uint32_t(latin1.size()), latin1.constData());
    xcb_flush(c);
}

void setBackdrop(const QWidget *window, const QImage &image)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w || image.isNull())
        return;
    const xcb_setup_t *setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return;
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!geometry)
        return;
    const uint8_t depth = geometry->depth;
    std::free(geometry);
    // Only the 32-bit pixel layouts that QImage holds as they are.
    bool fourBytes = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            fourBytes = it.data->bits_per_pixel == 32;
    if ((depth != 24 && depth != 32) || !fourBytes)
        return;

    const QImage pixels = image.convertToFormat(depth == 32 ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_create_pixmap(c, depth, pixmap, w, uint16_t(pixels.width()), uint16_t(pixels.height()));
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    // Stay below the largest request the server takes.
    const qsizetype stride = pixels.bytesPerLine();
    const qsizetype maxBytes = qsizetype(xcb_get_maximum_request_length(c)) * 4 - 64;
    const int rowsPerRequest = int(qMax<qsizetype>(1, maxBytes / stride));
    for (int y = 0; y < pixels.height(); y += rowsPerRequest) {
        const int rows = qMin(rowsPerRequest, pixels.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(pixels.width()),
                      uint16_t(rows), 0, int16_t(y), 0, depth, uint32_t(stride * rows),
                      pixels.constScanLine(y));
    }
    xcb_free_gc(c, gc);
    xcb_change_window_attributes(c, w, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_free_pixmap(c, pixmap); // the window keeps it
    // Repaints a window that is already mapped.
    xcb_clear_area(c, 0, w, 0, 0, 0, 0);
    xcb_flush(c);
}

void flush()
{
    if (xcb_connection_t *c = connection())
        xcb_flush(c);
}

} // namespace platform::x11
