#pragma once

#include "controls/flathovercontrol.h"
#include "controls/flattypes.h"

#include <utility>

// Radio button drawn as a small flat circle, exclusive among the radio
// buttons of its parent with the same GroupIndex.
class TFlatRadioButton : public FlatHoverControl
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ isChecked WRITE setChecked)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(Flat::TRadioButtonLayout Layout READ layout WRITE setLayout)
    Q_PROPERTY(QColor ColorDot READ colorDot WRITE setColorDot)
    Q_PROPERTY(bool Transparent READ isTransparent WRITE setTransparent)
    Q_PROPERTY(bool TabStop READ tabStop WRITE setTabStop)

public:
    explicit TFlatRadioButton(QWidget *parent = nullptr);

    static HoverFamily &family();

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);
    int groupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index) { m_groupIndex = index; }
    Flat::TRadioButtonLayout layout() const { return m_layout; }
    void setLayout(Flat::TRadioButtonLayout layout);
    QColor colorDot() const { return m_colorDot; }
    void setColorDot(const QColor &color);
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool on);
    bool tabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool on);
    // Right-to-left reading puts the circle on the right.
    void setBiDiMode(Qt::LayoutDirection direction);

    void click();
    // What a click with the mouse does: OnClick, and an unchecked button
    // checks, which raises OnClick again. Space on the focused button does it.
    void clickAndCheck();

    bool hasFocusLook() const { return m_hasFocus; }
    QRect circleRect() const;
    // The dotted frame around the caption while the keyboard has brought the focus.
    bool showsFocusMark() const;
    QRect focusRect() const;

    bool acceleratorPressed() override;

signals:
    void OnClick(QObject *sender);
    void OnEnter(QObject *sender);
    void OnExit(QObject *sender);
    void OnMouseDown(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                     int x, int y);
    void OnMouseMove(QObject *sender, Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseUp(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                   int x, int y);

protected:
    void repaintHoverLook() override { redrawCircle(); }
    bool showsParent() const override { return m_transparent; }
    void pressCancelled() override { redrawCircle(); }

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void redrawCircle() { update(circleRect()); }
    // Where the caption goes, and how it is laid out.
    std::pair<QRect, int> captionPlace() const;
    void focusSibling(int direction);

    bool m_checked = false;
    int m_groupIndex = 0;
    Flat::TRadioButtonLayout m_layout = Flat::radioLeft;
    QColor m_colorDot = FlatColors::Dot;
    bool m_transparent = false;
    bool m_hasFocus = false;
};
