#pragma once

#include "controls/flatcolors.h"
#include "controls/flattypes.h"
#include "controls/hoverfamily.h"

#include <QWidget>

// Radio button drawn as a small flat circle, exclusive among the radio
// buttons of its parent with the same GroupIndex.
class TFlatRadioButton : public QWidget, public HoverClient
{
    Q_OBJECT
    Q_PROPERTY(bool Checked READ isChecked WRITE setChecked)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(Flat::TRadioButtonLayout Layout READ layout WRITE setLayout)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(QColor ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ colorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorDot READ colorDot WRITE setColorDot)
    Q_PROPERTY(QColor ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(bool UseAdvColors READ useAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int AdvColorFocused READ advColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ advColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ advColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool Transparent READ isTransparent WRITE setTransparent)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(bool TabStop READ tabStop WRITE setTabStop)

public:
    explicit TFlatRadioButton(QWidget *parent = nullptr);
    ~TFlatRadioButton() override;

    static HoverFamily &family();

    bool isChecked() const { return m_checked; }
    void setChecked(bool checked);
    int groupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index) { m_groupIndex = index; }
    TRadioButtonLayout layout() const { return m_layout; }
    void setLayout(TRadioButtonLayout layout);
    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    QColor colorFocused() const { return m_colorFocused; }
    void setColorFocused(const QColor &color);
    QColor colorDown() const { return m_colorDown; }
    void setColorDown(const QColor &color);
    QColor colorDot() const { return m_colorDot; }
    void setColorDot(const QColor &color);
    QColor colorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor &color);
    bool useAdvColors() const { return m_useAdvColors; }
    void setUseAdvColors(bool on);
    int advColorFocused() const { return m_advColorFocused; }
    void setAdvColorFocused(int percentage);
    int advColorDown() const { return m_advColorDown; }
    void setAdvColorDown(int percentage);
    int advColorBorder() const { return m_advColorBorder; }
    void setAdvColorBorder(int percentage);
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool on);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool tabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool on);
    // Right-to-left reading puts the circle on the right.
    void setBiDiMode(Qt::LayoutDirection direction);

    void click();

    bool mouseInside() const { return m_mouseInside; }
    bool pressing() const { return m_pressing; }
    bool hasFocusLook() const { return m_hasFocus; }
    QRect circleRect() const;

    QWidget *hoverWidget() override { return this; }
    void hoverEnter() override;
    void hoverLeave() override;

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
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QColor parentsColor() const;
    void computeAdvColors();
    void redrawCircle() { update(circleRect()); }
    void focusSibling(int direction);

    bool m_checked = false;
    int m_groupIndex = 0;
    TRadioButtonLayout m_layout = radioLeft;
    QColor m_color = FlatColors::Face;
    bool m_parentColor = true;
    QColor m_colorFocused = FlatColors::Focus;
    QColor m_colorDown = FlatColors::Down;
    QColor m_colorDot = FlatColors::Dot;
    QColor m_colorBorder = FlatColors::Border;
    bool m_useAdvColors = false;
    int m_advColorFocused = 10;
    int m_advColorDown = 10;
    int m_advColorBorder = 50;
    bool m_transparent = false;
    QString m_caption;
    int m_shortcutId = 0;

    bool m_mouseInside = false;
    bool m_pressing = false;
    bool m_hasFocus = false;
};
