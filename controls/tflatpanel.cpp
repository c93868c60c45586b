#include "controls/tflatpanel.h"

#include "base/bevelframe.h"
#include "controls/flataccessible.h"
#include "controls/flatdraw.h"

#include <QPainter>

TFlatPanel::TFlatPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
    m_colors.followParent(ParentBackgroundColor(this, FlatColors::btnFace()));
}

void TFlatPanel::setColorHighLight(const QColor &color)
{
    if (m_colorHighLight == color)
        return;
    m_colorHighLight = color;
    update();
}

void TFlatPanel::setColorShadow(const QColor &color)
{
    if (m_colorShadow == color)
        return;
    m_colorShadow = color;
    update();
}

void TFlatPanel::setTransparent(bool on)
{
    if (m_transparent == on)
        return;
    m_transparent = on;
    update();
}

void TFlatPanel::setColor(const QColor &color)
{
    if (m_colors.setBase(color))
        update();
}

void TFlatPanel::setParentColor(bool on)
{
    if (m_colors.setParentColor(on, parentsColor()))
        update();
}

void TFlatPanel::setAlignment(Flat::TAlignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    update();
}

void TFlatPanel::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
    FlatAccessible::nameChanged(this);
}

bool TFlatPanel::event(QEvent *event)
{
    if ((event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange)
        && m_colors.followParent(parentsColor()))
        update();
    return QWidget::event(event);
}

void TFlatPanel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    QWidget::changeEvent(event);
}

void TFlatPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect client = rect();
    if (m_transparent)
        PaintParentBackground(this, painter);
    else
        painter.fillRect(client, color());
    DrawBevelFrame(painter, client, m_colorHighLight, m_colorShadow, 1);
    int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    flags |= m_alignment == Flat::taLeftJustify    ? Qt::AlignLeft
             : m_alignment == Flat::taRightJustify ? Qt::AlignRight
                                             : Qt::AlignHCenter;
    DrawFlatCaption(painter, this, client, flags, m_caption);
}
