#pragma once

#include <QString>

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

// Sends what is buffered to the X server.
void flush();

} // namespace x11

} // namespace platform
