#pragma once

#include "controls/flatcolorscheme.h"

#include <QColor>

#include <functional>

class QEvent;
class QFocusEvent;
class QPainter;
class QRect;
class QWidget;

// What the single-line flat edits and the flat memo share, though their Qt
// bases differ: the colour properties, MouseInside, the choice between flat and
// focus look, the three-pixel border and which focus changes enter the field.
class FlatEditBehaviour
{
public:
    // A focused control of class `suppressingClass` keeps the field from
    // lighting up under the pointer. `faceChanged` runs after each redraw.
    FlatEditBehaviour(QWidget *field, const char *suppressingClass,
                      std::function<void(const QColor &face)> faceChanged);

    const FlatColorScheme &colors() const { return m_colors; }
    void setColorFocused(const QColor &color) { redrawIf(m_colors.setFocused(color)); }
    void setColorBorder(const QColor &color) { redrawIf(m_colors.setBorder(color)); }
    void setColorFlat(const QColor &color) { redrawIf(m_colors.setBase(color)); }
    void setParentColor(bool on) { redrawIf(m_colors.setParentColor(on, parentsColor())); }
    void setUseAdvColors(bool on) { redrawIf(m_colors.setUseAdvColors(on, parentsColor())); }
    // The percentages matter only while the advanced colours are on.
    void setAdvColorFocused(int percentage)
    {
        redrawIf(m_colors.setAdvFocused(percentage) && m_colors.useAdvColors());
    }
    void setAdvColorBorder(int percentage)
    {
        redrawIf(m_colors.setAdvBorder(percentage) && m_colors.useAdvColors());
    }

    bool mouseInside() const { return m_mouseInside; }
    bool showsFocusLook() const;
    QColor face() const { return showsFocusLook() ? m_colors.focused() : m_colors.base(); }

    // Applies the face to the field's palette and repaints.
    void redrawBorder();
    // Three one-pixel rings from the outside in: border, then the face twice.
    void drawBorder(QPainter &painter, const QRect &rect) const;

    // Parent colour, pointer enter and leave, enabled changes; call from event().
    void handleEvent(QEvent *event);
    // Redraws for a focus change and says whether it enters or leaves the field
    // for its handlers: a menu or another window taking over does not.
    bool focusChanged(const QFocusEvent *event);

private:
    QColor parentsColor() const { return ParentBackgroundColor(m_field, m_colors.base()); }
    void redrawIf(bool changed)
    {
        if (changed)
            redrawBorder();
    }

    QWidget *m_field;
    const char *m_suppressingClass;
    std::function<void(const QColor &)> m_faceChanged;
    FlatColorScheme m_colors{FlatColorScheme::Edits, FlatColors::Focus};
    bool m_mouseInside = false;
};
