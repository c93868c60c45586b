#include "controls/flatcolorscheme.h"

#include "controls/flatdraw.h"

#include <QWidget>

#include <algorithm>
#include <utility>
#include <tuple>

QColor ParentBackgroundColor(const QWidget *control, const QColor &fallback)
{
    if (const QWidget *p = control->parentWidget())
        return p->palette().color(p->backgroundRole());
    return fallback;
}

FlatColorScheme::FlatColorScheme(Kind kind, const QColor &focused)
    : m_kind(kind)
    , m_focused(focused)
{
}

bool FlatColorScheme::store(QColor &field, const QColor &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

bool FlatColorScheme::storePercentage(int &field, int percentage)
{
    percentage = std::clamp(percentage, 0, 100);
    if (field == percentage)
        return false;
    field = percentage;
    computeAdvColors();
    return true;
}

bool FlatColorScheme::setBase(const QColor &color)
{
    const bool wasLinked = std::exchange(m_parentColor, false);
    return store(m_base, color) || wasLinked;
}

bool FlatColorScheme::setParentColor(bool on, const QColor &parentsColor)
{
    if (m_parentColor == on)
        return false;
    m_parentColor = on;
    if (on)
        m_base = parentsColor;
    return true;
}

bool FlatColorScheme::setFocused(const QColor &color)
{
    return store(m_focused, color);
}

bool FlatColorScheme::setDown(const QColor &color)
{
    return store(m_down, color);
}

bool FlatColorScheme::setBorder(const QColor &color)
{
    return store(m_border, color);
}

bool FlatColorScheme::setUseAdvColors(bool on, const QColor &parentsColor)
{
    if (m_useAdvColors == on)
        return false;
    m_useAdvColors = on;
    setParentColor(on, parentsColor);
    computeAdvColors();
    return true;
}

bool FlatColorScheme::setAdvFocused(int percentage)
{
    return storePercentage(m_advFocused, percentage);
}

bool FlatColorScheme::setAdvDown(int percentage)
{
    return storePercentage(m_advDown, percentage);
}

bool FlatColorScheme::setAdvBorder(int percentage)
{
    return storePercentage(m_advBorder, percentage);
}

bool FlatColorScheme::followParent(const QColor &parentsColor)
{
    const auto before = std::tuple(m_base, m_focused, m_down, m_border, m_parentColor);
    if (m_useAdvColors) {
        if (m_kind == Buttons)
            m_parentColor = true;
        m_base = parentsColor;
        computeAdvColors();
    } else if (m_parentColor) {
        m_base = parentsColor;
    }
    return before != std::tuple(m_base, m_focused, m_down, m_border, m_parentColor);
}

void FlatColorScheme::computeAdvColors()
{
    if (!m_useAdvColors)
        return;
    m_focused = AdvancedColor(m_base, m_focused, m_advFocused, Flat::Lighten);
    if (m_kind == Buttons)
        m_down = AdvancedColor(m_base, m_down, m_advDown, Flat::Darken);
    m_border = AdvancedColor(m_base, m_border, m_advBorder, Flat::Darken);
}
