#pragma once

#include "controls/flatbuttonbase.h"

// Flat button that never takes the keyboard focus (toolbar style, spin arrows).
class TFlatSpeedButton : public FlatButtonBase
{
    Q_OBJECT

public:
    explicit TFlatSpeedButton(QWidget *parent = nullptr);

    static HoverFamily &family();

protected:
    bool isSameKind(const FlatButtonBase *other) const override;
    bool acceleratorPressed() override;
};
