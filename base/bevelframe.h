#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// The one 3-D frame of the program, for the flat controls and the clock alike:
// `width` rings along the edge of `rect`, top and left in `first`, bottom and
// right (with the top-right and bottom-left corners) in `second`. Each ring
// lies on whole device pixels and is equally thick on all four sides.
void DrawBevelFrame(QPainter &painter, QRect rect, const QColor &first, const QColor &second,
                    int width);
