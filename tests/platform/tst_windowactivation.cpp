#include "platform/platformchoice.h"
#include "platform/windowactivation.h"

#include <QTest>

#include <vector>

using namespace Qt::StringLiterals;
#include <QWidget>

class tst_WindowActivation : public QObject
{
    Q_OBJECT

private slots:
    void restoresAMinimisedWindow();
    void bringsAWindowToTheFront();
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
    QVERIFY(platform::WindowActivation::system().bringToForeground(&window));
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isActiveWindow());
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
