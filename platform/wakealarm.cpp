#include "platform/wakealarm.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimeZone>

using namespace Qt::StringLiterals;

namespace platform {

QDateTime nextWakeTime(const QDateTime &now, QTime time)
{
    QDateTime next(now.date(), time, now.timeZone());
    if (next <= now)
        next = QDateTime(now.date().addDays(1), time, now.timeZone());
    return next;
}

HelperWakeAlarm::HelperWakeAlarm(const QString &helperPath, QObject *parent)
    : QObject(parent)
    , m_helperPath(helperPath.isEmpty() ? defaultHelperPath() : helperPath)
{
}

HelperWakeAlarm::~HelperWakeAlarm()
{
    endHelper();
}

QString HelperWakeAlarm::defaultHelperPath()
{
    return QCoreApplication::applicationDirPath() + u"/brenvik-wake"_s;
}

qint64 HelperWakeAlarm::helperPid() const
{
    return m_process ? m_process->processId() : 0;
}

void HelperWakeAlarm::arm(QTime time)
{
    m_time = time;
    m_armed = true;
    startHelper();
}

void HelperWakeAlarm::stop()
{
    m_armed = false;
    endHelper();
}

void HelperWakeAlarm::startHelper()
{
    endHelper();
    m_wakeTime = nextWakeTime(now(), m_time);
    auto *process = new QProcess(this);
    process->setProgram(m_helperPath);
    process->setArguments({QString::number(m_wakeTime.toSecsSinceEpoch())});
    // The program prints nothing; neither does its helper.
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    if (childModifier)
        process->setChildProcessModifier(childModifier);
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus) { helperFinished(process, exitCode); });
    // A helper that cannot be started (not installed) means no waking, no more.
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart && process == m_process) {
            m_process = nullptr;
            process->deleteLater();
        }
    });
    m_process = process;
    process->start();
}

void HelperWakeAlarm::endHelper()
{
    QProcess *process = m_process;
    m_process = nullptr;
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        // The helper leaves at once on SIGTERM; the wait only reaps it.
        process->terminate();
        if (!process->waitForFinished(1000)) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
    delete process;
}

void HelperWakeAlarm::helperFinished(QProcess *process, int exitCode)
{
    if (process != m_process)
        return;
    m_process = nullptr;
    process->deleteLater();
    emit helperEnded(exitCode);
    // The wake-up time came but the alarm is still armed: it did not fire then
    // (the clock was set, or the time did not exist that day), so hold the
    // timer for its next moment. Delivery stops this one.
    if (exitCode == 0 && m_armed && now() >= m_wakeTime)
        startHelper();
}

} // namespace platform
