#pragma once

#include "controls/hoverfamily.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

// Stands in for the pointer in hover tests: which control lies under it,
// whether the application has an active window, and the buttons held down.
struct FakePointer
{
    QPointer<QWidget> over;
    bool active = true;
    Qt::MouseButtons held;

    FakePointer()
    {
        HoverFamily::setControlUnderPointerHook([this] { return over.data(); });
        HoverFamily::setActiveWindowHook([this] { return active; });
        HoverFamily::setMouseButtonsHook([this] { return held; });
    }
    ~FakePointer()
    {
        HoverFamily::setControlUnderPointerHook({});
        HoverFamily::setActiveWindowHook({});
        HoverFamily::setMouseButtonsHook({});
    }
    FakePointer(const FakePointer &) = delete;
    FakePointer &operator=(const FakePointer &) = delete;

    // Moves the pointer to `pos` of `widget` (outside it when pos lies outside)
    // and delivers the move to `widget`, which holds the capture while pressed.
    void move(QWidget *widget, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton)
    {
        over = widget->rect().contains(pos) ? widget : nullptr;
        QMouseEvent event(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    void press(QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        held |= button;
        QMouseEvent event(QEvent::MouseButtonPress, pos, widget->mapToGlobal(pos), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    void release(QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        over = widget->rect().contains(pos) ? widget : nullptr;
        held &= ~button;
        QMouseEvent event(QEvent::MouseButtonRelease, pos, widget->mapToGlobal(pos), button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    void click(QWidget *widget, QPoint pos)
    {
        move(widget, pos);
        press(widget, pos);
        release(widget, pos);
    }
};
