#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTime>

#include <functional>

class QProcess;

namespace platform {

// Keeps the computer's wake-up timer set for the armed alarm, so that a
// suspended computer wakes in time for it. Waking is a bonus: where it is not
// available, nothing changes for the alarm itself.
class WakeAlarm
{
public:
    virtual ~WakeAlarm() = default;
    // Wake at the next moment the local clock reads time; replaces any earlier one.
    virtual void arm(QTime time) = 0;
    virtual void stop() = 0;
};

// The next moment after now at which now's clock reads time: today, or
// tomorrow when today's has passed (the alarm clock compares times of day).
QDateTime nextWakeTime(const QDateTime &now, QTime time);

// Runs the wake-up helper brenvik-wake, one at a time: it holds the timer for
// one moment and ends then, when it is stopped, or when this process ends.
class HelperWakeAlarm final : public QObject, public WakeAlarm
{
    Q_OBJECT

public:
    // The helper beside the program unless another path is given.
    explicit HelperWakeAlarm(const QString &helperPath = {}, QObject *parent = nullptr);
    ~HelperWakeAlarm() override;

    void arm(QTime time) override;
    void stop() override;

    static QString defaultHelperPath();

    // The local time; replaced by tests.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Lets tests start the helper under another user; empty in the program.
    std::function<void()> childModifier;

    // The running helper's process id (0: none) and the moment it was given.
    qint64 helperPid() const;
    QDateTime wakeTime() const { return m_wakeTime; }

    // Exit status of a helper that cannot set a wake-up timer on this system.
    static constexpr int ExitNoWakeTimer = 3;

signals:
    // A helper ended by itself: 0 when its time came, 2 when it refused the
    // time, ExitNoWakeTimer when waking is not available here.
    void helperEnded(int exitCode);

private:
    void startHelper();
    void endHelper();
    void helperFinished(QProcess *process, int exitCode);

    QString m_helperPath;
    QProcess *m_process = nullptr;
    QTime m_time;
    bool m_armed = false;
    QDateTime m_wakeTime;
};

} // namespace platform
