#include "controls/tflatedit.h"

TFlatEdit::TFlatEdit(QWidget *parent)
    : TCustomFlatEdit(parent)
{
}
