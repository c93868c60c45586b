#include "platform/x11window.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QElapsedTimer>
#include <QImage>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>

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

namespace {

std::optional<QMargins> readFrameExtents(xcb_connection_t *c, xcb_window_t w, xcb_atom_t extents)
{
    const auto cookie = xcb_get_property(c, 0, w, extents, XCB_ATOM_CARDINAL, 0, 4);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply)
        return std::nullopt;
    std::optional<QMargins> result;
    if (reply->format == 32 && reply->type == XCB_ATOM_CARDINAL
        && xcb_get_property_value_length(reply) == 16) {
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(reply));
        // left, right, top, bottom
        result = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    std::free(reply);
    return result;
}

bool managerSupports(xcb_connection_t *c, xcb_window_t root, xcb_atom_t wanted)
{
    const xcb_atom_t supported = atom(c, "_NET_SUPPORTED");
    const auto cookie = xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply));
    const int count = xcb_get_property_value_length(reply) / int(sizeof(xcb_atom_t));
    const bool found = std::find(atoms, atoms + count, wanted) != atoms + count;
    std::free(reply);
    return found;
}

// How long the window manager may take to tell the frame of a new window.
constexpr int FrameExtentsWaitMs = 250;

} // namespace

QMargins frameExtents(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w) {
        // Other platforms know their frames themselves.
        const QWindow *handle = window ? window->windowHandle() : nullptr;
        return handle ? handle->frameMargins() : QMargins();
    }
    // The window manager counts screen pixels; Qt's geometry on a scaled
    // screen does not.
    const qreal ratio = window->devicePixelRatio();
    const auto scaled = [ratio](const QMargins &m) {
        return ratio == 1.0 ? m
                            : QMargins(qRound(m.left() / ratio), qRound(m.top() / ratio),
                                       qRound(m.right() / ratio), qRound(m.bottom() / ratio));
    };
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    if (extents == XCB_ATOM_NONE)
        return {};
    if (const auto known = readFrameExtents(c, w, extents))
        return scaled(*known);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE || !managerSupports(c, root, request))
        return {};
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = request;
    xcb_send_event(c, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
    QElapsedTimer waited;
    waited.start();
    while (!waited.hasExpired(FrameExtentsWaitMs)) {
        if (const auto answered = readFrameExtents(c, w, extents))
            return scaled(*answered);
        QThread::msleep(5);
    }
    return {};
}

void placeFrameAt(QWidget *window, QPoint frameTopLeft)
{
    const QMargins frame = frameExtents(window);
    // The client area's position: Qt places a window created before its frame
    // is known by its client area.
    window->setGeometry(QRect(frameTopLeft + QPoint(frame.left(), frame.top()), window->size()));
}

QPoint centredFrameTopLeft(const QRect &screen, const QSize &frameSize)
{
    return {screen.x() + (screen.width() - frameSize.width()) / 2,
            screen.y() + (screen.height() - frameSize.height()) / 2};
}

namespace {

// A value of a startup-notification message: quoted, with backslashes before
// quotes and backslashes, where a blank or one of those is in it.
QByteArray startupValue(const QByteArray &value)
{
    if (!value.contains(' ') && !value.contains('"') && !value.contains('\\'))
        return value;
    QByteArray quoted = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

} // namespace

void completeStartup(const QWidget *window, const QString &startupId)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w || startupId.isEmpty())
        return;
    const QByteArray id = startupId.toUtf8();
    static const xcb_atom_t netStartupId = atom(c, "_NET_STARTUP_ID");
    static const xcb_atom_t utf8String = atom(c, "UTF8_STRING");
    static const xcb_atom_t infoBegin = atom(c, "_NET_STARTUP_INFO_BEGIN");
    static const xcb_atom_t info = atom(c, "_NET_STARTUP_INFO");
    if (netStartupId != XCB_ATOM_NONE && utf8String != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netStartupId, utf8String, 8,
                            uint32_t(id.size()), id.constData());
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr);
    if (!geometry || infoBegin == XCB_ATOM_NONE || info == XCB_ATOM_NONE) {
        std::free(geometry);
        xcb_flush(c);
        return;
    }
    const xcb_window_t root = geometry->root;
    std::free(geometry);
    // The message goes to the root window in pieces of 20 bytes, the first
    // marked as the beginning, the last holding the terminating zero.
    QByteArray message = "remove: ID=" + startupValue(id);
    message.append('\0');
    for (qsizetype offset = 0; offset < message.size(); offset += 20) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 8;
        event.window = w;
        event.type = offset == 0 ? infoBegin : info;
        std::memcpy(event.data.data8, message.constData() + offset,
                    size_t(std::min<qsizetype>(20, message.size() - offset)));
        xcb_send_event(c, 0, root, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char *>(&event));
    }
    xcb_flush(c);
}

void flush()
{
    if (xcb_connection_t *c = connection())
        xcb_flush(c);
}

namespace {

xcb_window_t rootOf(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// A CARDINAL or WINDOW property of one 32-bit value.
std::optional<uint32_t> readValue(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property,
                                  xcb_atom_t type)
{
    if (property == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_get_property_reply_t *reply
        = xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, 1), nullptr);
    if (!reply)
        return std::nullopt;
    std::optional<uint32_t> value;
    if (reply->type == type && reply->format == 32 && xcb_get_property_value_length(reply) == 4)
        value = *static_cast<const uint32_t *>(xcb_get_property_value(reply));
    std::free(reply);
    return value;
}

void sendToRoot(xcb_connection_t *c, xcb_window_t w, xcb_atom_t type, uint32_t d0, uint32_t d1,
                uint32_t d2 = 0)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = w;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
}

constexpr uint32_t SourcePager = 2; // a request the user made through a pager or task bar

// Takes the server's time from the property change it provokes on the window,
// as Qt's own connection delivers it, and then asks for the activation. Listens
// only while a request waits, so it costs nothing otherwise.
class ActivationRequest final : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit ActivationRequest(xcb_connection_t *c)
        : QObject(qApp), m_connection(c), m_stamp(atom(c, "_BRENVIK_TIMER_STAMP")),
          m_activeWindow(atom(c, "_NET_ACTIVE_WINDOW"))
    {
        m_expiry.setSingleShot(true);
        connect(&m_expiry, &QTimer::timeout, this, &ActivationRequest::finish);
    }
    ~ActivationRequest() override { finish(); }

    void request(xcb_window_t w)
    {
        if (m_stamp == XCB_ATOM_NONE || m_activeWindow == XCB_ATOM_NONE)
            return;
        m_window = w;
        if (!m_listening) {
            qApp->installNativeEventFilter(this);
            m_listening = true;
        }
        xcb_change_property(m_connection, XCB_PROP_MODE_APPEND, w, m_stamp, XCB_ATOM_INTEGER, 32,
                            0, nullptr);
        xcb_flush(m_connection);
        // A window destroyed meanwhile never answers.
        m_expiry.start(ExpiryMs);
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto *notify = reinterpret_cast<const xcb_property_notify_event_t *>(event);
        if (notify->window != m_window || notify->atom != m_stamp
            || notify->state != XCB_PROPERTY_NEW_VALUE)
            return false;
        sendToRoot(m_connection, m_window, m_activeWindow, SourcePager, notify->time);
        xcb_delete_property(m_connection, m_window, m_stamp);
        xcb_flush(m_connection);
        // Not from within the filter: Qt is iterating over its filters.
        QTimer::singleShot(0, this, &ActivationRequest::finish);
        m_window = XCB_NONE;
        return false; // Qt takes the time from it too
    }

private:
    void finish()
    {
        m_expiry.stop();
        m_window = XCB_NONE;
        if (m_listening && qApp)
            qApp->removeNativeEventFilter(this);
        m_listening = false;
    }

    static constexpr int ExpiryMs = 2000;

    xcb_connection_t *m_connection;
    xcb_atom_t m_stamp;
    xcb_atom_t m_activeWindow;
    xcb_window_t m_window = XCB_NONE;
    bool m_listening = false;
    QTimer m_expiry;
};

} // namespace

void moveToCurrentDesktop(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w || !window->isVisible())
        return;
    static const xcb_atom_t current = atom(c, "_NET_CURRENT_DESKTOP");
    static const xcb_atom_t wmDesktop = atom(c, "_NET_WM_DESKTOP");
    const std::optional<uint32_t> here = readValue(c, rootOf(c), current, XCB_ATOM_CARDINAL);
    const std::optional<uint32_t> there = readValue(c, w, wmDesktop, XCB_ATOM_CARDINAL);
    constexpr uint32_t EveryDesktop = 0xFFFFFFFF;
    if (!here || !there || *there == *here || *there == EveryDesktop)
        return;
    sendToRoot(c, w, wmDesktop, *here, SourcePager);
    xcb_flush(c);
}

void requestActivation(const QWidget *window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t w = windowOf(window);
    if (!c || !w || !window->isVisible())
        return;
    static QPointer<ActivationRequest> request;
    if (!request)
        request = new ActivationRequest(c);
    request->request(w);
}

std::optional<bool> managerShowsProgramActive()
{
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    static const xcb_atom_t activeWindow = atom(c, "_NET_ACTIVE_WINDOW");
    const xcb_window_t root = rootOf(c);
    if (activeWindow == XCB_ATOM_NONE || !managerSupports(c, root, activeWindow))
        return std::nullopt;
    const std::optional<uint32_t> active = readValue(c, root, activeWindow, XCB_ATOM_WINDOW);
    if (!active)
        return false;
    for (const QWindow *window : QGuiApplication::topLevelWindows()) {
        if (window->handle() && window->winId() == WId(*active))
            return true;
    }
    return false;
}

std::optional<bool> keyDown(quint32 keyCode)
{
    xcb_connection_t *c = connection();
    if (!c || keyCode < 8 || keyCode > 255)
        return std::nullopt;
    xcb_query_keymap_reply_t *reply = xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr);
    if (!reply)
        return std::nullopt;
    const bool down = reply->keys[keyCode / 8] & (1u << (keyCode % 8));
    std::free(reply);
    return down;
}

} // namespace platform::x11
