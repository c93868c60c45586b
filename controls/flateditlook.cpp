#include "controls/flateditlook.h"

#include "controls/flatdraw.h"

#include <QPainter>

void FlatEditLook::computeAdvColors()
{
    if (!useAdvColors)
        return;
    colorFocused = AdvancedColor(colorFlat, colorFocused, advColorFocused, Lighten);
    colorBorder = AdvancedColor(colorFlat, colorBorder, advColorBorder, Darken);
}

void FlatEditLook::followParent(const QColor &parentsColor)
{
    if (useAdvColors) {
        colorFlat = parentsColor;
        computeAdvColors();
    } else if (parentColor) {
        colorFlat = parentsColor;
    }
}

void FlatEditLook::drawBorder(QPainter &painter, const QRect &rect, bool focusLook) const
{
    const QColor face = background(focusLook);
    DrawBevelFrame(painter, rect, colorBorder, colorBorder, 1);
    DrawBevelFrame(painter, rect.adjusted(1, 1, -1, -1), face, face, 2);
}
