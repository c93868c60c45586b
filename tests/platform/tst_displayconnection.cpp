#include "platform/displayconnection.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_DisplayConnection : public QObject
{
    Q_OBJECT

private slots:
    void usesX11_data();
    void usesX11();
    void unreachableDisplay();
};

void tst_DisplayConnection::usesX11_data()
{
    QTest::addColumn<QString>("argument"); // -platform
    QTest::addColumn<QString>("environment"); // QT_QPA_PLATFORM
    QTest::addColumn<QString>("wayland"); // WAYLAND_DISPLAY
    QTest::addColumn<bool>("x11");
    QTest::newRow("nothing chosen: Qt's default") << QString() << QString() << QString() << true;
    QTest::newRow("nothing chosen, a compositor: Wayland first") << QString() << QString() << u"wayland-0"_s << false;
    QTest::newRow("xcb chosen beside a compositor") << QString() << u"xcb"_s << u"wayland-0"_s << true;
    QTest::newRow("xcb") << QString() << u"xcb"_s << QString() << true;
    QTest::newRow("xcb with an option") << QString() << u"xcb:nomitshm"_s << QString() << true;
    QTest::newRow("offscreen: no display needed") << QString() << u"offscreen"_s << QString() << false;
    QTest::newRow("first of a list counts") << QString() << u"wayland;xcb"_s << QString() << false;
    QTest::newRow("-platform wins over the environment") << u"xcb"_s << u"offscreen"_s << QString() << true;
    QTest::newRow("-platform offscreen") << u"offscreen"_s << QString() << QString() << false;
}

void tst_DisplayConnection::usesX11()
{
    QFETCH(QString, argument);
    QFETCH(QString, environment);
    QFETCH(QString, wayland);
    QFETCH(bool, x11);
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    const QByteArray savedWayland = qgetenv("WAYLAND_DISPLAY");
    qputenv("QT_QPA_PLATFORM", environment.toLocal8Bit());
    qputenv("WAYLAND_DISPLAY", wayland.toLocal8Bit());
    const bool result = platform::usesX11(argument);
    qputenv("QT_QPA_PLATFORM", saved);
    qputenv("WAYLAND_DISPLAY", savedWayland);
    QCOMPARE(result, x11);
}

void tst_DisplayConnection::unreachableDisplay()
{
    QVERIFY(!QFile::exists(u"/tmp/.X11-unix/X2995"_s));
    QVERIFY(!platform::canReachDisplay(u":2995"_s));
}

QTEST_MAIN(tst_DisplayConnection)
#include "tst_displayconnection.moc"
