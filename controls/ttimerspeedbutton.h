#pragma once

#include "controls/tflatspeedbutton.h"

class QTimer;

// A flat speed button that repeats its click while held: first after 400 ms,
// then every 100 ms while the pointer stays inside it.
class TTimerSpeedButton : public TFlatSpeedButton
{
    Q_OBJECT
    Q_PROPERTY(bool AllowRepeat READ allowRepeat WRITE setAllowRepeat)
    Q_PROPERTY(bool ShowFocus READ showFocus WRITE setShowFocus)

public:
    explicit TTimerSpeedButton(QWidget *parent = nullptr);

    bool allowRepeat() const { return m_allowRepeat; }
    void setAllowRepeat(bool on) { m_allowRepeat = on; }
    bool showFocus() const { return m_showFocus; }
    void setShowFocus(bool on) { m_showFocus = on; }

    QTimer *repeatTimer() const { return m_repeatTimer; }
    void repeatTick();

signals:
    void OnPress(QObject *sender, Qt::MouseButton button);

protected:
    void afterPress(Qt::MouseButton button) override;
    void afterRelease(Qt::MouseButton button) override;
    void pressCancelled() override;

private:
    bool m_allowRepeat = false;
    bool m_showFocus = false;
    QTimer *m_repeatTimer = nullptr;
};
