#pragma once

#include <Qt>

#include <functional>

class QTimer;
class QWidget;

// A control that shows a hover look, driven by its family's HoverFamily.
class HoverClient
{
public:
    virtual ~HoverClient() = default;
    virtual QWidget *hoverWidget() = 0;
    virtual void hoverEnter() = 0; // the enter step
    virtual void hoverLeave() = 0; // the leave step
    virtual bool holdsPress() const { return false; }
    virtual void cancelPress() {}
};

// Hover tracking without pointer-leave messages: the control under the pointer
// is polled every 100 ms, and only while one control of the family (its
// owner) is hovered, so an idle program runs no timer at all.
class HoverFamily
{
public:
    HoverFamily() = default;
    HoverFamily(const HoverFamily &) = delete;
    HoverFamily &operator=(const HoverFamily &) = delete;

    void attach();                       // a control of the family was created
    void detach(HoverClient *client);    // ... and is being destroyed
    void pointerMoved(HoverClient *client);
    void check();                        // the timer's poll
    void release(HoverClient *client);   // stop the timer if `client` owns it

    HoverClient *owner() const { return m_owner; }
    QTimer *timer() const { return m_timer; }
    int instances() const { return m_instances; }

    // The control under the pointer's screen position, disabled ones included.
    static QWidget *controlUnderPointer();
    static bool hasActiveWindow();
    // Whether `control`'s window gets the pointer: it is the active window and
    // no popup menu has taken the pointer over.
    static bool windowTakesPointer(QWidget *control);
    // The mouse buttons held down now.
    static Qt::MouseButtons mouseButtons();
    // Tests replace the pointer and window-system queries; empty restores them.
    static void setControlUnderPointerHook(std::function<QWidget *()> hook);
    static void setActiveWindowHook(std::function<bool()> hook);
    static void setMouseButtonsHook(std::function<Qt::MouseButtons()> hook);

private:
    QTimer *m_timer = nullptr;
    HoverClient *m_owner = nullptr;
    int m_instances = 0;
};
