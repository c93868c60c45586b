#pragma once

#include "controls/tcustomflatedit.h"

class TSpinButton;

// Integer entry field with a pair of arrows. The text is the only storage:
// Value is computed from it on every read and clamped only when written, when
// stepped and when the user leaves the field.
class TFlatSpinEditInteger : public TCustomFlatEdit
{
    Q_OBJECT
    Q_PROPERTY(int Value READ value WRITE setValue)
    Q_PROPERTY(int MinValue READ minValue WRITE setMinValue)
    Q_PROPERTY(int MaxValue READ maxValue WRITE setMaxValue)
    Q_PROPERTY(int Increment READ increment WRITE setIncrement)
    Q_PROPERTY(bool EditorEnabled READ editorEnabled WRITE setEditorEnabled)
    Q_PROPERTY(bool AutoSelect READ autoSelect WRITE setAutoSelect)

public:
    explicit TFlatSpinEditInteger(QWidget *parent = nullptr);

    int value() const;
    void setValue(int value);
    int minValue() const { return m_minValue; }
    void setMinValue(int value) { m_minValue = value; }
    int maxValue() const { return m_maxValue; }
    void setMaxValue(int value) { m_maxValue = value; }
    int increment() const { return m_increment; }
    void setIncrement(int value) { m_increment = value; }
    bool editorEnabled() const { return m_editorEnabled; }
    void setEditorEnabled(bool on) { m_editorEnabled = on; }
    bool autoSelect() const { return m_autoSelect; }
    void setAutoSelect(bool on) { m_autoSelect = on; }

    int clampToRange(int value) const;
    TSpinButton *button() const { return m_button; }
    // Kept as the minimum height: a lower height written is raised to it.
    int minimumFieldHeight() const { return textHeight() + 7; }

    // While the focus arrives or leaves: the selection it changes on the way
    // is no news to a screen reader, which reads the field with the focus.
    bool focusPassing() const { return m_focusPassing; }

    // The typing filter.
    virtual bool AcceptsChar(QChar ch) const;

    // Strict decimal conversion: optional sign, then digits, within 32 bits.
    static bool parseInteger(const QString &text, int &value);

public slots:
    virtual void StepUp(QObject *sender);
    virtual void StepDown(QObject *sender);

protected:
    void backgroundChanged(const QColor &face) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool editingBlocked() const { return !m_editorEnabled || isReadOnly(); }
    void placeButton();
    void step(qint64 delta);

    TSpinButton *m_button = nullptr;
    int m_minValue = 0;
    int m_maxValue = 0;
    int m_increment = 1;
    bool m_editorEnabled = true;
    bool m_autoSelect = true;
    bool m_focusPassing = false;
};
