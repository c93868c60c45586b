#include "controls/tflatbutton.h"

#include "controls/focusreason.h"

#include <QKeyEvent>
#include <QPointer>

TFlatButton::TFlatButton(QWidget *parent)
    : FlatButtonBase(parent, family())
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

HoverFamily &TFlatButton::family()
{
    static HoverFamily buttons;
    return buttons;
}

void TFlatButton::setDefault(bool on)
{
    if (m_default == on)
        return;
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

bool TFlatButton::acceleratorPressed()
{
    if (!isEnabled())
        return false;
    if (groupIndex() != 0)
        setDown(true);
    click();
    return true;
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
    // The focus coming back from a menu or another window is no new arrival:
    // the hover look it ended stays off until the pointer comes over the button.
    if (Flat::isPassingFocusChange(event->reason()))
        return;
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
            setState(Flat::fbsPressed);
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
        setState(Flat::fbsUp);
    const QPointer<TFlatButton> alive(this); // a click handler may delete the button
    click();
    if (alive)
        update();
}
