#pragma once

#include "controls/flatcolorscheme.h"
#include "controls/hoverfamily.h"

#include <QPointer>
#include <QWidget>

class QPainter;

// What the flat controls that track the pointer share (both flat buttons and
// the radio button): the colour properties, the caption with its accelerator,
// hover tracking in the family given to the constructor, the press state and
// the one path that ends a press whose release will never arrive.
class FlatHoverControl : public QWidget, public HoverClient
{
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(QColor ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ colorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(bool UseAdvColors READ useAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int AdvColorFocused READ advColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ advColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ advColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)

public:
    ~FlatHoverControl() override;

    QColor color() const { return m_colors.base(); }
    void setColor(const QColor &color) { repaintIf(m_colors.setBase(color)); }
    bool parentColor() const { return m_colors.parentColor(); }
    void setParentColor(bool on) { repaintIf(m_colors.setParentColor(on, parentsColor())); }
    QColor colorFocused() const { return m_colors.focused(); }
    void setColorFocused(const QColor &color) { repaintIf(m_colors.setFocused(color)); }
    QColor colorDown() const { return m_colors.down(); }
    void setColorDown(const QColor &color) { repaintIf(m_colors.setDown(color)); }
    QColor colorBorder() const { return m_colors.border(); }
    void setColorBorder(const QColor &color) { repaintIf(m_colors.setBorder(color)); }
    bool useAdvColors() const { return m_colors.useAdvColors(); }
    void setUseAdvColors(bool on) { repaintIf(m_colors.setUseAdvColors(on, parentsColor())); }
    int advColorFocused() const { return m_colors.advFocused(); }
    void setAdvColorFocused(int percentage) { repaintIf(m_colors.setAdvFocused(percentage)); }
    int advColorDown() const { return m_colors.advDown(); }
    void setAdvColorDown(int percentage) { repaintIf(m_colors.setAdvDown(percentage)); }
    int advColorBorder() const { return m_colors.advBorder(); }
    void setAdvColorBorder(int percentage) { repaintIf(m_colors.setAdvBorder(percentage)); }
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    bool mouseInside() const { return m_mouseInside; }
    bool pressing() const { return m_pressing; }

    HoverFamily &hoverFamily() const { return m_family; }
    QWidget *hoverWidget() override { return this; }
    void hoverEnter() override;
    void hoverLeave() override;
    bool holdsPress() const override { return m_pressing; }
    // Ends a press without a click, as if released outside: a modal window
    // opened, the control was hidden, or the button is no longer held.
    void cancelPress() override;
    // MouseInside becomes whether the pointer is over the control.
    void reevaluateHover();
    // The accelerator of the caption was pressed; returns whether it is used up.
    virtual bool acceleratorPressed() = 0;

protected:
    FlatHoverControl(QWidget *parent, HoverFamily &family, FlatColorScheme colors);

    QColor parentsColor() const { return ParentBackgroundColor(this, m_colors.base()); }
    void repaintIf(bool changed)
    {
        if (changed)
            update();
    }
    // The hover look changed; the radio button redraws only its circle.
    virtual void repaintHoverLook() { update(); }
    // A transparent control shows its parent, so a move or resize repaints it.
    virtual bool showsParent() const { return false; }
    // The press ended without a release; reset what the press changed.
    virtual void pressCancelled() {}

    void setMouseInside(bool inside) { m_mouseInside = inside; }
    void beginPress();
    void endPress();

    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool shortcutEvent(QEvent *event);
    void watchWindow(bool on);

    FlatColorScheme m_colors;
    HoverFamily &m_family;
    QString m_caption;
    int m_shortcutId = 0;
    bool m_mouseInside = false;
    bool m_pressing = false;
    QPointer<QWidget> m_watchedWindow;
};
