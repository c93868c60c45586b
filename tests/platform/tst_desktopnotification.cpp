#include "platform/desktopnotification.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The notification service, on a connection of its own to the test's private
// session bus.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities;
    QStringList bodies;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body,
                const QStringList &, const QVariantMap &, int)
    {
        bodies << body;
        return uint(bodies.size());
    }
    void CloseNotification(uint) {}
};

class tst_DesktopNotification : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void bodyIsPlainText_data();
    void bodyIsPlainText();

private:
    QProcess m_busDaemon;
    FakeNotifications m_service;
};

void tst_DesktopNotification::initTestCase()
{
    // A session bus of the test's own, before anything asks for one.
    m_busDaemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--nopidfile"_s, u"--print-address=1"_s});
    QVERIFY(m_busDaemon.waitForReadyRead(10'000));
    const QByteArray address = m_busDaemon.readLine().trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::sessionBus().isConnected());

    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(address), u"service"_s);
    QVERIFY(bus.isConnected());
    QVERIFY(bus.registerObject(u"/org/freedesktop/Notifications"_s, &m_service, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService(u"org.freedesktop.Notifications"_s));
}

void tst_DesktopNotification::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus(u"service"_s);
    m_busDaemon.terminate();
    m_busDaemon.waitForFinished();
}

// The alarm's text is the user's: a service that reads markup in bodies gets
// it escaped, one that does not gets it as it is.
void tst_DesktopNotification::bodyIsPlainText_data()
{
    QTest::addColumn<QStringList>("capabilities");
    QTest::addColumn<QString>("body");
    const QString text = u"<b>Termin</b> & mehr\n(fällig um 07:00:00)"_s;
    QTest::newRow("markup read") << QStringList{u"body"_s, u"body-markup"_s}
                                 << u"&lt;b&gt;Termin&lt;/b&gt; &amp; mehr\n(fällig um 07:00:00)"_s;
    QTest::newRow("plain bodies") << QStringList{u"body"_s} << text;
}

void tst_DesktopNotification::bodyIsPlainText()
{
    QFETCH(QStringList, capabilities);
    QFETCH(QString, body);
    m_service.capabilities = capabilities;
    m_service.bodies.clear();
    platform::DesktopNotification notification;
    notification.show(u"Alarm: AKTIV"_s, u"<b>Termin</b> & mehr\n(fällig um 07:00:00)"_s);
    QTRY_COMPARE(m_service.bodies.size(), 1);
    QCOMPARE(m_service.bodies[0], body);
    // The next one of the same notification asks no more.
    notification.show(u"Alarm: AKTIV"_s, u"<i>"_s);
    QTRY_COMPARE(m_service.bodies.size(), 2);
    QCOMPARE(m_service.bodies[1], capabilities.contains(u"body-markup"_s) ? u"&lt;i&gt;"_s : u"<i>"_s);
}

QTEST_MAIN(tst_DesktopNotification)
#include "tst_desktopnotification.moc"
