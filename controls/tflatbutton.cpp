#include "controls/tflatbutton.h"

#include <QKeyEvent>

TFlatButton::TFlatButton(QWidget *parent)
    : FlatButtonBase(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    init(family());
}

HoverFamily &TFlatButton::family()
{
    static HoverFamily buttons;
    return buttons;
}

void TFlatButton::setDefault(bool on)
{
    m_default = on;
    update();
}

void TFlatButton::setTabStop(bool on)
{
    setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus);
}

bool TFlatButton::isSameKind(const FlatButtonBase *other) const
{
    return qobject_cast<const TFlatButton *>(other) != nullptr;
}

void TFlatButton::accelerator()
{
    if (!isEnabled())
        return;
    if (groupIndex() != 0)
        setDown(true);
    click();
}

void TFlatButton::afterPress(Qt::MouseButton button)
{
    // Not a tab stop does not mean unfocusable: a press always takes the focus.
    if (button == Qt::LeftButton && isEnabled())
        setFocus(Qt::MouseFocusReason);
}

void TFlatButton::focusInEvent(QFocusEvent *event)
{
    FlatButtonBase::focusInEvent(event);
    if (isEnabled()) {
        setMouseInside(true);
        update();
    }
}

void TFlatButton::focusOutEvent(QFocusEvent *event)
{
    FlatButtonBase::focusOutEvent(event);
    hoverLeave();
}

void TFlatButton::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) {
        event->ignore();
        return;
    }
    if (!event->isAutoRepeat()) {
        if (groupIndex() != 0)
            setDown(true);
        else
            setState(fbsPressed);
        update();
    }
}

void TFlatButton::keyReleaseEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier) {
        event->ignore();
        return;
    }
    if (event->isAutoRepeat())
        return;
    if (groupIndex() != 0)
        setDown(false);
    else
        setState(fbsUp);
    click();
    update();
}
