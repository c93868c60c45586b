#include "platform/attentionwatch.h"
#include "platform/platformchoice.h"
#include "platform/windowactivation.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

#include <vector>

using namespace Qt::StringLiterals;

class tst_WindowActivation : public QObject
{
    Q_OBJECT

private slots:
    void restoresAMinimisedWindow();
    void bringsAWindowToTheFront();
    void bringingForwardServesNoEvents();
    void notifiesUnlessSeenActive_data();
    void notifiesUnlessSeenActive();
    void choosesX11_data();
    void choosesX11();
};

void tst_WindowActivation::restoresAMinimisedWindow()
{
    QWidget window;
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    platform::WindowActivation::system().restore(&window);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());
}

void tst_WindowActivation::bringsAWindowToTheFront()
{
    QWidget other;
    other.show();
    other.activateWindow();
    QWidget window;
    window.showMinimized();
    QTRY_VERIFY(window.isMinimized());
    // Says how things stand at once; the activation itself may come later.
    const bool activeAtOnce = platform::WindowActivation::system().bringToForeground(&window);
    QCOMPARE(activeAtOnce, window.isActiveWindow());
    QVERIFY(!window.isMinimized());
    QTRY_VERIFY(window.isActiveWindow());
}

void tst_WindowActivation::bringingForwardServesNoEvents()
{
    // A window the desktop does not let in front: nothing may be handled while
    // the alarm brings it forward, no tick and no second alarm.
    QWidget window;
    bool served = false;
    QTimer::singleShot(0, this, [&served] { served = true; });
    platform::WindowActivation::system().bringToForeground(&window);
    QVERIFY(!served);
    QTRY_VERIFY(served);
}

void tst_WindowActivation::notifiesUnlessSeenActive_data()
{
    QTest::addColumn<bool>("activeAtCheck");
    QTest::addColumn<bool>("confirmedBefore");
    QTest::addColumn<QStringList>("calls");
    const QString shown = u"show Alarm: AKTIV / Aufstehen!"_s;
    QTest::newRow("not active half a second after the raise: notified, then withdrawn")
        << false << false << QStringList{shown, u"withdraw"_s};
    QTest::newRow("active by then: no notification") << true << false << QStringList{};
    QTest::newRow("message confirmed before the check: nothing") << false << true << QStringList{};
}

void tst_WindowActivation::notifiesUnlessSeenActive()
{
    QFETCH(bool, activeAtCheck);
    QFETCH(bool, confirmedBefore);
    QFETCH(QStringList, calls);
    QStringList seen;
    bool active = false;
    platform::AttentionWatch watch(
        [&active] { return active; },
        {[&seen](const QString &summary, const QString &body) { seen << u"show %1 / %2"_s.arg(summary, body); },
         [&seen] { seen << u"withdraw"_s; }});
    watch.raised();
    watch.watch(u"Alarm: AKTIV"_s, u"Aufstehen!"_s);
    // Checked by a timer, no later than half a second after the raise.
    QVERIFY(watch.timer().isActive());
    QVERIFY(watch.timer().isSingleShot());
    QVERIFY(watch.timer().remainingTime() <= platform::AttentionWatch::ConfirmWithinMs);
    QVERIFY(seen.isEmpty());
    if (confirmedBefore)
        watch.withdraw();
    active = activeAtCheck;
    if (watch.timer().isActive())
        watch.check();
    if (!confirmedBefore)
        watch.withdraw();
    QCOMPARE(seen, calls);
    QVERIFY(!watch.timer().isActive());
}

void tst_WindowActivation::choosesX11_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("variableSet");
    QTest::addColumn<bool>("reachable");
    QTest::addColumn<bool>("x11");
    const QStringList plain{u"brenvik-timer"_s};
    QTest::newRow("display reachable, nothing chosen") << plain << false << true << true;
    QTest::newRow("no display") << plain << false << false << false;
    QTest::newRow("QT_QPA_PLATFORM set") << plain << true << true << false;
    QTest::newRow("-platform wayland") << QStringList{u"b"_s, u"-platform"_s, u"wayland"_s} << false << true << false;
    QTest::newRow("--platform=wayland") << QStringList{u"b"_s, u"--platform=wayland"_s} << false << true << false;
    QTest::newRow("other arguments") << QStringList{u"b"_s, u"-style"_s, u"fusion"_s} << false << true << true;
}

void tst_WindowActivation::choosesX11()
{
    QFETCH(QStringList, args);
    QFETCH(bool, variableSet);
    QFETCH(bool, reachable);
    QFETCH(bool, x11);
    std::vector<QByteArray> storage;
    std::vector<const char *> argv;
    for (const QString &arg : args)
        storage.push_back(arg.toLocal8Bit());
    for (const QByteArray &arg : storage)
        argv.push_back(arg.constData());
    QCOMPARE(platform::shouldChooseX11(int(argv.size()), argv.data(), variableSet, reachable), x11);
}

QTEST_MAIN(tst_WindowActivation)
#include "tst_windowactivation.moc"
