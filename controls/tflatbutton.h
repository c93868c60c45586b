#pragma once

#include "controls/flatbuttonbase.h"

// The flat push button with a window of its own: it can take the focus and
// reacts to Space. Enter and Escape mean nothing to it, whatever Default says.
class TFlatButton : public FlatButtonBase
{
    Q_OBJECT
    Q_PROPERTY(bool Default READ isDefault WRITE setDefault)
    Q_PROPERTY(bool TabStop READ tabStop WRITE setTabStop)

public:
    explicit TFlatButton(QWidget *parent = nullptr);

    static HoverFamily &family();

    bool isDefault() const { return m_default; }
    void setDefault(bool on);
    bool tabStop() const { return focusPolicy() != Qt::NoFocus; }
    void setTabStop(bool on);

protected:
    bool isSameKind(const FlatButtonBase *other) const override;
    bool isWindowed() const override { return true; }
    bool drawsDefaultFrame() const override { return m_default; }
    bool acceleratorPressed() override;
    void afterPress(Qt::MouseButton button) override;

    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    bool m_default = false;
};
