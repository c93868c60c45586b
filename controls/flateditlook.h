#pragma once

#include "controls/flatcolors.h"

#include <QColor>

class QPainter;
class QRect;

// Colour state of the flat edit fields (line edits and the memo): flat and
// focus colours, the parent-colour link and the advanced colours.
struct FlatEditLook
{
    QColor colorFocused = FlatColors::Focus;
    QColor colorBorder = FlatColors::Border;
    QColor colorFlat = FlatColors::Face;
    bool parentColor = true;
    bool useAdvColors = false;
    int advColorFocused = 10;
    int advColorBorder = 50;

    void computeAdvColors();
    // The parent's or the system colours changed; returns whether to redraw.
    void followParent(const QColor &parentsColor);
    QColor background(bool focusLook) const { return focusLook ? colorFocused : colorFlat; }
    // Three one-pixel rings from the outside in: border, then the face twice.
    void drawBorder(QPainter &painter, const QRect &rect, bool focusLook) const;
};
