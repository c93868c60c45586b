#include "controls/flatdraw.h"

#include "controls/flatcolors.h"

#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// std::nearbyint rounds halves to the even neighbour in the default rounding mode.
int roundHalfEven(double v)
{
    return int(std::nearbyint(v));
}

double hueToComponent(double m1, double m2, double h)
{
    if (h < 0)
        h += 1;
    if (h > 1)
        h -= 1;
    if (6 * h < 1)
        return m1 + (m2 - m1) * 6 * h;
    if (2 * h < 1)
        return m2;
    if (3 * h < 2)
        return m1 + (m2 - m1) * (2.0 / 3.0 - h) * 6;
    return m1;
}

} // namespace

QColor AdvancedColor(const QColor &base, const QColor &fallback, int percentage,
                     Flat::AdvColorDirection direction)
{
    if (percentage == 0)
        return fallback;
    const double r = base.red() / 255.0, g = base.green() / 255.0, b = base.blue() / 255.0;
    const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
    double h = 0, s = 0;
    const double l = (mx + mn) / 2;
    if (mx != mn) {
        const double d = mx - mn;
        s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = 2 + (b - r) / d;
        else
            h = 4 + (r - g) / d;
        h /= 6;
        if (h < 0)
            h += 1;
    }
    const int hi = roundHalfEven(h * 239);
    const int si = roundHalfEven(s * 240);
    int li = roundHalfEven(l * 240) + 10;
    // The bound of 100 on a 0-240 scale is the family's established look.
    if (direction == Flat::Lighten)
        li = li + percentage > 100 ? 100 : li + percentage;
    else
        li = li - percentage < 0 ? 0 : li - percentage;

    const double H = hi / 239.0, S = si / 240.0, L = li / 240.0;
    double rr, gg, bb;
    if (S == 0) {
        rr = gg = bb = L;
    } else {
        const double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S;
        const double m1 = 2 * L - m2;
        rr = hueToComponent(m1, m2, H + 1.0 / 3.0);
        gg = hueToComponent(m1, m2, H);
        bb = hueToComponent(m1, m2, H - 1.0 / 3.0);
    }
    // Darkening a near-white colour by a few percent gives a lightness above
    // 240 of 240; clamp instead of letting the components wrap.
    auto component = [](double v) { return std::clamp(roundHalfEven(v * 255), 0, 255); };
    return QColor(component(rr), component(gg), component(bb));
}

static qreal devicePixelRatioOf(const QPainter &painter)
{
    return painter.device() ? painter.device()->devicePixelRatio() : 1.0;
}

void DrawGlyph(QPainter &painter, const QPoint &origin, const QImage &image)
{
    const qreal dpr = devicePixelRatioOf(painter);
    if (dpr == 1.0) {
        painter.drawImage(origin, image);
        return;
    }
    // Whole device pixels per glyph pixel, centred where the glyph would lie;
    // at 1.5 two, so that small arrows do not shrink below their size at 1.
    const int factor = std::max(1, int(std::round(dpr)));
    QImage scaled = image.scaled(image.size() * factor, Qt::IgnoreAspectRatio,
                                 Qt::FastTransformation);
    scaled.setDevicePixelRatio(dpr);
    const QPointF centre = (QPointF(origin) + QPointF(image.width(), image.height()) / 2.0) * dpr;
    const QPointF topLeft(std::round(centre.x() - scaled.width() / 2.0),
                          std::round(centre.y() - scaled.height() / 2.0));
    painter.drawImage(topLeft / dpr, scaled);
}

void PaintParentBackground(QWidget *control, QPainter &painter)
{
    QWidget *parent = control->parentWidget();
    if (!parent)
        return;
    const QRect source = control->geometry() & parent->rect();
    if (source.isEmpty())
        return;
    // Render into a pixmap: the parent paints its background and own content,
    // not its children, so this control is not painted recursively.
    QPixmap pixmap(source.size() * parent->devicePixelRatio());
    pixmap.setDevicePixelRatio(parent->devicePixelRatio());
    pixmap.fill(Qt::transparent);
    parent->render(&pixmap, QPoint(), QRegion(source), QWidget::DrawWindowBackground);
    painter.save();
    painter.drawPixmap(source.topLeft() - control->pos(), pixmap);
    painter.restore();
}

GlyphCaptionLayout LayoutGlyphAndCaption(const QFont &font, const QRect &client,
                                         const QPoint &offset, const QString &caption,
                                         Flat::TButtonLayout layout, int margin, int spacing,
                                         const QSize &glyphStrip, int numGlyphs)
{
    const int w = client.width(), h = client.height();
    QSize glyph;
    if (!glyphStrip.isEmpty())
        glyph = QSize(glyphStrip.width() / std::max(1, numGlyphs), glyphStrip.height());
    else
        glyph = QSize(0, 0);
    QSize text(0, 0);
    if (!caption.isEmpty()) {
        const QSize s = QFontMetrics(font).size(Qt::TextSingleLine | Qt::TextShowMnemonic, caption);
        text = QSize(std::min(s.width(), w), s.height());
    }

    QPoint g, c;
    const bool horizontal = layout == Flat::blGlyphLeft || layout == Flat::blGlyphRight;
    if (horizontal) {
        g.setY((h - glyph.height() + 1) / 2);
        c.setY((h - text.height() + 1) / 2);
    } else {
        g.setX((w - glyph.width() + 1) / 2);
        c.setX((w - text.width() + 1) / 2);
    }
    if (text.width() == 0 || glyph.width() == 0)
        spacing = 0;

    const int client1 = horizontal ? w : h;
    const int glyph1 = horizontal ? glyph.width() : glyph.height();
    const int text1 = horizontal ? text.width() : text.height();
    if (margin == -1 && spacing == -1) {
        margin = (client1 - glyph1 - text1) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (client1 - glyph1 - spacing - text1 + 1) / 2;
    } else if (spacing == -1) {
        spacing = (client1 - margin - glyph1 - text1) / 2;
    }

    int g1, c1;
    if (layout == Flat::blGlyphLeft || layout == Flat::blGlyphTop) {
        g1 = margin;
        c1 = g1 + glyph1 + spacing;
    } else {
        g1 = client1 - margin - glyph1;
        c1 = g1 - spacing - text1;
    }
    if (horizontal) {
        g.setX(g1);
        c.setX(c1);
    } else {
        g.setY(g1);
        c.setY(c1);
    }
    const QPoint shift = client.topLeft() + offset;
    GlyphCaptionLayout result;
    result.glyphOrigin = g + shift;
    result.captionRect = text.isEmpty() ? QRect(c + shift, QSize(0, 0)) : QRect(c + shift, text);
    return result;
}

QImage MakeDisabledGlyph(const QImage &image, const QColor &outline, const QColor &background,
                         const QColor &highlight, const QColor &shadow, bool drawHighlight)
{
    const bool twoColoured = image.format() == QImage::Format_Mono
                             || image.format() == QImage::Format_MonoLSB;
    const QImage source = image.convertToFormat(QImage::Format_RGB32);
    const QRgb marker = twoColoured ? qRgb(255, 255, 255) : outline.rgb();
    QImage result(image.size(), QImage::Format_RGB32);
    result.fill(background);
    auto paintMarked = [&](int dx, int dy, const QColor &color) {
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                if ((source.pixel(x, y) & 0xffffff) == (marker & 0xffffff)
                    && result.rect().contains(x + dx, y + dy))
                    result.setPixel(x + dx, y + dy, color.rgb());
    };
    if (drawHighlight)
        paintMarked(1, 1, highlight);
    paintMarked(0, 0, shadow);
    return result;
}

QImage TransparentGlyph(const QImage &image)
{
    if (image.isNull())
        return image;
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = result.pixel(0, result.height() - 1) & 0xffffff;
    for (int y = 0; y < result.height(); ++y)
        for (int x = 0; x < result.width(); ++x)
            if ((result.pixel(x, y) & 0xffffff) == key)
                result.setPixel(x, y, 0);
    return result;
}

void DrawFlatCaption(QPainter &painter, const QWidget *control, const QRect &rect, int flags,
                     const QString &caption)
{
    if (caption.isEmpty())
        return;
    painter.setFont(control->font());
    if (!control->isEnabled()) {
        painter.setPen(FlatColors::btnHighlight());
        painter.drawText(rect.translated(1, 1), flags, caption);
        painter.setPen(FlatColors::btnShadow());
    } else {
        painter.setPen(control->palette().color(QPalette::Active, control->foregroundRole()));
    }
    painter.drawText(rect, flags, caption);
}

void DrawFocusRect(QPainter &painter, const QRect &rect, const QColor &color)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setPen(color);
    // A checkerboard along the edges: pixel by pixel, so the pattern stays even
    // whatever the frame's size.
    const int left = rect.x(), top = rect.y();
    const int right = left + rect.width() - 1, bottom = top + rect.height() - 1;
    const auto dot = [&](int x, int y) {
        if ((x - left + y - top) % 2 == 0)
            painter.drawPoint(x, y);
    };
    for (int x = left; x <= right; ++x) {
        dot(x, top);
        dot(x, bottom);
    }
    for (int y = top + 1; y < bottom; ++y) {
        dot(left, y);
        dot(right, y);
    }
    painter.restore();
}
