#include "platform/windowactivation.h"

#include <QTest>
#include <QWidget>

class tst_WindowActivation : public QObject
{
    Q_OBJECT

private slots:
    void restoresAMinimisedWindow();
    void bringsAWindowToTheFront();
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

QTEST_MAIN(tst_WindowActivation)
#include "tst_windowactivation.moc"
