#pragma once

#include "controls/flatcolors.h"
#include "controls/flattypes.h"
#include "controls/hoverfamily.h"

#include <QPixmap>
#include <QWidget>

class QPainter;

// What TFlatSpeedButton and TFlatButton share: properties, state, mouse
// handling, groups and painting. Built on QWidget rather than QAbstractButton,
// whose own click, down and key handling would contradict the flat buttons'.
class FlatButtonBase : public QWidget, public HoverClient
{
    Q_OBJECT
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(QColor ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorDown READ colorDown WRITE setColorDown)
    Q_PROPERTY(QColor ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(QColor ColorHighLight READ colorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ colorShadow WRITE setColorShadow)
    Q_PROPERTY(bool UseAdvColors READ useAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int AdvColorFocused READ advColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorDown READ advColorDown WRITE setAdvColorDown)
    Q_PROPERTY(int AdvColorBorder READ advColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(Flat::TTransparentMode TransparentMode READ transparentMode WRITE setTransparentMode)
    Q_PROPERTY(QPixmap Glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(int NumGlyphs READ numGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(Flat::TButtonLayout Layout READ layout WRITE setLayout)
    Q_PROPERTY(int Margin READ margin WRITE setMargin)
    Q_PROPERTY(int Spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ isDown WRITE setDown)
    Q_PROPERTY(bool AllowAllUp READ allowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(int ModalResult READ modalResult WRITE setModalResult)

public:
    ~FlatButtonBase() override;

    QColor color() const { return m_color; }
    void setColor(const QColor &color);
    bool parentColor() const { return m_parentColor; }
    void setParentColor(bool on);
    QColor colorFocused() const { return m_colorFocused; }
    void setColorFocused(const QColor &color);
    QColor colorDown() const { return m_colorDown; }
    void setColorDown(const QColor &color);
    QColor colorBorder() const { return m_colorBorder; }
    void setColorBorder(const QColor &color);
    QColor colorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor &color);
    QColor colorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &color);
    bool useAdvColors() const { return m_useAdvColors; }
    void setUseAdvColors(bool on);
    int advColorFocused() const { return m_advColorFocused; }
    void setAdvColorFocused(int percentage);
    int advColorDown() const { return m_advColorDown; }
    void setAdvColorDown(int percentage);
    int advColorBorder() const { return m_advColorBorder; }
    void setAdvColorBorder(int percentage);
    TTransparentMode transparentMode() const { return m_transparentMode; }
    void setTransparentMode(TTransparentMode mode);
    QPixmap glyph() const { return m_glyph; }
    void setGlyph(const QPixmap &glyph);
    int numGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count);
    TButtonLayout layout() const { return m_layout; }
    void setLayout(TButtonLayout layout);
    int margin() const { return m_margin; }
    void setMargin(int margin);
    int spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    int groupIndex() const { return m_groupIndex; }
    void setGroupIndex(int index);
    bool isDown() const { return m_down; }
    void setDown(bool down);
    bool allowAllUp() const { return m_allowAllUp; }
    void setAllowAllUp(bool allow);
    int modalResult() const { return m_modalResult; }
    void setModalResult(int result) { m_modalResult = result; }

    // Gives ModalResult to the containing dialog, then raises OnClick.
    virtual void click();

    TFlatButtonState state() const { return m_state; }
    bool mouseInside() const { return m_mouseInside; }
    bool pressing() const { return m_pressing; }
    QPoint glyphOrigin() const { return m_glyphOrigin; }
    QRect captionRect() const { return m_captionRect; }

    HoverFamily &hoverFamily() const { return *m_family; }
    QWidget *hoverWidget() override { return this; }
    void hoverEnter() override;
    void hoverLeave() override;
    void reevaluateHover();

signals:
    void OnClick(QObject *sender);
    void OnDblClick(QObject *sender);
    void OnMouseDown(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                     int x, int y);
    void OnMouseMove(QObject *sender, Qt::KeyboardModifiers modifiers, int x, int y);
    void OnMouseUp(QObject *sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers,
                   int x, int y);
    void OnMouseEnter(QObject *sender);
    void OnMouseLeave(QObject *sender);

protected:
    explicit FlatButtonBase(QWidget *parent);
    void init(HoverFamily &family); // from the concrete constructor

    virtual bool isSameKind(const FlatButtonBase *other) const = 0;
    virtual bool isWindowed() const { return false; }
    virtual bool drawsDefaultFrame() const { return false; }
    virtual void accelerator() = 0;
    // Runs after the press handling, for any mouse button.
    virtual void afterPress(Qt::MouseButton) {}
    virtual void afterRelease(Qt::MouseButton) {}

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    void setState(TFlatButtonState state) { m_state = state; }
    void setMouseInside(bool inside) { m_mouseInside = inside; }

private:
    QColor parentsColor() const;
    void followParentColor();
    void computeAdvColors();
    void tellGroup();
    void groupNotification(int groupIndex, FlatButtonBase *sender);
    bool isInside(const QPoint &pos) const;

    QColor m_color = FlatColors::Face;
    bool m_parentColor = true;
    QColor m_colorFocused = FlatColors::Face;
    QColor m_colorDown = FlatColors::Down;
    QColor m_colorBorder = FlatColors::Border;
    QColor m_colorHighLight = FlatColors::HighLight;
    QColor m_colorShadow = FlatColors::Shadow;
    bool m_useAdvColors = false;
    int m_advColorFocused = 10;
    int m_advColorDown = 10;
    int m_advColorBorder = 50;
    TTransparentMode m_transparentMode = tmNone;
    QPixmap m_glyph;
    int m_numGlyphs = 1;
    TButtonLayout m_layout = blGlyphTop;
    int m_margin = -1;
    int m_spacing = 4;
    QString m_caption;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    int m_modalResult = 0;

    TFlatButtonState m_state = fbsUp;
    bool m_mouseInside = false;
    bool m_pressing = false;
    QPoint m_glyphOrigin;
    QRect m_captionRect;
    int m_shortcutId = 0;
    HoverFamily *m_family = nullptr;
};
