#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Where the secondary windows open, from the main window's frame (title bar and
// border included) and the primary screen's size. Nothing keeps a window on the
// screen: the results may be negative or reach past its edges.
namespace Placement {

// The options dialog: centred over the main window, halves truncated toward zero.
QPoint centredOver(const QRect &mainFrame, const QSize &windowFrame);

// The help window: on the main window's top-left corner, pulled up or left when
// a 449 x 435 window would not fit below or right of it.
QPoint helpWindow(const QPoint &mainTopLeft, const QSize &screen);

// The info window: as the help window with 377 x 215, but the fit is tested
// against one pixel less (376, 214) than what is subtracted.
QPoint infoWindow(const QPoint &mainTopLeft, const QSize &screen);

// The frame size a top-level window with this client size will get, taking
// the window decoration from `decorated` (the main window), since the frame of
// a window not yet shown is unknown.
QSize frameSizeLike(const QWidget &decorated, const QSize &clientSize);

} // namespace Placement
