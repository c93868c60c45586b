#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

namespace platform {

// At the alarm: when the program cannot confirm, about half a second after the
// window was brought forward, that one of its windows became the active one,
// the alarm's text goes out as a desktop notification, so that it is seen
// behind other windows or on a desktop that lets no program come forward. The
// check waits for nothing: a single-shot timer runs it.
class AttentionWatch : public QObject
{
    Q_OBJECT

public:
    struct Notifier
    {
        std::function<void(const QString &summary, const QString &body)> show;
        std::function<void()> withdraw;
    };

    // `confirmedActive` says whether one of the program's windows is the active one.
    AttentionWatch(std::function<bool()> confirmedActive, Notifier notifier,
                   QObject *parent = nullptr);

    // The window has just been asked to come forward.
    void raised();
    // Checks once the time after the raise is up; notifies with summary and
    // body unless a window of the program is active by then.
    void watch(const QString &summary, const QString &body);
    // The alarm is confirmed: no check any more, and no notification.
    void withdraw();

    // Runs the pending check at once (what the timer does).
    void check();
    const QTimer &timer() const { return m_timer; }

    static constexpr int ConfirmWithinMs = 500;

private:
    std::function<bool()> m_confirmedActive;
    Notifier m_notifier;
    QElapsedTimer m_sinceRaise;
    QTimer m_timer;
    QString m_summary;
    QString m_body;
    bool m_shown = false;
};

} // namespace platform
