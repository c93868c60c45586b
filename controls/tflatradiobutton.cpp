#include "controls/tflatradiobutton.h"

#include "controls/flataccessible.h"
#include "controls/flatdraw.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

TFlatRadioButton::TFlatRadioButton(QWidget *parent)
    : FlatHoverControl(parent, family(), FlatColorScheme(FlatColorScheme::Buttons, FlatColors::Focus))
{
    setFocusPolicy(Qt::NoFocus);
    resize(121, 17);
}

HoverFamily &TFlatRadioButton::family()
{
    static HoverFamily radioButtons;
    return radioButtons;
}

QRect TFlatRadioButton::circleRect() const
{
    return m_layout == Flat::radioLeft ? QRect(1, 3, 10, 10) : QRect(width() - 11, 3, 10, 10);
}

void TFlatRadioButton::setChecked(bool checked)
{
    if (m_checked == checked)
        return;
    setTabStop(checked);
    m_checked = checked;
    if (checked) {
        if (QWidget *p = parentWidget()) {
            const QObjectList siblings = p->children();
            for (QObject *child : siblings) {
                auto *other = qobject_cast<TFlatRadioButton *>(child);
                if (other && other != this && other->m_groupIndex == m_groupIndex)
                    other->setChecked(false);
            }
        }
        click();
    }
    redrawCircle();
    QAccessible::State changed;
    changed.checked = true;
    FlatAccessible::stateChanged(this, changed);
}

void TFlatRadioButton::click()
{
    emit OnClick(this);
}

void TFlatRadioButton::clickAndCheck()
{
    const QPointer<TFlatRadioButton> alive(this); // a click handler may delete the button
    click();
    if (alive && !m_checked)
        setChecked(true);
}

void TFlatRadioButton::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

void TFlatRadioButton::setLayout(Flat::TRadioButtonLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    update();
}

void TFlatRadioButton::setBiDiMode(Qt::LayoutDirection direction)
{
    setLayoutDirection(direction);
    setLayout(direction == Qt::RightToLeft ? Flat::radioRight : Flat::radioLeft);
}

void TFlatRadioButton::setColorDot(const QColor &color)
{
    if (m_colorDot == color)
        return;
    m_colorDot = color;
    update();
}

void TFlatRadioButton::setTransparent(bool on)
{
    if (m_transparent == on)
        return;
    m_transparent = on;
    update();
}

bool TFlatRadioButton::acceleratorPressed()
{
    // The accelerator only moves the focus; it does not check the button. It
    // is used up whenever the button can take the focus.
    if (!isEnabled() || !isVisible())
        return false;
    setFocus(Qt::ShortcutFocusReason);
    return true;
}

void TFlatRadioButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    setFocus(Qt::MouseFocusReason);
    beginPress();
    redrawCircle();
    const QPoint pos = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TFlatRadioButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    mousePressEvent(event);
}

void TFlatRadioButton::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), pos.x(), pos.y());
    family().pointerMoved(this);
}

void TFlatRadioButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint pos = event->position().toPoint();
    // The toolkit's own click comes first, while the button is still unchecked.
    const QPointer<TFlatRadioButton> alive(this); // a click handler may delete the button
    if (rect().contains(pos))
        click();
    if (!alive)
        return;
    endPress();
    if (pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height() && !m_checked)
        setChecked(true);
    if (!alive)
        return;
    redrawCircle();
    emit OnMouseUp(this, event->button(), event->modifiers(), pos.x(), pos.y());
}

void TFlatRadioButton::focusInEvent(QFocusEvent *event)
{
    FlatHoverControl::focusInEvent(event);
    if (!isEnabled())
        return;
    emit OnEnter(this);
    if (pressing() && mouseInside())
        setChecked(true);
    m_hasFocus = true;
    redrawCircle();
    update(focusRect());
}

void TFlatRadioButton::focusOutEvent(QFocusEvent *event)
{
    FlatHoverControl::focusOutEvent(event);
    if (!isEnabled())
        return;
    emit OnExit(this);
    setMouseInside(false);
    m_hasFocus = false;
    redrawCircle();
    update(focusRect());
}

void TFlatRadioButton::focusSibling(int direction)
{
    QWidget *p = parentWidget();
    if (!p)
        return;
    QList<TFlatRadioButton *> group;
    for (QObject *child : p->children()) {
        auto *radio = qobject_cast<TFlatRadioButton *>(child);
        if (radio && radio->m_groupIndex == m_groupIndex && radio->isEnabled() && radio->isVisible())
            group << radio;
    }
    const qsizetype at = group.indexOf(this);
    if (at < 0 || group.size() < 2)
        return;
    group.at((at + direction + group.size()) % group.size())->setFocus(Qt::OtherFocusReason);
}

void TFlatRadioButton::keyPressEvent(QKeyEvent *event)
{
    // Arrow keys move the focus within the group, as the dialog keys do,
    // without checking: Space checks, so that the keyboard alone can choose.
    // Moved by the keyboard, the focus shows its mark.
    switch (event->key()) {
    case Qt::Key_Space:
        if (event->modifiers() & ~Qt::KeypadModifier) {
            FlatHoverControl::keyPressEvent(event);
            break;
        }
        // A held key checks once; its repeats are used up quietly.
        if (!event->isAutoRepeat())
            clickAndCheck();
        break;
    case Qt::Key_Up:
    case Qt::Key_Left:
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
        focusSibling(-1);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        window()->setAttribute(Qt::WA_KeyboardFocusChange);
        focusSibling(1);
        break;
    default:
        FlatHoverControl::keyPressEvent(event);
    }
}

void TFlatRadioButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        setMouseInside(false);
        endPress();
        family().release(this);
    }
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
    FlatHoverControl::changeEvent(event);
}

void TFlatRadioButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_transparent)
        PaintParentBackground(this, painter);
    else
        painter.fillRect(rect(), color());

    const QRect box = circleRect();
    const bool lit = m_hasFocus || mouseInside();
    const QColor fill = lit && pressing() ? colorDown() : lit ? colorFocused() : color();
    // Half-pixel insets make the pen's pixels fall inside the 10-pixel box. At a
    // fractional scale the circle's edge cannot follow whole pixels; smoothing
    // keeps the ring even instead of one or two pixels thick by turns.
    painter.setRenderHint(QPainter::Antialiasing, painter.device()->devicePixelRatio() != 1.0);
    painter.setPen(colorBorder());
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(box).adjusted(0.5, 0.5, -0.5, -0.5));
    if (m_checked) {
        const QColor dot = isEnabled() ? m_colorDot : FlatColors::btnShadow();
        painter.setPen(dot);
        painter.setBrush(dot);
        painter.drawEllipse(QRectF(box.left() + 3, box.top() + 3, 4, 4).adjusted(0.5, 0.5, -0.5, -0.5));
    }

    const auto [text, flags] = captionPlace();
    DrawFlatCaption(painter, this, text, flags, caption());

    if (showsFocusMark()) {
        painter.setRenderHint(QPainter::Antialiasing, false);
        DrawFocusRect(painter, focusRect(), palette().color(foregroundRole()));
    }
}

std::pair<QRect, int> TFlatRadioButton::captionPlace() const
{
    const int flags = Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
    if (m_layout == Flat::radioLeft)
        return {QRect(QPoint(16, 1), QPoint(width() - 2, height() - 2)), flags | Qt::AlignLeft};
    return {QRect(QPoint(1, 1), QPoint(width() - 17, height() - 2)), flags | Qt::AlignRight};
}

bool TFlatRadioButton::showsFocusMark() const
{
    // As the desktop's own controls: once the keyboard has moved the focus in
    // this window, not after clicks alone.
    return m_hasFocus && !caption().isEmpty() && window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

QRect TFlatRadioButton::focusRect() const
{
    const auto [text, flags] = captionPlace();
    return fontMetrics().boundingRect(text, flags, caption()).adjusted(-1, -1, 1, 1) & rect();
}
