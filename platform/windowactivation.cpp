#include "windowactivation.h"

#include "application.h"
#include "desktopnotification.h"
#include "x11window.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {

// How long activation may take before the window asks for attention instead.
constexpr int ActivationWaitMs = 300;

template<typename T>
using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr),
                                            &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The X server's current time. Qt reads the events of its own connection, so
// a short-lived second connection provokes a property change and takes the
// time stamp of its notification.
xcb_timestamp_t serverTime()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return XCB_CURRENT_TIME;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &mask);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME,
                        XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(connection);
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const bool found = (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY;
        if (found)
            time = reinterpret_cast<xcb_property_notify_event_t *>(event)->time;
        std::free(event);
        if (found)
            break;
    }
    xcb_destroy_window(connection, window);
    xcb_disconnect(connection);
    return time;
}

// Asks the window manager to activate the window (_NET_ACTIVE_WINDOW), as a
// pager would, which focus-stealing prevention lets through.
void requestActivation(QWidget *window)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t *connection = x11->connection();
    const xcb_atom_t activeWindow = internAtom(connection, "_NET_ACTIVE_WINDOW");
    if (activeWindow == XCB_ATOM_NONE)
        return;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = activeWindow;
    event.data.data32[0] = 2; // source: pager
    event.data.data32[1] = serverTime();
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(connection);
}

// Runs the event loop until the window is active or the time is up.
bool waitForActivation(QWidget *window)
{
    if (window->isActiveWindow())
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &loop, [&loop, window] {
        if (window->isActiveWindow())
            loop.quit();
    });
    timeout.start(ActivationWaitMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return window->isActiveWindow();
}

class DesktopWindowActivation final : public WindowActivation
{
public:
    void restore(QWidget *window) override
    {
        if (window->isMinimized())
            window->showNormal();
    }

    bool bringToForeground(QWidget *window) override
    {
        restore(window);
        window->raise();
        window->activateWindow();
        if (window->isActiveWindow())
            return true;
        if (window->isVisible())
            requestActivation(window);
        if (waitForActivation(window))
            return true;
        // The desktop refused: at least mark the window as wanting attention.
        QApplication::alert(window);
        return false;
    }

    void requestAttention(QWidget *window, const QString &text) override
    {
        // Cleared by Qt when the window becomes active.
        QApplication::alert(window);
        if (!canBringForward()) {
            // Owned by the application, so it goes before the bus connection does.
            if (!m_notification)
                m_notification = new DesktopNotification(qApp);
            m_notification->show(Application::title(), text);
        }
    }

    void withdrawAttention(QWidget *) override
    {
        if (m_notification)
            m_notification->withdraw();
    }

    void completeStartup(QWidget *window, const StartupToken &token) override
    {
        if (!token.startupId.isEmpty())
            x11::completeStartup(window, token.startupId);
        // Qt's xdg-shell takes the token from here at the window's next
        // activation, and uses it once.
        if (!token.activationToken.isEmpty() && !canBringForward())
            qputenv("XDG_ACTIVATION_TOKEN", token.activationToken.toUtf8());
    }

private:
    // A Wayland client can neither raise nor activate its own window.
    static bool canBringForward()
    {
        return !QGuiApplication::platformName().startsWith(u"wayland");
    }

    QPointer<DesktopNotification> m_notification;
};

} // namespace

StartupToken StartupToken::fromEnvironment()
{
    return {qEnvironmentVariable("DESKTOP_STARTUP_ID"), qEnvironmentVariable("XDG_ACTIVATION_TOKEN")};
}

StartupToken StartupToken::checked() const
{
    // Launchers make short ASCII ids; a long one or one with control
    // characters is no launcher's.
    const auto usable = [](const QString &text) {
        if (text.size() > 1024)
            return QString();
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
                return QString();
        }
        return text;
    };
    return {usable(startupId), usable(activationToken)};
}

WindowActivation &WindowActivation::system()
{
    static DesktopWindowActivation activation;
    return activation;
}

} // namespace platform
