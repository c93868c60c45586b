#pragma once

#include <QObject>

// Enumerations of the flat control family, registered so that properties of
// these types can be set and read by name.
namespace Flat {
Q_NAMESPACE

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
Q_ENUM_NS(TButtonLayout)

enum TTransparentMode { tmAlways, tmNotFocused, tmNone };
Q_ENUM_NS(TTransparentMode)

enum TFlatButtonState { fbsUp, fbsDisabled, fbsPressed, fbsLatched };
Q_ENUM_NS(TFlatButtonState)

enum TRadioButtonLayout { radioLeft, radioRight };
Q_ENUM_NS(TRadioButtonLayout)

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
Q_ENUM_NS(TAlignment)

enum AdvColorDirection { Lighten, Darken };
Q_ENUM_NS(AdvColorDirection)
} // namespace Flat

using Flat::TButtonLayout;
using Flat::TTransparentMode;
using Flat::TFlatButtonState;
using Flat::TRadioButtonLayout;
using Flat::TAlignment;
using Flat::AdvColorDirection;
using enum Flat::TButtonLayout;
using enum Flat::TTransparentMode;
using enum Flat::TFlatButtonState;
using enum Flat::TRadioButtonLayout;
using enum Flat::TAlignment;
using enum Flat::AdvColorDirection;
