// The wake-up helper as the program runs it: what it refuses, the timer it
// sets, the capability it keeps, and the three ways it ends.

#include "tests/fakes/wakehelperprobe.h"

#include <QDateTime>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <cstddef>

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>

using namespace Qt::StringLiterals;

class tst_BrenvikWake : public QObject
{
    Q_OBJECT

private slots:
    void refuses_data();
    void refuses();
    void acceptsUpToFortyEightHours();
    void setsAlarmClockTimerAndKeepsNoOtherCapability();
    void withoutCapabilityEndsAtOnce();
    void endsWhenTheTimeComes();
    void endsOnSigtermAndWithItsParent();
    void failsClosedWhenTheCapabilityStays();
    void linkedWithoutSearchPathAndBoundAtStart();

private:
    static QString helper() { return QStringLiteral(BRENVIK_WAKE_HELPER); }
    static qint64 now() { return QDateTime::currentSecsSinceEpoch(); }
    // Starts the capable copy as nobody, or skips (fails under CI) where it cannot.
    bool startCapable(QProcess &process, wakeprobe::CapableCopy &copy, qint64 when);
};

bool tst_BrenvikWake::startCapable(QProcess &process, wakeprobe::CapableCopy &copy, qint64 when)
{
    wakeprobe::makeCapableCopy(copy, helper());
    if (copy.path.isEmpty())
        return false;
    process.setChildProcessModifier(wakeprobe::becomeNobody);
    process.start(copy.path, {QString::number(when)});
    return process.waitForStarted(5000);
}

#define REQUIRE_CAPABLE(started, copy)                                                             \
    do {                                                                                           \
        if (!(started)) {                                                                          \
            if (wakeprobe::underCi())                                                              \
                QFAIL(qPrintable(u"cannot give the helper its capability: "_s + (copy).whyNot));  \
            QSKIP(qPrintable((copy).whyNot));                                                      \
        }                                                                                          \
    } while (false)

void tst_BrenvikWake::refuses_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString inAMinute = QString::number(now() + 60);
    QTest::newRow("no argument") << QStringList{};
    QTest::newRow("extra argument") << QStringList{inAMinute, u"1"_s};
    QTest::newRow("empty") << QStringList{QString()};
    QTest::newRow("letters") << QStringList{u"morgen"_s};
    QTest::newRow("fraction") << QStringList{inAMinute + u".5"_s};
    QTest::newRow("leading blank") << QStringList{u" "_s + inAMinute};
    QTest::newRow("plus sign") << QStringList{u"+"_s + inAMinute};
    QTest::newRow("hexadecimal") << QStringList{u"0x"_s + QString::number(now() + 60, 16)};
    QTest::newRow("negative") << QStringList{u"-5"_s};
    QTest::newRow("beyond 64 bits") << QStringList{u"99999999999999999999999"_s};
    QTest::newRow("in the past") << QStringList{QString::number(now() - 60)};
    QTest::newRow("epoch") << QStringList{u"0"_s};
    QTest::newRow("beyond 48 hours") << QStringList{QString::number(now() + 48 * 3600 + 60)};
}

void tst_BrenvikWake::refuses()
{
    QFETCH(QStringList, arguments);
    QProcess process;
    process.start(helper(), arguments);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    const QByteArray error = process.readAllStandardError();
    QVERIFY2(error.startsWith("brenvik-wake: "), error.constData());
    QVERIFY(process.readAllStandardOutput().isEmpty());
}

void tst_BrenvikWake::acceptsUpToFortyEightHours()
{
    // Accepted: it waits (with the capability) or reports that it cannot set
    // a wake-up timer (without), but does not refuse the time.
    QProcess process;
    process.start(helper(), {QString::number(now() + 48 * 3600 - 5)});
    QVERIFY(process.waitForStarted(5000));
    if (process.waitForFinished(500))
        QCOMPARE(process.exitCode(), 3);
    process.terminate();
    process.waitForFinished(5000);
}

void tst_BrenvikWake::setsAlarmClockTimerAndKeepsNoOtherCapability()
{
    QProcess process;
    wakeprobe::CapableCopy copy;
    const qint64 when = now() + 3600;
    REQUIRE_CAPABLE(startCapable(process, copy, when), copy);

    std::optional<wakeprobe::TimerInfo> timer;
    QTRY_VERIFY_WITH_TIMEOUT((timer = wakeprobe::timerOf(process.processId())).has_value(), 5000);
    QCOMPARE(timer->clockId, 8); // CLOCK_REALTIME_ALARM
    QVERIFY2(qAbs(timer->secondsLeft - (when - now())) <= 2, qPrintable(QString::number(timer->secondsLeft)));

    const auto caps = wakeprobe::capabilitiesOf(process.processId());
    QVERIFY(caps.has_value());
    QCOMPARE(caps->first & ~wakeprobe::CapWakeAlarm, quint64(0));
    QCOMPARE(caps->second & ~wakeprobe::CapWakeAlarm, quint64(0));
    // Once the timer is set, not even that one is kept.
    QTRY_COMPARE_WITH_TIMEOUT(wakeprobe::capabilitiesOf(process.processId())->first, quint64(0), 5000);
    QCOMPARE(wakeprobe::capabilitiesOf(process.processId())->second, quint64(0));
    QCOMPARE(process.state(), QProcess::Running);
    process.terminate();
    QVERIFY(process.waitForFinished(5000));
}

void tst_BrenvikWake::withoutCapabilityEndsAtOnce()
{
    // The helper as built, without the capability: a normal user cannot set
    // a wake-up timer, and the program must learn that at once.
    QProcess process;
    if (geteuid() == 0) {
        wakeprobe::CapableCopy copy; // only for its readable folder
        QVERIFY(copy.dir.isValid());
        QFile::setPermissions(copy.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                   | QFile::ReadOther | QFile::ExeOther);
        const QString path = copy.dir.filePath(u"brenvik-wake"_s);
        QVERIFY(QFile::copy(helper(), path));
        process.setChildProcessModifier(wakeprobe::becomeNobody);
        process.start(path, {QString::number(now() + 3600)});
        QVERIFY(process.waitForFinished(5000));
    } else {
        process.start(helper(), {QString::number(now() + 3600)});
        QVERIFY(process.waitForFinished(5000));
    }
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 3);
    QVERIFY(process.readAllStandardError().startsWith("brenvik-wake: "));
}

void tst_BrenvikWake::endsWhenTheTimeComes()
{
    QProcess process;
    wakeprobe::CapableCopy copy;
    REQUIRE_CAPABLE(startCapable(process, copy, now() + 2), copy);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
}

void tst_BrenvikWake::endsOnSigtermAndWithItsParent()
{
    wakeprobe::CapableCopy copy;
    wakeprobe::makeCapableCopy(copy, helper());
    REQUIRE_CAPABLE(!copy.path.isEmpty(), copy);

    QProcess told;
    told.setChildProcessModifier(wakeprobe::becomeNobody);
    told.start(copy.path, {QString::number(now() + 3600)});
    QVERIFY(told.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(wakeprobe::timerOf(told.processId()).has_value(), 5000);
    told.terminate();
    QVERIFY(told.waitForFinished(5000));
    QCOMPARE(told.exitStatus(), QProcess::NormalExit);
    QCOMPARE(told.exitCode(), 0);

    // A parent that ends without stopping it (a crash): the shell execs into
    // a sleep, which the test kills.
    QProcess parent;
    parent.setChildProcessModifier(wakeprobe::becomeNobody);
    parent.start(u"sh"_s, {u"-c"_s, u"\"$0\" \"$1\" & echo $!; exec sleep 60"_s, copy.path,
                           QString::number(now() + 3600)});
    QVERIFY(parent.waitForReadyRead(5000));
    const qint64 helperPid = parent.readLine().trimmed().toLongLong();
    QVERIFY(helperPid > 0);
    QTRY_VERIFY_WITH_TIMEOUT(wakeprobe::timerOf(helperPid).has_value(), 5000);
    QVERIFY(!wakeprobe::ended(helperPid));
    ::kill(pid_t(parent.processId()), SIGKILL);
    QVERIFY(parent.waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(wakeprobe::ended(helperPid), 5000);
}

namespace {

// In the child before it runs the helper: capset fails with EPERM, as it
// would where a security module forbids it.
void forbidCapset()
{
    static sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_capset, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EPERM & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    static sock_fprog program{sizeof filter / sizeof filter[0], filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0
        || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(99);
}

} // namespace

void tst_BrenvikWake::failsClosedWhenTheCapabilityStays()
{
    // Root holds CAP_WAKE_ALARM without a file capability; the helper must
    // not go on waiting with it when it cannot give it up.
    if (::geteuid() != 0 || !(wakeprobe::capabilitiesOf(::getpid())->second & wakeprobe::CapWakeAlarm))
        QSKIP("needs root with CAP_WAKE_ALARM");
    QProcess process;
    process.setChildProcessModifier(forbidCapset);
    process.start(helper(), {QString::number(now() + 3600)});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().startsWith("brenvik-wake: die Berechtigung lässt sich nicht abgeben"));
}

void tst_BrenvikWake::linkedWithoutSearchPathAndBoundAtStart()
{
    // The file with a capability must not look for libraries where someone
    // could put one, nor resolve symbols late through writable tables.
    QProcess readelf;
    readelf.start(u"readelf"_s, {u"-d"_s, u"-l"_s, u"-W"_s, helper()});
    QVERIFY(readelf.waitForFinished(10000));
    QCOMPARE(readelf.exitCode(), 0);
    const QByteArray info = readelf.readAllStandardOutput();
    QVERIFY2(!info.contains("(RUNPATH)") && !info.contains("(RPATH)"), info.constData());
    QVERIFY2(info.contains("BIND_NOW"), info.constData());
    QVERIFY2(info.contains("GNU_RELRO"), info.constData());
}

QTEST_GUILESS_MAIN(tst_BrenvikWake)
#include "tst_brenvikwake.moc"
