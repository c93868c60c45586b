#pragma once

#include "controls/flatcolors.h"

#include <QColor>

class QWidget;

// The colour of the control's parent, or `fallback` without a parent.
QColor ParentBackgroundColor(const QWidget *control, const QColor &fallback);

// The colour properties every flat control shares: a base colour that may
// follow the parent, the focus, pressed and border colours, and the advanced
// colours derived from the base. Each setter compares, stores and returns
// whether anything changed, so the control knows when to repaint.
class FlatColorScheme
{
public:
    // Buttons and radio buttons derive a pressed colour and take the parent's
    // colour back when it changes under advanced colours; edit fields do neither.
    enum Kind { Buttons, Edits };

    FlatColorScheme(Kind kind, const QColor &focused);

    QColor base() const { return m_base; }
    bool parentColor() const { return m_parentColor; }
    QColor focused() const { return m_focused; }
    QColor down() const { return m_down; }
    QColor border() const { return m_border; }
    bool useAdvColors() const { return m_useAdvColors; }
    int advFocused() const { return m_advFocused; }
    int advDown() const { return m_advDown; }
    int advBorder() const { return m_advBorder; }

    bool setBase(const QColor &color); // also unlinks it from the parent
    bool setParentColor(bool on, const QColor &parentsColor);
    bool setFocused(const QColor &color);
    bool setDown(const QColor &color);
    bool setBorder(const QColor &color);
    bool setUseAdvColors(bool on, const QColor &parentsColor);
    bool setAdvFocused(int percentage);
    bool setAdvDown(int percentage);
    bool setAdvBorder(int percentage);
    // The parent's colour or the system colours changed.
    bool followParent(const QColor &parentsColor);

private:
    static bool store(QColor &field, const QColor &value);
    bool storePercentage(int &field, int percentage);
    void computeAdvColors();

    Kind m_kind;
    QColor m_base = FlatColors::Face;
    bool m_parentColor = true;
    QColor m_focused;
    QColor m_down = FlatColors::Down;
    QColor m_border = FlatColors::Border;
    bool m_useAdvColors = false;
    int m_advFocused = 10;
    int m_advDown = 10;
    int m_advBorder = 50;
};
