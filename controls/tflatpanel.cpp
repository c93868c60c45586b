#include "controls/tflatpanel.h"

#include "controls/flatdraw.h"

#include <QPainter>

TFlatPanel::TFlatPanel(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
    m_color = parentsColor();
}

QColor TFlatPanel::parentsColor() const
{
    if (QWidget *p = parentWidget())
        return p->palette().color(p->backgroundRole());
    return m_color;
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
    m_parentColor = false;
    if (m_color == color)
        return;
    m_color = color;
    update();
}

void TFlatPanel::setParentColor(bool on)
{
    if (m_parentColor == on)
        return;
    m_parentColor = on;
    if (on) {
        m_color = parentsColor();
        update();
    }
}

void TFlatPanel::setAlignment(TAlignment alignment)
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
}

bool TFlatPanel::event(QEvent *event)
{
    if ((event->type() == QEvent::ParentChange || event->type() == QEvent::PaletteChange)
        && m_parentColor) {
        m_color = parentsColor();
        update();
    }
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
        painter.fillRect(client, m_color);
    DrawBevelFrame(painter, client, m_colorHighLight, m_colorShadow, 1);
    if (m_caption.isEmpty())
        return;
    int flags = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    flags |= m_alignment == taLeftJustify    ? Qt::AlignLeft
             : m_alignment == taRightJustify ? Qt::AlignRight
                                             : Qt::AlignHCenter;
    painter.setFont(font());
    if (!isEnabled()) {
        painter.setPen(FlatColors::btnHighlight());
        painter.drawText(client.translated(1, 1), flags, m_caption);
        painter.setPen(FlatColors::btnShadow());
    } else {
        painter.setPen(palette().color(QPalette::Active, foregroundRole()));
    }
    painter.drawText(client, flags, m_caption);
}
