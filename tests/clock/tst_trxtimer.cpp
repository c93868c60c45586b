#include "clock/trxtimer.h"
#include "platform/application.h"
#include "platform/errors.h"

#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Waits without serving the UI thread's events, so a handed-over tick stays in flight.
bool waitForHandOver(const TRxTimer &timer)
{
    QDeadlineTimer deadline(5000);
    while (!timer.handOverPending()) {
        if (deadline.hasExpired())
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
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
    void prioritiesKeepTheirOrder();

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
    platform::Application::setTerminating(false);
    platform::Application::setErrorPresenter({});
}

void tst_TRxTimer::defaultsAndNoTickWithoutHandler()
{
    TRxTimer timer;
    QCOMPARE(timer.enabled(), true);
    QCOMPARE(timer.interval(), 1000u);
    QCOMPARE(timer.syncEvent(), true);
    QCOMPARE(timer.threaded(), true);
    QCOMPARE(timer.threadPriority(), tpNormal);
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
    QTest::qWait(60);   // a tick already handed over may still arrive
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
    timer.setInterval(400);
    int oldTicks = 0;
    int newTicks = 0;
    QElapsedTimer clock;
    clock.start();
    timer.setOnTimer([&](QObject *) { ++oldTicks; });
    QTest::qWait(200);
    timer.setOnTimer([&](QObject *) { ++newTicks; });
    QTRY_VERIFY_WITH_TIMEOUT(newTicks >= 1, 5000);
    QVERIFY2(clock.elapsed() < 580, qPrintable(QString::number(clock.elapsed())));
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
    platform::Application::setTerminating(true);
    QTest::qWait(60);   // a tick already handed over may still arrive
    const int at = ticks;
    QTest::qWait(120);
    QCOMPARE(ticks, at);
    platform::Application::setTerminating(false);
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
    timer.setThreadPriority(tpLower);
    QVERIFY(!timer.workerActive());
    QCOMPARE(timer.threadPriority(), tpLower);
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

void tst_TRxTimer::prioritiesKeepTheirOrder()
{
    QCOMPARE(TRxTimer::qtPriority(tpIdle), QThread::IdlePriority);
    QCOMPARE(TRxTimer::qtPriority(tpNormal), QThread::NormalPriority);
    QCOMPARE(TRxTimer::qtPriority(tpTimeCritical), QThread::TimeCriticalPriority);
    for (int p = tpIdle; p < tpTimeCritical; ++p)
        QVERIFY(TRxTimer::qtPriority(TThreadPriority(p)) < TRxTimer::qtPriority(TThreadPriority(p + 1)));
}

QTEST_MAIN(tst_TRxTimer)
#include "tst_trxtimer.moc"
