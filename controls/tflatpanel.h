#pragma once

#include "controls/flatcolorscheme.h"
#include "controls/flattypes.h"

#include <QWidget>

// Panel with a one-pixel frame and a one-line caption; may hold other controls.
class TFlatPanel : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorHighLight READ colorHighLight WRITE setColorHighLight)
    Q_PROPERTY(QColor ColorShadow READ colorShadow WRITE setColorShadow)
    Q_PROPERTY(bool Transparent READ isTransparent WRITE setTransparent)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(Flat::TAlignment Alignment READ alignment WRITE setAlignment)
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
    Q_PROPERTY(bool UseDockManager READ useDockManager WRITE setUseDockManager)

public:
    explicit TFlatPanel(QWidget *parent = nullptr);

    QColor colorHighLight() const { return m_colorHighLight; }
    void setColorHighLight(const QColor &color);
    QColor colorShadow() const { return m_colorShadow; }
    void setColorShadow(const QColor &color);
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool on);
    QColor color() const { return m_colors.base(); }
    void setColor(const QColor &color);
    bool parentColor() const { return m_colors.parentColor(); }
    void setParentColor(bool on);
    Flat::TAlignment alignment() const { return m_alignment; }
    void setAlignment(Flat::TAlignment alignment);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // Kept for the stored layouts that set it; docking has no effect here.
    bool useDockManager() const { return m_useDockManager; }
    void setUseDockManager(bool on) { m_useDockManager = on; }

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QColor parentsColor() const { return ParentBackgroundColor(this, m_colors.base()); }

    QColor m_colorHighLight = FlatColors::Border;
    QColor m_colorShadow = FlatColors::Border;
    bool m_transparent = false;
    // Only the face colour and its link to the parent; the frame has its own two.
    FlatColorScheme m_colors{FlatColorScheme::Edits, FlatColors::Focus};
    Flat::TAlignment m_alignment = Flat::taCenter;
    QString m_caption;
    bool m_useDockManager = false;
};
