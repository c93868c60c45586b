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
    QTest::addColumn<bool>("x11");
    QTest::newRow("nothing chosen: Qt's default") << QString() << QString() << true;
    QTest::newRow("xcb") << QString() << u"xcb"_s << true;
    QTest::newRow("xcb with an option") << QString() << u"xcb:nomitshm"_s << true;
    QTest::newRow("offscreen: no display needed") << QString() << u"offscreen"_s << false;
    QTest::newRow("first of a list counts") << QString() << u"wayland;xcb"_s << false;
    QTest::newRow("-platform wins over the environment") << u"xcb"_s << u"offscreen"_s << true;
    QTest::newRow("-platform offscreen") << u"offscreen"_s << QString() << false;
}

void tst_DisplayConnection::usesX11()
{
    QFETCH(QString, argument);
    QFETCH(QString, environment);
    QFETCH(bool, x11);
    const QByteArray saved = qgetenv("QT_QPA_PLATFORM");
    qputenv("QT_QPA_PLATFORM", environment.toLocal8Bit());
    const bool result = platform::usesX11(argument);
    qputenv("QT_QPA_PLATFORM", saved);
    QCOMPARE(result, x11);
}

void tst_DisplayConnection::unreachableDisplay()
{
    QVERIFY(!QFile::exists(u"/tmp/.X11-unix/X2995"_s));
    QVERIFY(!platform::canReachDisplay(u":2995"_s));
}

QTEST_MAIN(tst_DisplayConnection)
#include "tst_displayconnection.moc"
