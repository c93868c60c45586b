#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Tells when the system's wall clock has been set (not when it merely runs on).
// Behind an interface so that tests set the clock.
class TimeChangeWatcher : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Whether a set clock is noticed at all.
    virtual bool active() const = 0;

signals:
    void timeChanged();
};

// The real one. On Linux a timerfd armed far in the future with
// TFD_TIMER_CANCEL_ON_SET is cancelled by every clock change; where that is
// not available, it stays quiet and a clock sees a changed time at its next tick.
class SystemTimeChangeWatcher final : public TimeChangeWatcher
{
    Q_OBJECT

public:
    explicit SystemTimeChangeWatcher(QObject *parent = nullptr);
    ~SystemTimeChangeWatcher() override;

    bool active() const override { return m_fd >= 0; }

private:
    bool arm();
    void readable();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace platform
