#include "platform/windowmanager.h"

#include "platform/x11window.h"

#include <QWidget>

namespace platform {

namespace {

class DesktopWindowManager final : public WindowManager
{
public:
    void centreFrame(QWidget *window, const QRect &screen) override
    {
        const QSize frame = window->size().grownBy(x11::frameExtents(window));
        x11::placeFrameAt(window, x11::centredFrameTopLeft(screen, frame));
    }

    void setIconName(QWidget *window, const QString &name) override
    {
        x11::setIconName(window, name);
    }
};

} // namespace

WindowManager &WindowManager::system()
{
    static DesktopWindowManager manager;
    return manager;
}

} // namespace platform
