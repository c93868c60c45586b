#pragma once

#include "controls/hoverfamily.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

// Stands in for the pointer in hover tests: which control lies under it, and
// whether the application has an active window.
struct FakePointer
{
    QPointer<QWidget> over;
    bool active = true;

    FakePointer()
    {
        HoverFamily::setControlUnderPointerHook([this] { return over.data(); });
        HoverFamily::setActiveWindowHook([this] { return active; });
    }
    ~FakePointer()
    {
        HoverFamily::setControlUnderPointerHook({});
        HoverFamily::setActiveWindowHook({});
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
        QMouseEvent event(QEvent::MouseButtonPress, pos, widget->mapToGlobal(pos), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    void release(QWidget *widget, QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        over = widget->rect().contains(pos) ? widget : nullptr;
        QMouseEvent event(QEvent::MouseButtonRelease, pos, widget->mapToGlobal(pos), button,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    void click(QWidget *widget, QPoint pos)
    {
        move(widget, pos);
        press(widget, pos);
        release(widget, pos);
    }
};
