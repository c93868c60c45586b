#pragma once

#include "controls/flattypes.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

class QFont;
class QPainter;
class QWidget;

// Drawing routines shared by the flat controls.

// Derives a colour from `base` through the HSL model on the 0-240 scale; a
// percentage of 0 gives `fallback`. Lightening is bounded by lightness 100 of
// 240, so light colours come out darker; that look is the family's own.
QColor AdvancedColor(const QColor &base, const QColor &fallback, int percentage,
                     Flat::AdvColorDirection direction);

// Draws `image` at `origin`; at a device pixel ratio other than 1 each image
// pixel becomes a square of whole device pixels, centred on the same place.
void DrawGlyph(QPainter &painter, const QPoint &origin, const QImage &image);

// Draws the parent's background and own content lying under `control`.
void PaintParentBackground(QWidget *control, QPainter &painter);

struct GlyphCaptionLayout
{
    QPoint glyphOrigin;
    QRect captionRect;
};

// Places glyph and one-line caption within `client`; `glyphStrip` is the size of
// the whole image strip of `numGlyphs` images. Margin and spacing -1 centre or
// spread; `offset` is (1, 1) for a pressed look.
GlyphCaptionLayout LayoutGlyphAndCaption(const QFont &font, const QRect &client,
                                         const QPoint &offset, const QString &caption,
                                         Flat::TButtonLayout layout, int margin, int spacing,
                                         const QSize &glyphStrip, int numGlyphs);

// The engraved look of a glyph: pixels of `outline` (white ones for a
// two-coloured image) drawn in `highlight` one pixel right and down, then in
// `shadow` in place, on a `background` filled image.
QImage MakeDisabledGlyph(const QImage &image, const QColor &outline, const QColor &background,
                         const QColor &highlight, const QColor &shadow, bool drawHighlight);

// A caption in the control's font and text colour; a disabled control's is
// engraved: highlight one pixel right and down, then shadow in place.
void DrawFlatCaption(QPainter &painter, const QWidget *control, const QRect &rect, int flags,
                     const QString &caption);

// The desktop's focus mark: a dotted one-pixel frame, every other pixel set,
// the corners included.
void DrawFocusRect(QPainter &painter, const QRect &rect, const QColor &color);

// `image` with every pixel of its bottom-left pixel's colour made transparent.
QImage TransparentGlyph(const QImage &image);
