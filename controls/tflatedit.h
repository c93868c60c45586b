#pragma once

#include "controls/tcustomflatedit.h"

// The plain flat single-line edit field.
class TFlatEdit : public TCustomFlatEdit
{
    Q_OBJECT

public:
    explicit TFlatEdit(QWidget *parent = nullptr);
};
