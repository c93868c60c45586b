#include "platform/windowmanager.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

class tst_WindowManager : public QObject
{
    Q_OBJECT

private slots:
    void centresTheFrame();
};

void tst_WindowManager::centresTheFrame()
{
    QWidget window;
    window.resize(290, 260);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    platform::WindowManager::system().centreFrame(&window, screen);
    const QRect frame = window.frameGeometry();
    QVERIFY(frame.height() > window.height()); // the test platform draws a frame
    QCOMPARE(frame.topLeft(), QPoint((screen.width() - frame.width()) / 2,
                                     (screen.height() - frame.height()) / 2));
}

QTEST_MAIN(tst_WindowManager)
#include "tst_windowmanager.moc"
