#pragma once

// The flat controls, and where each shared idea lives:
// - flatcolors.h: fixed colours and the system colours resolved when drawn.
// - flatcolorscheme.h: FlatColorScheme, the colour properties of every flat
//   control (base colour linked to the parent, focus, pressed and border
//   colours, advanced colours); ParentBackgroundColor, the parent's colour.
// - flatdraw.h: AdvancedColor, the parent background, glyph and caption
//   layout, disabled glyphs and the engraved caption. The 3-D frame is
//   base/bevelframe.h, shared with the clock.
// - hoverfamily.h: hover polling per family, and the pointer, active-window
//   and mouse-button queries that tests replace.
// - flathovercontrol.h: FlatHoverControl, base of the buttons and the radio
//   button: colour properties, caption and accelerator, hover look, the press
//   and the one path that cancels a press whose release is lost.
// - flatbuttonbase.h: glyphs, states, groups and painting of both flat buttons.
// - flateditbehaviour.h: FlatEditBehaviour, what the flat edits and the memo
//   share: colours, MouseInside, focus look and border.
// - focusreason.h: which focus changes leave and enter a control.
// - flataccessible.h: what screen readers are told of the flat controls and
//   the link label (linklabel.h), and when they are told of a change.
// - screenreadernotice.h: a short text a screen reader reads at once.
// - heldshortcut.h: a held key triggers an action's shortcut once.

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
