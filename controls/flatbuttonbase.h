#pragma once

#include "controls/flatdraw.h"
#include "controls/flathovercontrol.h"
#include "controls/flattypes.h"

#include <QPixmap>

class QPainter;

// What TFlatSpeedButton and TFlatButton share beyond the hover controls:
// glyph and layout properties, state, mouse handling, groups and painting.
// Built on QWidget rather than QAbstractButton, whose own click, down and key
// handling would contradict the flat buttons'.
class FlatButtonBase : public FlatHoverControl
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorHighLight READ colorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ colorShadow WRITE setColorShadow)
    Q_PROPERTY(Flat::TTransparentMode TransparentMode READ transparentMode WRITE setTransparentMode)
    Q_PROPERTY(QPixmap Glyph READ glyph WRITE setGlyph)
    Q_PROPERTY(int NumGlyphs READ numGlyphs WRITE setNumGlyphs)
    Q_PROPERTY(Flat::TButtonLayout Layout READ layout WRITE setLayout)
    Q_PROPERTY(int Margin READ margin WRITE setMargin)
    Q_PROPERTY(int Spacing READ spacing WRITE setSpacing)
    Q_PROPERTY(int GroupIndex READ groupIndex WRITE setGroupIndex)
    Q_PROPERTY(bool Down READ isDown WRITE setDown)
    Q_PROPERTY(bool AllowAllUp READ allowAllUp WRITE setAllowAllUp)
    Q_PROPERTY(int ModalResult READ modalResult WRITE setModalResult)

public:
    QColor colorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor &color);
    QColor colorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &color);
    Flat::TTransparentMode transparentMode() const { return m_transparentMode; }
    void setTransparentMode(Flat::TTransparentMode mode);
    QPixmap glyph() const { return m_glyph; }
    void setGlyph(const QPixmap &glyph);
    int numGlyphs() const { return m_numGlyphs; }
    void setNumGlyphs(int count);
    Flat::TButtonLayout layout() const { return m_layout; }
    void setLayout(Flat::TButtonLayout layout);
    int margin() const { return m_margin; }
    void setMargin(int margin);
    int spacing() const { return m_spacing; }
    void setSpacing(int spacing);
    // Qt's names for the caption, for code written against push buttons.
    QString text() const { return caption(); }
    void setText(const QString &text) { setCaption(text); }
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

    Flat::TFlatButtonState state() const { return m_state; }
    // Where painting puts glyph and caption in the current state.
    QPoint glyphOrigin() const { return placement().glyphOrigin; }
    QRect captionRect() const { return placement().captionRect; }

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
    FlatButtonBase(QWidget *parent, HoverFamily &family);

    virtual bool isSameKind(const FlatButtonBase *other) const = 0;
    virtual bool isWindowed() const { return false; }
    virtual bool drawsDefaultFrame() const { return false; }
    // Runs after the press handling, for any mouse button.
    virtual void afterPress(Qt::MouseButton) {}
    virtual void afterRelease(Qt::MouseButton) {}

    bool showsParent() const override { return isWindowed() && m_transparentMode != Flat::tmNone; }
    void pressCancelled() override;

    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

    // Tells a listening screen reader when the button is pressed or let go.
    void setState(Flat::TFlatButtonState state);

private:
    void downChanged(); // the latched state, for a listening screen reader
    void tellGroup();
    void groupNotification(int groupIndex, FlatButtonBase *sender);
    bool isInside(const QPoint &pos) const;
    Flat::TFlatButtonState restingState() const { return (m_down && m_groupIndex != 0) ? Flat::fbsLatched : Flat::fbsUp; }
    Flat::TFlatButtonState paintedState() const;
    QColor faceColor(Flat::TFlatButtonState state, bool hoverFace) const;
    GlyphCaptionLayout placement() const;

    QColor m_colorHighLight = FlatColors::HighLight;
    QColor m_colorShadow = FlatColors::Shadow;
    Flat::TTransparentMode m_transparentMode = Flat::tmNone;
    QPixmap m_glyph;
    int m_numGlyphs = 1;
    Flat::TButtonLayout m_layout = Flat::blGlyphTop;
    int m_margin = -1;
    int m_spacing = 4;
    int m_groupIndex = 0;
    bool m_down = false;
    bool m_allowAllUp = false;
    int m_modalResult = 0;

    Flat::TFlatButtonState m_state = Flat::fbsUp;
};
