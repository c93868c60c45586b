#include "controls/flatbuttonbase.h"

#include "base/bevelframe.h"

#include "controls/flataccessible.h"

#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

using enum Flat::TFlatButtonState;
using enum Flat::TTransparentMode;

FlatButtonBase::FlatButtonBase(QWidget *parent, HoverFamily &family)
    : FlatHoverControl(parent, family, FlatColorScheme(FlatColorScheme::Buttons, FlatColors::Face))
{
    resize(25, 25);
}

void FlatButtonBase::setColorHighLight(const QColor &color)
{
    if (m_colorHighLight == color)
        return;
    m_colorHighLight = color;
    update();
}

void FlatButtonBase::setColorShadow(const QColor &color)
{
    if (m_colorShadow == color)
        return;
    m_colorShadow = color;
    update();
}

void FlatButtonBase::setTransparentMode(Flat::TTransparentMode mode)
{
    if (m_transparentMode == mode)
        return;
    m_transparentMode = mode;
    update();
}

void FlatButtonBase::setGlyph(const QPixmap &glyph)
{
    if (!m_glyph.isNull() && glyph.cacheKey() == m_glyph.cacheKey())
        return;
    m_glyph = glyph;
    if (!m_glyph.isNull() && m_glyph.height() > 0 && m_glyph.width() % m_glyph.height() == 0) {
        const int count = m_glyph.width() / m_glyph.height();
        m_numGlyphs = count > 4 ? 1 : count;
    }
    update();
}

void FlatButtonBase::setNumGlyphs(int count)
{
    count = std::clamp(count, 1, 4);
    if (m_numGlyphs == count)
        return;
    m_numGlyphs = count;
    update();
}

void FlatButtonBase::setLayout(Flat::TButtonLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    update();
}

void FlatButtonBase::setMargin(int margin)
{
    if (margin < -1 || m_margin == margin)
        return;
    m_margin = margin;
    update();
}

void FlatButtonBase::setSpacing(int spacing)
{
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    update();
}

void FlatButtonBase::setGroupIndex(int index)
{
    if (m_groupIndex == index)
        return;
    m_groupIndex = index;
    if (m_groupIndex != 0 && parentWidget())
        tellGroup();
}

void FlatButtonBase::setAllowAllUp(bool allow)
{
    if (m_allowAllUp == allow)
        return;
    m_allowAllUp = allow;
    if (m_groupIndex != 0 && parentWidget())
        tellGroup();
}

void FlatButtonBase::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down || (m_down && !m_allowAllUp))
        return;
    m_down = down;
    downChanged();
    if (down) {
        setState(fbsLatched);
        update();
        tellGroup();
    } else {
        setState(fbsUp);
        repaint();
    }
}

void FlatButtonBase::setState(Flat::TFlatButtonState state)
{
    const bool wasPressed = m_state == fbsPressed;
    m_state = state;
    if (wasPressed != (state == fbsPressed)) {
        QAccessible::State pressed;
        pressed.pressed = true;
        FlatAccessible::stateChanged(this, pressed);
    }
}

void FlatButtonBase::downChanged()
{
    QAccessible::State checked;
    checked.checked = true;
    FlatAccessible::stateChanged(this, checked);
}

void FlatButtonBase::tellGroup()
{
    QWidget *p = parentWidget();
    if (!p)
        return;
    const QObjectList siblings = p->children();
    for (QObject *child : siblings)
        if (auto *button = qobject_cast<FlatButtonBase *>(child))
            if (button != this)
                button->groupNotification(m_groupIndex, this);
}

void FlatButtonBase::groupNotification(int groupIndex, FlatButtonBase *sender)
{
    if (groupIndex != m_groupIndex || !isSameKind(sender))
        return;
    if (sender->m_down && m_down) {
        m_down = false;
        downChanged();
        setState(fbsUp);
        update();
    }
    m_allowAllUp = sender->m_allowAllUp;
}

void FlatButtonBase::click()
{
    if (auto *dialog = qobject_cast<QDialog *>(window())) {
        // A result of 0 keeps a modal dialog open, as any other result closes it.
        dialog->setResult(m_modalResult);
        if (m_modalResult != 0 && dialog->isModal() && dialog->isVisible())
            dialog->done(m_modalResult);
    }
    emit OnClick(this);
}

void FlatButtonBase::pressCancelled()
{
    if (isEnabled())
        setState(restingState());
}

bool FlatButtonBase::isInside(const QPoint &pos) const
{
    // The row just below the button counts as inside.
    return pos.x() >= 0 && pos.x() < width() && pos.y() >= 0 && pos.y() <= height();
}

void FlatButtonBase::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (event->button() == Qt::LeftButton && isEnabled()) {
        if (!m_down) {
            setState(fbsPressed);
            update();
        }
        beginPress();
    }
    afterPress(event->button());
}

void FlatButtonBase::mouseDoubleClickEvent(QMouseEvent *event)
{
    // Qt delivers the second press of a double click as this event.
    mousePressEvent(event);
    if (m_down)
        emit OnDblClick(this);
}

void FlatButtonBase::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
    hoverFamily().pointerMoved(this);
    if (!pressing())
        return;
    Flat::TFlatButtonState next;
    if (isInside(pos))
        next = m_down ? fbsLatched : fbsPressed;
    else
        next = m_down ? fbsLatched : fbsUp;
    if (next != m_state) {
        setState(next);
        update();
    }
}

void FlatButtonBase::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
    if (pressing() && event->button() == Qt::LeftButton) {
        endPress();
        const bool inside = isInside(pos);
        if (m_groupIndex == 0) {
            setState(fbsUp);
            setMouseInside(false);
            if (inside)
                update();
        } else if (inside) {
            setDown(!m_down);
            if (m_down)
                repaint();
        } else {
            if (m_down)
                setState(fbsLatched);
            repaint();
        }
        // A click handler may delete the button.
        const QPointer<FlatButtonBase> alive(this);
        if (inside)
            click();
        else
            hoverLeave();
        if (!alive)
            return;
        reevaluateHover();
    }
    afterRelease(event->button());
}

void FlatButtonBase::enterEvent(QEnterEvent *event)
{
    FlatHoverControl::enterEvent(event);
    emit OnMouseEnter(this);
}

void FlatButtonBase::leaveEvent(QEvent *event)
{
    FlatHoverControl::leaveEvent(event);
    emit OnMouseLeave(this);
}

void FlatButtonBase::changeEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (isEnabled()) {
            if (m_state == fbsDisabled)
                setState(restingState());
        } else {
            setState(fbsDisabled);
            endPress();
        }
        setMouseInside(false);
        hoverFamily().release(this);
        reevaluateHover();
        update();
        break;
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    FlatHoverControl::changeEvent(event);
}

GlyphCaptionLayout FlatButtonBase::placement() const
{
    const Flat::TFlatButtonState state = paintedState();
    const QPoint offset = (state == fbsPressed || state == fbsLatched) ? QPoint(1, 1) : QPoint(0, 0);
    return LayoutGlyphAndCaption(font(), rect(), offset, caption(), m_layout, m_margin, m_spacing,
                                 m_glyph.isNull() ? QSize() : m_glyph.size(), m_numGlyphs);
}

Flat::TFlatButtonState FlatButtonBase::paintedState() const
{
    if (!isEnabled())
        return fbsDisabled;
    return m_state == fbsDisabled ? restingState() : m_state;
}

QColor FlatButtonBase::faceColor(Flat::TFlatButtonState state, bool hoverFace) const
{
    switch (state) {
    case fbsUp:
        return hoverFace ? colorFocused() : color();
    case fbsDisabled:
        return color();
    case fbsPressed:
        return colorDown();
    case fbsLatched:
        return hoverFace ? colorFocused() : colorDown();
    }
    return color();
}

void FlatButtonBase::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect client = rect();
    const Flat::TFlatButtonState state = paintedState();
    const GlyphCaptionLayout placed = placement();
    const bool hovered = mouseInside();

    switch (m_transparentMode) {
    case tmAlways:
        if (isWindowed())
            PaintParentBackground(this, painter);
        break;
    case tmNone:
        painter.fillRect(client, faceColor(state, hovered));
        break;
    case tmNotFocused:
        if (hovered)
            painter.fillRect(client, faceColor(state, true));
        else if (isWindowed())
            PaintParentBackground(this, painter);
        break;
    }

    switch (state) {
    case fbsUp:
        if (hovered)
            DrawBevelFrame(painter, client, m_colorHighLight, m_colorShadow, 1);
        else
            DrawBevelFrame(painter, client, colorBorder(), colorBorder(),
                           drawsDefaultFrame() ? 2 : 1);
        break;
    case fbsDisabled:
        DrawBevelFrame(painter, client, colorBorder(), colorBorder(), 1);
        break;
    case fbsPressed:
    case fbsLatched:
        DrawBevelFrame(painter, client, m_colorShadow, m_colorHighLight, 1);
        break;
    }

    if (!m_glyph.isNull()) {
        int index = 0;
        if (m_numGlyphs == 2)
            index = state == fbsDisabled ? 1 : 0;
        else if (m_numGlyphs == 3)
            index = state == fbsUp ? 0 : state == fbsDisabled ? 1 : 2;
        else if (m_numGlyphs == 4)
            index = int(state);
        const int w = m_glyph.width() / m_numGlyphs;
        QImage image = m_glyph.toImage().copy(index * w, 0, w, m_glyph.height());
        if (m_numGlyphs == 1 && state == fbsDisabled)
            image = MakeDisabledGlyph(image, Qt::black, FlatColors::btnFace(),
                                      FlatColors::btnHighlight(), FlatColors::btnShadow(), true);
        DrawGlyph(painter, placed.glyphOrigin, TransparentGlyph(image));
    }

    DrawFlatCaption(painter, this, placed.captionRect,
                    Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption());
}
