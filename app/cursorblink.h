#pragma once

#include <QObject>
#include <QTimer>

// The text cursor blinks while the user works and stands still (shown) after
// a while without input, as desktops do: a focused field in a window left
// alone would otherwise wake the program twice a second for ever.
class CursorBlinkTimeout : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 10000;

    explicit CursorBlinkTimeout(int timeoutMs = DefaultTimeoutMs, QObject *parent = nullptr);
    ~CursorBlinkTimeout() override;

    bool settled() const { return m_settled; }
    // What the timer does when it runs out; tests call it instead of waiting.
    void settle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void wake();

    int m_flashTime;
    QTimer m_timer;
    bool m_settled = false;
};

