#include "controls/hoverfamily.h"

#include <QApplication>
#include <QCursor>
#include <QTimer>
#include <QWidget>

namespace {
std::function<QWidget *()> &underPointerHook()
{
    static std::function<QWidget *()> hook;
    return hook;
}
std::function<bool()> &activeWindowHook()
{
    static std::function<bool()> hook;
    return hook;
}
std::function<Qt::MouseButtons()> &mouseButtonsHook()
{
    static std::function<Qt::MouseButtons()> hook;
    return hook;
}
} // namespace

void HoverFamily::attach()
{
    if (m_instances++ == 0) {
        m_timer = new QTimer;
        m_timer->setInterval(100);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [this] { check(); });
    }
}

void HoverFamily::detach(HoverClient *client)
{
    release(client);
    if (--m_instances == 0) {
        delete m_timer;
        m_timer = nullptr;
        m_owner = nullptr;
    }
}

void HoverFamily::pointerMoved(HoverClient *client)
{
    if (m_owner == client || controlUnderPointer() != client->hoverWidget())
        return;
    if (m_owner)
        m_owner->hoverLeave();
    if (!hasActiveWindow())
        return;
    m_timer->stop();
    m_owner = client;
    m_timer->start();
    client->hoverEnter();
}

void HoverFamily::check()
{
    if (!m_owner)
        return;
    // A release that went elsewhere (to a modal window or a popup) never
    // reaches the control; the poll notices the button is up.
    if (m_owner->holdsPress() && !(mouseButtons() & Qt::LeftButton))
        m_owner->cancelPress();
    // An open menu or another active window takes the pointer even while it
    // rests over the control.
    if (m_owner
        && (controlUnderPointer() != m_owner->hoverWidget()
            || !windowTakesPointer(m_owner->hoverWidget())))
        m_owner->hoverLeave();
}

void HoverFamily::release(HoverClient *client)
{
    if (m_owner != client || !client)
        return;
    m_timer->stop();
    m_owner = nullptr;
}

QWidget *HoverFamily::controlUnderPointer()
{
    if (underPointerHook())
        return underPointerHook()();
    return QApplication::widgetAt(QCursor::pos());
}

bool HoverFamily::hasActiveWindow()
{
    if (activeWindowHook())
        return activeWindowHook()();
    return QApplication::activeWindow() != nullptr;
}

bool HoverFamily::windowTakesPointer(QWidget *control)
{
    if (QApplication::activePopupWidget())
        return false;
    if (activeWindowHook())
        return activeWindowHook()();
    return control->isActiveWindow();
}

Qt::MouseButtons HoverFamily::mouseButtons()
{
    if (mouseButtonsHook())
        return mouseButtonsHook()();
    return QGuiApplication::mouseButtons();
}

void HoverFamily::setMouseButtonsHook(std::function<Qt::MouseButtons()> hook)
{
    mouseButtonsHook() = std::move(hook);
}

void HoverFamily::setControlUnderPointerHook(std::function<QWidget *()> hook)
{
    underPointerHook() = std::move(hook);
}

void HoverFamily::setActiveWindowHook(std::function<bool()> hook)
{
    activeWindowHook() = std::move(hook);
}
