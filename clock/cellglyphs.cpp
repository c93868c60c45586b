#include "clock/cellglyphs.h"

#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal MetresPerInch = 0.0254;

} // namespace

void CellGlyphs::setStyle(const Style &style)
{
    if (style == m_style)
        return;
    m_style = style;
    m_kept.clear();
}

const QImage *CellGlyphs::target(QPainter &painter, const QRect &cell, QPoint *deviceTopLeft)
{
    // Only the raster engine paints into an image we can read back, and only a
    // plain translation by whole pixels keeps a copy exact.
    QPaintEngine *engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.opacity() != 1.0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return nullptr;
    QPaintDevice *device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return nullptr;
    const auto *image = static_cast<const QImage *>(device);
    if (image->devicePixelRatio() != 1.0)
        return nullptr;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxTranslate || t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return nullptr;
    const QPoint topLeft = cell.topLeft() + QPoint(int(t.dx()), int(t.dy()));
    if (!image->rect().contains(QRect(topLeft, cell.size())))
        return nullptr;
    *deviceTopLeft = topLeft;
    return image;
}

bool CellGlyphs::copyTo(QPainter &painter, const QRect &cell, QChar c) const
{
    if (cell.size() != m_style.cell)
        return false;
    const auto kept = m_kept.constFind(c.unicode());
    if (kept == m_kept.cend() || kept->isNull())
        return false;
    QPoint at;
    const QImage *image = target(painter, cell, &at);
    if (!image || image->format() != kept->format())
        return false;
    // Replaced, not blended: the cell is not filled first.
    const auto mode = painter.compositionMode();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(cell.topLeft(), *kept);
    painter.setCompositionMode(mode);
    return true;
}

bool CellGlyphs::staysInside(const QImage &format, QChar c, int textFlags) const
{
    // Drawn once more on a margin as wide as the cell is high, at the widget's
    // resolution: any pixel of the margin that changed is ink outside the cell.
    const int margin = m_style.cell.height();
    QImage scratch(m_style.cell + QSize(2 * margin, 2 * margin), format.format());
    const int dotsPerMetre = int(std::ceil(m_style.dpi / MetresPerInch));
    scratch.setDotsPerMeterX(dotsPerMetre);
    scratch.setDotsPerMeterY(dotsPerMetre);
    if (scratch.logicalDpiY() != m_style.dpi)
        return false;
    scratch.fill(m_style.background);
    {
        QPainter p(&scratch);
        p.setFont(m_style.font);
        p.setPen(QColor::fromRgba(m_style.pen));
        p.drawText(QRect(QPoint(margin, margin), m_style.cell), textFlags, QString(c));
    }
    const QRgb background = scratch.pixel(0, 0);
    const QRect inside(QPoint(margin, margin), m_style.cell);
    for (int y = 0; y < scratch.height(); ++y)
        for (int x = 0; x < scratch.width(); ++x)
            if (!inside.contains(x, y) && scratch.pixel(x, y) != background)
                return false;
    return true;
}

void CellGlyphs::keep(QPainter &painter, const QRect &cell, QChar c, int textFlags)
{
    if (cell.size() != m_style.cell || m_kept.contains(c.unicode()))
        return;
    QPoint at;
    const QImage *image = target(painter, cell, &at);
    if (!image)
        return;
    m_kept.insert(c.unicode(), staysInside(*image, c, textFlags) ? image->copy(QRect(at, cell.size())) : QImage());
}

int CellGlyphs::keptCount() const
{
    int n = 0;
    for (const QImage &image : m_kept)
        n += image.isNull() ? 0 : 1;
    return n;
}
