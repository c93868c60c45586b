#include "platform/windowactivation.h"

#include "platform/application.h"
#include "platform/attentionwatch.h"
#include "platform/desktopnotification.h"
#include "platform/x11window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>

namespace platform {

namespace {

// Whether one of the program's windows is the active one: the window manager's
// word where it gives one (an X server can hand the focus to a window that
// XWayland's compositor still keeps behind its own windows), else Qt's.
bool programWindowActive()
{
    if (const std::optional<bool> managerSays = x11::managerShowsProgramActive())
        return *managerSays;
    return QGuiApplication::focusWindow() != nullptr;
}

class DesktopWindowActivation final : public WindowActivation
{
public:
    void restore(QWidget *window) override
    {
        if (window->isMinimized())
            window->showNormal();
    }

    // Waits for nothing: the alarm message comes straight after. Whether the
    // window became active is checked later by the attention watch.
    bool bringToForeground(QWidget *window) override
    {
        restore(window);
        // Where the user is, not on the desktop it was left on.
        x11::moveToCurrentDesktop(window);
        window->raise();
        window->activateWindow();
        watch().raised();
        if (window->isActiveWindow())
            return true;
        x11::requestActivation(window);
        return false;
    }

    void requestAttention(QWidget *window, const QString &text) override
    {
        // Cleared by Qt when the window becomes active.
        QApplication::alert(window);
        watch().watch(Application::title(), text);
    }

    void withdrawAttention(QWidget *) override
    {
        if (m_watch)
            m_watch->withdraw();
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

    // Owned by the application, so it goes before the bus connection does.
    AttentionWatch &watch()
    {
        if (!m_watch) {
            auto *notification = new DesktopNotification(qApp);
            m_watch = new AttentionWatch(
                programWindowActive,
                {[notification](const QString &summary, const QString &body) {
                     notification->show(summary, body);
                 },
                 [notification] { notification->withdraw(); }},
                notification);
        }
        return *m_watch;
    }

    QPointer<AttentionWatch> m_watch;
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
