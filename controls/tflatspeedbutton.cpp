#include "controls/tflatspeedbutton.h"

TFlatSpeedButton::TFlatSpeedButton(QWidget *parent)
    : FlatButtonBase(parent, family())
{
    setFocusPolicy(Qt::NoFocus);
}

HoverFamily &TFlatSpeedButton::family()
{
    static HoverFamily speedButtons;
    return speedButtons;
}

bool TFlatSpeedButton::isSameKind(const FlatButtonBase *other) const
{
    return qobject_cast<const TFlatSpeedButton *>(other) != nullptr;
}

bool TFlatSpeedButton::acceleratorPressed()
{
    if (!isEnabled())
        return false;
    click();
    return true;
}
