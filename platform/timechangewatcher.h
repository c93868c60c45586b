#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Tells when the system's wall clock has been set (not when it merely runs on).
// On Linux a timerfd armed far in the future with TFD_TIMER_CANCEL_ON_SET is
// cancelled by every clock change; where that is not available, it stays quiet
// and the clock sees a changed time at its next tick.
class TimeChangeWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TimeChangeWatcher(QObject *parent = nullptr);
    ~TimeChangeWatcher() override;

    bool active() const { return m_fd >= 0; }

signals:
    void timeChanged();

private:
    bool arm();
    void readable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
