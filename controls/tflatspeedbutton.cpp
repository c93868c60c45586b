#include "controls/tflatspeedbutton.h"

TFlatSpeedButton::TFlatSpeedButton(QWidget *parent)
    : FlatButtonBase(parent)
{
    setFocusPolicy(Qt::NoFocus);
    init(family());
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

void TFlatSpeedButton::accelerator()
{
    if (isEnabled())
        click();
}
