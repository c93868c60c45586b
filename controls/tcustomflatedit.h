#pragma once

#include "controls/flateditlook.h"

#include <QLineEdit>

// Single-line edit with the flat three-pixel border: flat colour normally,
// focus colour while focused or under the pointer.
class TCustomFlatEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QColor ColorFocused READ colorFocused WRITE setColorFocused)
    Q_PROPERTY(QColor ColorBorder READ colorBorder WRITE setColorBorder)
    Q_PROPERTY(QColor ColorFlat READ colorFlat WRITE setColorFlat)
    Q_PROPERTY(bool ParentColor READ parentColor WRITE setParentColor)
    Q_PROPERTY(bool UseAdvColors READ useAdvColors WRITE setUseAdvColors)
    Q_PROPERTY(int AdvColorFocused READ advColorFocused WRITE setAdvColorFocused)
    Q_PROPERTY(int AdvColorBorder READ advColorBorder WRITE setAdvColorBorder)
    Q_PROPERTY(bool AutoSize READ autoSize WRITE setAutoSize)
    Q_PROPERTY(QString Text READ text WRITE setText)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(int MaxLength READ maxLength WRITE setMaxLength)

public:
    explicit TCustomFlatEdit(QWidget *parent = nullptr);

    QColor colorFocused() const { return m_look.colorFocused; }
    void setColorFocused(const QColor &color);
    QColor colorBorder() const { return m_look.colorBorder; }
    void setColorBorder(const QColor &color);
    QColor colorFlat() const { return m_look.colorFlat; }
    void setColorFlat(const QColor &color);
    bool parentColor() const { return m_look.parentColor; }
    void setParentColor(bool on);
    bool useAdvColors() const { return m_look.useAdvColors; }
    void setUseAdvColors(bool on);
    int advColorFocused() const { return m_look.advColorFocused; }
    void setAdvColorFocused(int percentage);
    int advColorBorder() const { return m_look.advColorBorder; }
    void setAdvColorBorder(int percentage);
    // Off keeps the height as set; on fits it to the font at every font change.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    bool mouseInside() const { return m_mouseInside; }
    bool showsFocusLook() const;
    // Ascent plus descent of the field's font.
    int textHeight() const;

signals:
    void OnChange(QObject *sender);
    void OnEnter(QObject *sender);
    void OnExit(QObject *sender);

protected:
    void redrawBorder();
    void fitHeightToFont();
    // The field's face changed colour; the spin edit passes it to its arrows.
    virtual void backgroundChanged(const QColor &) {}

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QColor parentsColor() const;

    FlatEditLook m_look;
    bool m_mouseInside = false;
    bool m_autoSize = true;
};
