#include "clock/trxclock.h"
#include "clock/trxtimer.h"
#include "platform/application.h"
#include "platform/programending.h"
#include "base/errors.h"
#include "tests/fakes/faketimechangewatcher.h"
#include "tests/fakes/handover.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using SteadyClock = std::chrono::steady_clock;

namespace {

// The kernel thread ids of this process's threads named TTimerThread.
QSet<int> timerThreads()
{
    QSet<int> ids;
    const QDir tasks(u"/proc/self/task"_s);
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + u"/comm"_s));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "TTimerThread")
            ids.insert(tid.toInt());
    }
    return ids;
}

// The worker of a timer made by `make`: the one TTimerThread that is new.
template<typename Make>
int newWorker(Make make)
{
    const QSet<int> before = timerThreads();
    make();
    QDeadlineTimer deadline(5000);
    for (;;) {
        // The thread takes its name once it runs.
        const QSet<int> after = timerThreads() - before;
        if (after.size() == 1 || deadline.hasExpired())
            return after.size() == 1 ? *after.begin() : 0;
        QThread::msleep(1);
    }
}

qint64 voluntarySwitches(int tid)
{
    QFile status(u"/proc/self/task/%1/status"_s.arg(tid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("voluntary_ctxt_switches:"))
            return line.mid(24).trimmed().toLongLong();
    return -1;
}

// Takes CAP_SYS_NICE out of this thread's effective set and RLIMIT_NICE down to
// 0, as for a user without privileges; both come back with the object.
class Unprivileged
{
public:
    Unprivileged()
    {
        getrlimit(RLIMIT_NICE, &m_limit);
        rlimit none = m_limit;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_NICE, &none);
        syscall(SYS_capget, &m_header, m_caps);
        __user_cap_data_struct reduced[_LINUX_CAPABILITY_U32S_3];
        std::copy(std::begin(m_caps), std::end(m_caps), std::begin(reduced));
        reduced[CAP_SYS_NICE / 32].effective &= ~(1u << (CAP_SYS_NICE % 32));
        syscall(SYS_capset, &m_header, reduced);
    }
    ~Unprivileged()
    {
        syscall(SYS_capset, &m_header, m_caps);
        setrlimit(RLIMIT_NICE, &m_limit);
    }

private:
    rlimit m_limit{};
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_caps[_LINUX_CAPABILITY_U32S_3] = {};
};

bool hasSysNice()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[_LINUX_CAPABILITY_U32S_3] = {};
    return syscall(SYS_capget, &header, caps) == 0
           && (caps[CAP_SYS_NICE / 32].effective & (1u << (CAP_SYS_NICE % 32)));
}

// How much a thread is favoured: SCHED_IDLE below all, then by nice value,
// then SCHED_BATCH below SCHED_OTHER at the same nice value.
struct Standing
{
    int policy = -1;
    int nice = 0;
    std::tuple<int, int, int> rank() const
    {
        return {policy == SCHED_IDLE ? 0 : 1, -nice, policy == SCHED_BATCH ? 0 : 1};
    }
};

Standing standingOf(int tid)
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id_t(tid));
    return {sched_getscheduler(tid), errno == 0 ? nice : 99};
}

struct Report
{
    QString caption;
    QString text;
    bool onUiThread = false;
};

} // namespace

class tst_TRxTimer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultsAndNoTickWithoutHandler();
    void stopsInEitherMode_data();
    void stopsInEitherMode();
    void replacedHandlerKeepsTiming();
    void disabledWhileTickInFlightIsNotCalled();
    void ticksReachNestedModalLoop();
    void destroyedWhileTickInFlight();
    void destroyedFromItsOwnTick();
    void handlerExceptionIsReportedAndTimerGoesOn_data();
    void handlerExceptionIsReportedAndTimerGoesOn();
    void noTicksWhileTerminating();
    void switchingModesMovesTheTicks();
    void windowModeRefusedTimer();
    void prioritiesAreAppliedInOrderAndReversibly_data();
    void prioritiesAreAppliedInOrderAndReversibly();
    void nestedLoopInHandler_data();
    void nestedLoopInHandler();
    void quietTicksAreSkippedOnTheGrid_data();
    void quietTicksAreSkippedOnTheGrid();
    void endingQuietWakesTheWorker_data();
    void endingQuietWakesTheWorker();
    void idleClockHandsOverOncePerSecond();

private:
    std::shared_ptr<QList<Report>> m_reports;
};

void tst_TRxTimer::init()
{
    m_reports = std::make_shared<QList<Report>>();
    auto reports = m_reports;
    QThread *ui = QThread::currentThread();
    platform::Application::setErrorPresenter([reports, ui](const QString &caption, const QString &text) {
        reports->append({caption, text, QThread::currentThread() == ui});
    });
}

void tst_TRxTimer::cleanup()
{
    platform::setProgramEnding(false);
    platform::Application::setErrorPresenter({});
}

void tst_TRxTimer::defaultsAndNoTickWithoutHandler()
{
    TRxTimer timer;
    QCOMPARE(timer.enabled(), true);
    QCOMPARE(timer.interval(), 1000u);
    QCOMPARE(timer.syncEvent(), true);
    QCOMPARE(timer.threaded(), true);
    QCOMPARE(timer.threadPriority(), TRxTimer::tpNormal);
    QVERIFY(!timer.onTimer());

    timer.setInterval(20);
    QVERIFY(!timer.workerActive());
    QVERIFY(!timer.timerWindowActive());

    std::atomic<int> ticks{0};
    QObject *sender = nullptr;
    timer.setOnTimer([&](QObject *s) { sender = s; ++ticks; });
    QVERIFY(timer.workerActive());
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
    QCOMPARE(sender, &timer);
}

void tst_TRxTimer::stopsInEitherMode_data()
{
    QTest::addColumn<bool>("threaded");
    QTest::addColumn<QString>("stop");
    for (bool threaded : {true, false}) {
        const char *mode = threaded ? "worker" : "window";
        for (const char *stop : {"interval 0", "disabled", "handler removed"})
            QTest::addRow("%s: %s", mode, stop) << threaded << QString::fromLatin1(stop);
    }
}

void tst_TRxTimer::stopsInEitherMode()
{
    QFETCH(bool, threaded);
    QFETCH(QString, stop);
    TRxTimer timer;
    timer.setThreaded(threaded);
    timer.setInterval(20);
    int ticks = 0;
    timer.setOnTimer([&](QObject *) { ++ticks; });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 5000);

    if (stop == u"interval 0")
        timer.setInterval(0);
    else if (stop == u"disabled")
        timer.setEnabled(false);
    else
        timer.setOnTimer({});
    QVERIFY(!timer.running());
    QVERIFY(!timer.workerActive());
    QCOMPARE(timer.timerWindowActive(), !threaded);   // the window stays, without a timer
    QTest::qWait(100);   // a tick already handed over may still arrive
    const int stoppedAt = ticks;
    QTest::qWait(120);
    QCOMPARE(ticks, stoppedAt);

    // And it starts again from the same write.
    if (stop == u"interval 0")
        timer.setInterval(20);
    else if (stop == u"disabled")
        timer.setEnabled(true);
    else
        timer.setOnTimer([&](QObject *) { ++ticks; });
    QTRY_VERIFY_WITH_TIMEOUT(ticks > stoppedAt, 5000);
}

void tst_TRxTimer::replacedHandlerKeepsTiming()
{
    // In window mode a re-applied state would restart the period: the first
    // tick of the new handler would then come a full interval after the swap.
    TRxTimer timer;
    timer.setThreaded(false);
    timer.setInterval(600);
    int oldTicks = 0;
    int newTicks = 0;
    QElapsedTimer clock;
    clock.start();
    timer.setOnTimer([&](QObject *) { ++oldTicks; });
    QTest::qWait(300);
    timer.setOnTimer([&](QObject *) { ++newTicks; });
    QTRY_VERIFY_WITH_TIMEOUT(newTicks >= 1, 5000);
    QVERIFY2(clock.elapsed() < 850, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(oldTicks, 0);
}

void tst_TRxTimer::disabledWhileTickInFlightIsNotCalled()
{
    TRxTimer timer;
    timer.setInterval(20);
    int ticks = 0;
    timer.setOnTimer([&](QObject *) { ++ticks; });
    QVERIFY(waitForHandOver(timer));
    timer.setEnabled(false);
    QTRY_VERIFY(!timer.handOverPending());
    QCOMPARE(ticks, 0);
}

void tst_TRxTimer::ticksReachNestedModalLoop()
{
    // A handler of one timer opens a modal dialog; another timer's ticks are
    // delivered inside it, while the first timer waits for its handler.
    TRxTimer outer;
    TRxTimer inner;
    outer.setInterval(20);
    inner.setInterval(20);
    int outerTicks = 0;
    int innerTicksInLoop = 0;
    int outerTicksSeenInLoop = -1;
    QDialog *running = nullptr;
    inner.setOnTimer([&](QObject *) {
        if (!running)
            return;
        outerTicksSeenInLoop = outerTicks;
        if (++innerTicksInLoop == 3)
            running->accept();
    });
    outer.setOnTimer([&](QObject *) {
        if (++outerTicks > 1)
            return;
        QDialog dialog;
        QTimer::singleShot(5000, &dialog, &QDialog::reject);
        running = &dialog;
        dialog.exec();
        running = nullptr;
    });
    QTRY_VERIFY_WITH_TIMEOUT(outerTicks >= 2, 10000);
    QVERIFY(innerTicksInLoop >= 3);
    QCOMPARE(outerTicksSeenInLoop, 1);   // the handed-over tick is never entered twice
}

void tst_TRxTimer::destroyedWhileTickInFlight()
{
    auto *timer = new TRxTimer;
    timer->setInterval(20);
    int ticks = 0;
    timer->setOnTimer([&](QObject *) { ++ticks; });
    QVERIFY(waitForHandOver(*timer));
    delete timer;   // no event loop runs here: the destructor serves the hand-over
    QTest::qWait(60);
    QCOMPARE(ticks, 0);
}

void tst_TRxTimer::destroyedFromItsOwnTick()
{
    QPointer<TRxTimer> timer = new TRxTimer;
    timer->setInterval(20);
    int ticks = 0;
    timer->setOnTimer([&](QObject *sender) {
        ++ticks;
        delete sender;
    });
    QTRY_VERIFY_WITH_TIMEOUT(timer.isNull(), 5000);
    QTest::qWait(80);   // the worker ends and its objects are released
    QCOMPARE(ticks, 1);
}

void tst_TRxTimer::handlerExceptionIsReportedAndTimerGoesOn_data()
{
    QTest::addColumn<bool>("threaded");
    QTest::addColumn<bool>("syncEvent");
    QTest::addColumn<bool>("silent");
    QTest::newRow("worker, handed over") << true << true << false;
    QTest::newRow("worker, on the worker") << true << false << false;
    QTest::newRow("window mode") << false << true << false;
    QTest::newRow("worker, handed over, silent abort") << true << true << true;
}

void tst_TRxTimer::handlerExceptionIsReportedAndTimerGoesOn()
{
    QFETCH(bool, threaded);
    QFETCH(bool, syncEvent);
    QFETCH(bool, silent);
    platform::Application::setTitle(u"Brenvik Timer"_s);
    TRxTimer timer;
    timer.setThreaded(threaded);
    timer.setSyncEvent(syncEvent);
    timer.setInterval(20);
    std::atomic<int> ticks{0};
    timer.setOnTimer([&](QObject *) {
        if (++ticks == 1) {
            if (silent)
                throw EAbort(u"still"_s);
            throw EConvertError(u"'x' ist kein gültiger Integerwert"_s);
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 5000);
    timer.setEnabled(false);
    if (silent) {
        QVERIFY(m_reports->isEmpty());
        return;
    }
    QCOMPARE(m_reports->size(), 1);
    QCOMPARE(m_reports->at(0).caption, u"Brenvik Timer"_s);
    QCOMPARE(m_reports->at(0).text, u"'x' ist kein gültiger Integerwert."_s);
    QVERIFY(m_reports->at(0).onUiThread);
}

void tst_TRxTimer::noTicksWhileTerminating()
{
    TRxTimer timer;
    timer.setInterval(20);
    int ticks = 0;
    timer.setOnTimer([&](QObject *) { ++ticks; });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 5000);
    platform::setProgramEnding(true);
    QTest::qWait(100);   // a tick already handed over may still arrive
    const int at = ticks;
    QTest::qWait(120);
    QCOMPARE(ticks, at);
    platform::setProgramEnding(false);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > at, 5000);
}

void tst_TRxTimer::switchingModesMovesTheTicks()
{
    TRxTimer timer;
    timer.setInterval(20);
    int ticks = 0;
    timer.setOnTimer([&](QObject *) { ++ticks; });
    QVERIFY(timer.workerActive());

    timer.setThreaded(false);
    QVERIFY(!timer.workerActive());
    QVERIFY(timer.timerWindowActive());
    int at = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks > at + 1, 5000);

    timer.setThreaded(true);
    QVERIFY(timer.workerActive());
    QVERIFY(!timer.timerWindowActive());
    at = ticks;
    QTRY_VERIFY_WITH_TIMEOUT(ticks > at + 1, 5000);

    // Stored while in window mode, applied when the worker starts again.
    timer.setThreaded(false);
    timer.setThreadPriority(TRxTimer::tpLower);
    QVERIFY(!timer.workerActive());
    QCOMPARE(timer.threadPriority(), TRxTimer::tpLower);
}

void tst_TRxTimer::windowModeRefusedTimer()
{
    TRxTimer timer;
    timer.setThreaded(false);
    timer.setOnTimer([](QObject *) {});
    try {
        timer.setInterval(3'000'000'000u);
        QFAIL("no exception");
    } catch (const EOutOfResources &error) {
        QCOMPARE(error.message(), u"Nicht genügend Timer verfügbar"_s);
    }
    QCOMPARE(timer.interval(), 3'000'000'000u);
    QVERIFY(timer.timerWindowActive());
}

void tst_TRxTimer::prioritiesAreAppliedInOrderAndReversibly_data()
{
    QTest::addColumn<bool>("privileged");
    QTest::newRow("with CAP_SYS_NICE") << true;
    QTest::newRow("without privileges") << false;
}

void tst_TRxTimer::prioritiesAreAppliedInOrderAndReversibly()
{
    QFETCH(bool, privileged);
    if (privileged && !hasSysNice())
        QSKIP("needs CAP_SYS_NICE (run as root)");
    std::optional<Unprivileged> drop;
    if (!privileged)
        drop.emplace();

    std::unique_ptr<TRxTimer> timer;
    const int tid = newWorker([&] { timer = std::make_unique<TRxTimer>(); });
    QVERIFY(tid != 0);
    timer->setInterval(10'000);
    timer->setOnTimer([](QObject *) {});
    const Standing normal = standingOf(tid);
    QCOMPARE(normal.policy, SCHED_OTHER);

    const TRxTimer::TThreadPriority all[] = {TRxTimer::tpIdle, TRxTimer::tpLowest, TRxTimer::tpLower, TRxTimer::tpNormal, TRxTimer::tpHigher, TRxTimer::tpHighest,
                                   TRxTimer::tpTimeCritical};
    Standing previous;
    for (TRxTimer::TThreadPriority p : all) {
        timer->setThreadPriority(p);
        const Standing now = standingOf(tid);
        if (p != TRxTimer::tpIdle) {
            QVERIFY2(previous.rank() <= now.rank(), qPrintable(u"%1 ranks below %2"_s.arg(p).arg(p - 1)));
            // With privileges every step is a real step (where the nice range
            // leaves room for it).
            if (privileged && normal.nice > -10 && normal.nice < 14)
                QVERIFY2(previous.rank() < now.rank(), qPrintable(u"%1 equals %2"_s.arg(p).arg(p - 1)));
        }
        previous = now;
        // And the worker can always come back.
        timer->setThreadPriority(TRxTimer::tpNormal);
        const Standing back = standingOf(tid);
        QCOMPARE(back.policy, SCHED_OTHER);
        QCOMPARE(back.nice, normal.nice);
        timer->setThreadPriority(p);
        QCOMPARE(standingOf(tid).rank(), now.rank());
    }
    if (privileged) {
        timer->setThreadPriority(TRxTimer::tpIdle);
        QCOMPARE(standingOf(tid).policy, SCHED_IDLE);
    }
    // A stopped timer only stores the priority; the next start applies it.
    timer->setThreadPriority(TRxTimer::tpNormal);
    timer->setEnabled(false);
    timer->setThreadPriority(TRxTimer::tpLowest);
    QCOMPARE(standingOf(tid).rank(), normal.rank());
    timer->setEnabled(true);
    QVERIFY(standingOf(tid).rank() < normal.rank());
}

void tst_TRxTimer::nestedLoopInHandler_data()
{
    QTest::addColumn<bool>("threaded");
    QTest::addColumn<bool>("reentered");
    // Window-mode ticks come through the event loop, also a nested one; a
    // handed-over tick keeps the worker waiting until it has returned.
    QTest::newRow("window mode") << false << true;
    QTest::newRow("worker, handed over") << true << false;
}

void tst_TRxTimer::nestedLoopInHandler()
{
    QFETCH(bool, threaded);
    QFETCH(bool, reentered);
    TRxTimer timer;
    timer.setThreaded(threaded);
    timer.setInterval(20);
    int depth = 0;
    int deepest = 0;
    int ticks = 0;
    int ticksAfterLoop = 0;
    bool loopDone = false;
    timer.setOnTimer([&](QObject *) {
        ++ticks;
        if (loopDone)
            ++ticksAfterLoop;
        ++depth;
        deepest = std::max(deepest, depth);
        if (ticks == 1) {
            QEventLoop loop;   // as a modal box runs one
            QTimer::singleShot(400, &loop, &QEventLoop::quit);
            loop.exec();
            loopDone = true;
        }
        --depth;
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticksAfterLoop >= 2, 10000);
    QCOMPARE(deepest > 1, reentered);
    if (reentered)
        QVERIFY2(ticks - ticksAfterLoop >= 3, qPrintable(QString::number(ticks - ticksAfterLoop)));
}

void tst_TRxTimer::quietTicksAreSkippedOnTheGrid_data()
{
    QTest::addColumn<bool>("threaded");
    QTest::newRow("worker") << true;
    QTest::newRow("window mode") << false;
}

void tst_TRxTimer::quietTicksAreSkippedOnTheGrid()
{
    QFETCH(bool, threaded);
    std::unique_ptr<TRxTimer> timer;
    const int tid = newWorker([&] { timer = std::make_unique<TRxTimer>(); });
    timer->setThreaded(threaded);
    timer->setInterval(20);
    std::vector<SteadyClock::time_point> ticks;
    SteadyClock::time_point quietEnd{};
    qint64 switchesBefore = 0;
    timer->setOnTimer([&](QObject *sender) {
        ticks.push_back(SteadyClock::now());
        if (ticks.size() == 1) {
            quietEnd = ticks.front() + std::chrono::milliseconds(1000);
            switchesBefore = voluntarySwitches(tid);
            static_cast<TRxTimer *>(sender)->setQuietUntil(quietEnd);
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 10000);
    const qint64 workerWakes = voluntarySwitches(tid) - switchesBefore;
    QVERIFY2(ticks[1] >= quietEnd, "a tick came inside the quiet second");
    const auto late = std::chrono::duration_cast<std::chrono::milliseconds>(ticks[1] - quietEnd);
    QVERIFY2(late.count() < 500, qPrintable(QString::number(late.count())));
    // The worker slept through instead of waking for every skipped tick (about 50).
    if (threaded)
        QVERIFY2(workerWakes <= 6, qPrintable(QString::number(workerWakes)));
    // After the quiet second the ticks come every Interval again.
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 5, 5000);
}

void tst_TRxTimer::endingQuietWakesTheWorker_data()
{
    QTest::addColumn<QString>("how");
    for (const char *how : {"cleared", "handler replaced", "interval changed"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void tst_TRxTimer::endingQuietWakesTheWorker()
{
    QFETCH(QString, how);
    TRxTimer timer;
    timer.setInterval(20);
    int ticks = 0;
    const auto count = [&](QObject *) { ++ticks; };
    timer.setOnTimer(count);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 1, 5000);
    timer.setQuietUntil(SteadyClock::now() + std::chrono::hours(1));
    QTest::qWait(100);   // a tick already handed over may still arrive
    const int at = ticks;
    QTest::qWait(100);
    QCOMPARE(ticks, at);
    if (how == u"cleared")
        timer.setQuietUntil({});
    else if (how == u"handler replaced")
        timer.setOnTimer([&](QObject *) { ++ticks; });
    else
        timer.setInterval(30);
    QTRY_VERIFY_WITH_TIMEOUT(ticks > at, 5000);
}

void tst_TRxTimer::idleClockHandsOverOncePerSecond()
{
    // The clock needs one tick per second of the system clock; the others
    // (450 ms apart) would draw nothing, and the worker sleeps through them.
    QWidget window;
    TRxClock *clock = nullptr;
    FakeTimeChangeWatcher timeChanges;
    // The real clock: only its seconds let the worker sleep through ticks.
    const int tid = newWorker([&] { clock = new TRxClock(&window, platform::SystemClock::local(), timeChanges); });
    QVERIFY(tid != 0);
    clock->setGeometry(0, 0, 137, 25);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(1000);
    const qint64 before = voluntarySwitches(tid);
    QElapsedTimer elapsed;
    elapsed.start();
    QTest::qWait(4000);
    const double seconds = elapsed.elapsed() / 1000.0;
    const qint64 wakes = voluntarySwitches(tid) - before;
    // Two waits per handed-over tick (its sleep and the hand-over); a tick
    // every 450 ms would make about 4.4 a second.
    QVERIFY2(wakes <= 2 * seconds + 3, qPrintable(u"%1 in %2 s"_s.arg(wakes).arg(seconds)));
}

QTEST_MAIN(tst_TRxTimer)
#include "tst_trxtimer.moc"
