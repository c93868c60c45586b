#include "dialogs/placement.h"

#include <QWidget>

namespace Placement {

QPoint centredOver(const QRect &mainFrame, const QSize &windowFrame)
{
    // C++ division truncates toward zero, as the placement requires for a
    // window larger than the main window.
    const int top = mainFrame.top() + (mainFrame.height() - windowFrame.height()) / 2;
    const int left = mainFrame.left() + (mainFrame.width() - windowFrame.width()) / 2;
    return {left, top};
}

QPoint helpWindow(const QPoint &mainTopLeft, const QSize &screen)
{
    const int top = screen.height() < mainTopLeft.y() + 435 ? screen.height() - 435 : mainTopLeft.y();
    const int left = screen.width() < mainTopLeft.x() + 449 ? screen.width() - 449 : mainTopLeft.x();
    return {left, top};
}

QPoint infoWindow(const QPoint &mainTopLeft, const QSize &screen)
{
    const int top = screen.height() < mainTopLeft.y() + 214 ? screen.height() - 215 : mainTopLeft.y();
    const int left = screen.width() < mainTopLeft.x() + 376 ? screen.width() - 377 : mainTopLeft.x();
    return {left, top};
}

QSize frameSizeLike(const QWidget &decorated, const QSize &clientSize)
{
    const QSize decoration = decorated.frameGeometry().size() - decorated.geometry().size();
    return clientSize + decoration;
}

} // namespace Placement
