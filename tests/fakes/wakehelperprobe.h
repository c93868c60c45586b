#pragma once

// What the kernel shows of a running wake-up helper: its timer and its
// capabilities, read from /proc. Shared by the tests of the helper and of the
// program's side.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <optional>

#include <grp.h>
#include <sys/types.h>
#include <unistd.h>

namespace wakeprobe {

constexpr quint64 CapWakeAlarm = quint64(1) << 35;

struct TimerInfo
{
    int clockId = -1;
    qint64 secondsLeft = -1;
};

// The first timerfd of the process, if it has one.
inline std::optional<TimerInfo> timerOf(qint64 pid)
{
    const QString base = QStringLiteral("/proc/%1/").arg(pid);
    const QStringList fds = QDir(base + QStringLiteral("fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System);
    for (const QString &fd : fds) {
        char target[64] = {};
        const QByteArray link = QFile::encodeName(base + QStringLiteral("fd/") + fd);
        if (readlink(link.constData(), target, sizeof target - 1) < 0
            || !QByteArray(target).contains("timerfd"))
            continue;
        QFile info(base + QStringLiteral("fdinfo/") + fd);
        if (!info.open(QIODevice::ReadOnly))
            continue;
        TimerInfo timer;
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith("clockid:"))
                timer.clockId = line.mid(8).trimmed().toInt();
            else if (line.startsWith("it_value:")) // it_value: (3599, 145448880)
                timer.secondsLeft = line.mid(line.indexOf('(') + 1).split(',').value(0).trimmed().toLongLong();
        }
        if (timer.clockId >= 0)
            return timer;
    }
    return std::nullopt;
}

// CapPrm and CapEff of the process, or nullopt when it is gone.
inline std::optional<std::pair<quint64, quint64>> capabilitiesOf(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    quint64 permitted = 0, effective = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("CapPrm:"))
            permitted = line.mid(7).trimmed().toULongLong(nullptr, 16);
        else if (line.startsWith("CapEff:"))
            effective = line.mid(7).trimmed().toULongLong(nullptr, 16);
    }
    return std::pair{permitted, effective};
}

// Whether this process has CAP_WAKE_ALARM in the given set of its status
// ("CapEff", "CapBnd"); a container may leave it out of both.
inline bool selfHasWakeAlarm(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().toULongLong(nullptr, 16) & CapWakeAlarm;
    }
    return false;
}

// Whether the process has ended (gone, or a zombie nobody has reaped yet).
inline bool ended(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) == "Z";
}

// A copy of the helper in a folder every user can read, given cap_wake_alarm
// with setcap. Empty with a reason where that cannot be done here.
struct CapableCopy
{
    QTemporaryDir dir;
    QString path;
    QString whyNot;
};

inline void makeCapableCopy(CapableCopy &copy, const QString &helper)
{
    if (geteuid() != 0) {
        copy.whyNot = QStringLiteral("setcap needs root; run as root to test the capability");
        return;
    }
    if (!selfHasWakeAlarm("CapBnd")) {
        copy.whyNot = QStringLiteral("CAP_WAKE_ALARM is not in this process's bounding set "
                                     "(a container without it): no file can be given it");
        return;
    }
    if (!copy.dir.isValid()) {
        copy.whyNot = QStringLiteral("no temporary folder");
        return;
    }
    QFile::setPermissions(copy.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                               | QFile::ReadOther | QFile::ExeOther
                                               | QFile::ReadGroup | QFile::ExeGroup);
    const QString path = copy.dir.filePath(QStringLiteral("brenvik-wake"));
    if (!QFile::copy(helper, path)) {
        copy.whyNot = QStringLiteral("cannot copy the helper");
        return;
    }
    QProcess setcap;
    setcap.start(QStringLiteral("setcap"), {QStringLiteral("cap_wake_alarm=ep"), path});
    if (!setcap.waitForFinished(10000) || setcap.exitStatus() != QProcess::NormalExit
        || setcap.exitCode() != 0) {
        copy.whyNot = QStringLiteral("setcap cap_wake_alarm=ep failed (libcap2-bin missing, or a "
                                     "file system without security attributes): ")
                      + QString::fromLocal8Bit(setcap.readAllStandardError()).trimmed();
        return;
    }
    copy.path = path;
}

// Runs the child as the user nobody; set with QProcess::setChildProcessModifier.
inline void becomeNobody()
{
    constexpr uid_t nobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0)
        _exit(127);
}

// Where a test must not skip.
inline bool underCi()
{
    return qEnvironmentVariable("CI") == QStringLiteral("true");
}

} // namespace wakeprobe
