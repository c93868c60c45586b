#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>

// Colour defaults shared by the whole flat control family.
namespace FlatColors {
inline const QColor Border{160, 150, 131};
inline const QColor Face{235, 234, 225};      // ColorFlat of edits, ColorFocused of buttons
inline const QColor Down{217, 214, 197};      // pressed face
inline const QColor Focus{255, 255, 255};     // ColorFocused of edits and radio buttons
inline const QColor HighLight{255, 255, 255};
inline const QColor Shadow{0, 0, 0};
inline const QColor Dot{0, 0, 0};

// The desktop's system colours, resolved whenever they are asked for.
inline QColor btnFace() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Button); }
inline QColor btnHighlight() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Light); }
inline QColor btnShadow() { return QGuiApplication::palette().color(QPalette::Active, QPalette::Dark); }
inline QColor white() { return QColor(255, 255, 255); }
} // namespace FlatColors
