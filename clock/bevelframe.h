#pragma once

#include <QColor>
#include <QRect>

class QPainter;

// A 3-D bevel of `width` lines along the edge of `rect`, which shrinks by the
// width on every side. The clock's own copy: controls/ draws its frames alike,
// but clock/ may not depend on it.
void drawBevelFrame(QPainter &painter, QRect &rect, const QColor &topLeft,
                    const QColor &bottomRight, int width);
