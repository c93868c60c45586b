#pragma once

#include <QRect>
#include <QString>

class QWidget;

namespace platform {

// What the main window asks of the window manager beside Qt: where its frame
// goes, and the text task bars show for it. Behind an interface so that tests
// see what was asked.
class WindowManager
{
public:
    virtual ~WindowManager() = default;

    // Centres the frame of a created top-level window, title bar included, on
    // the screen's rectangle.
    virtual void centreFrame(QWidget *window, const QRect &screen) = 0;
    // The text task bars show for the window (its icon name), also once the
    // window is shown.
    virtual void setIconName(QWidget *window, const QString &name) = 0;

    static WindowManager &system();
};

} // namespace platform
