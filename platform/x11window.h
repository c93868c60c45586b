#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QImage;
class QWidget;

namespace platform {

// What the program asks of the X server directly, beside Qt. Every call is a
// no-op on other platforms (offscreen tests) and for a widget without a native
// window.
namespace x11 {

// True when the application runs on the xcb platform.
bool available();

// Sets the text task bars show for the window (_NET_WM_ICON_NAME and
// WM_ICON_NAME); Qt does not pass a changed icon text on once the window is shown.
void setIconName(const QWidget *window, const QString &name);

// Makes the X server paint the image as the window's background. A window
// shown before the event loop runs gets its pixels this way without a single
// message being handled.
void setBackdrop(const QWidget *window, const QImage &image);

// The window manager's frame around the window (_NET_FRAME_EXTENTS), in Qt's
// device-independent pixels, as the window's geometry. For a
// window not yet mapped the manager is asked for it and given a short time to
// answer; without a manager the margins are empty. On other platforms, the
// frame the platform reports.
QMargins frameExtents(const QWidget *window);

// Moves a top-level window, created but not necessarily shown, so that its
// frame's top-left corner lands on the point.
void placeFrameAt(QWidget *window, QPoint frameTopLeft);

// The frame's top-left corner that centres a frame of this size on the screen.
QPoint centredFrameTopLeft(const QRect &screen, const QSize &frameSize);

// Ends the startup notification of a launch with this id ("remove:" to the
// root window) and notes the id on the window (_NET_STARTUP_ID).
void completeStartup(const QWidget *window, const QString &startupId);

// Sends what is buffered to the X server.
void flush();

// Moves a shown window to the desktop the user is on (_NET_WM_DESKTOP), unless
// it is there already or on every desktop.
void moveToCurrentDesktop(const QWidget *window);

// Asks the window manager to activate the shown window as a pager would
// (_NET_ACTIVE_WINDOW with the server's current time), which focus-stealing
// prevention lets through. Nothing waits: the time comes with an event on the
// program's own connection, and the request goes out when it arrives.
void requestActivation(const QWidget *window);

// Whether the window manager reports one of the program's windows as the
// active one (_NET_ACTIVE_WINDOW); nothing where no manager reports it.
std::optional<bool> managerShowsProgramActive();

// Whether the key with this X key code (a key event's native scan code) is
// down now, as the server sees the keyboard: a held key's repeats can reach
// the program as releases and presses. Nothing on other platforms.
std::optional<bool> keyDown(quint32 keyCode);

} // namespace x11

} // namespace platform
