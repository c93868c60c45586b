#pragma once

#include "controls/flateditbehaviour.h"

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

    QColor colorFocused() const { return m_edit.colors().focused(); }
    void setColorFocused(const QColor &color) { m_edit.setColorFocused(color); }
    QColor colorBorder() const { return m_edit.colors().border(); }
    void setColorBorder(const QColor &color) { m_edit.setColorBorder(color); }
    QColor colorFlat() const { return m_edit.colors().base(); }
    void setColorFlat(const QColor &color) { m_edit.setColorFlat(color); }
    bool parentColor() const { return m_edit.colors().parentColor(); }
    void setParentColor(bool on) { m_edit.setParentColor(on); }
    bool useAdvColors() const { return m_edit.colors().useAdvColors(); }
    void setUseAdvColors(bool on) { m_edit.setUseAdvColors(on); }
    int advColorFocused() const { return m_edit.colors().advFocused(); }
    void setAdvColorFocused(int percentage) { m_edit.setAdvColorFocused(percentage); }
    int advColorBorder() const { return m_edit.colors().advBorder(); }
    void setAdvColorBorder(int percentage) { m_edit.setAdvColorBorder(percentage); }
    // Off keeps the height as set; on fits it to the font at every font change.
    bool autoSize() const { return m_autoSize; }
    void setAutoSize(bool on);

    bool mouseInside() const { return m_edit.mouseInside(); }
    bool showsFocusLook() const { return m_edit.showsFocusLook(); }
    // Ascent plus descent of the field's font.
    int textHeight() const;

signals:
    void OnChange(QObject *sender);
    void OnEnter(QObject *sender);
    void OnExit(QObject *sender);

protected:
    void redrawBorder() { m_edit.redrawBorder(); }
    void fitHeightToFont();
    // The field's face changed colour; the spin edit passes it to its arrows.
    virtual void backgroundChanged(const QColor &) {}

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    FlatEditBehaviour m_edit;
    bool m_autoSize = true;
};
