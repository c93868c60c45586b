#include "platform/systemclock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <ctime>

namespace {

constexpr long long MSecsPerDay = 86'400'000LL;

long long qtLocalMSecs()
{
    const QDateTime now = QDateTime::currentDateTime();
    return now.date().toJulianDay() * MSecsPerDay + now.time().msecsSinceStartOfDay();
}

void setZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

// Our reading must lie between two of Qt's taken around it.
void checkAgainstQt(const platform::SystemClock &clock)
{
    const long long before = qtLocalMSecs();
    const long long ours = clock.localMSecs();
    const int ofDay = clock.msecsSinceMidnight();
    const long long after = qtLocalMSecs();
    QVERIFY2(before <= ours && ours <= after,
             qPrintable(QStringLiteral("%1 <= %2 <= %3").arg(before).arg(ours).arg(after)));
    QVERIFY(ofDay >= 0 && ofDay < MSecsPerDay);
    QVERIFY(ofDay >= before % MSecsPerDay || ofDay <= after % MSecsPerDay);
}

void waitForNextSecond()
{
    QElapsedTimer waited;
    waited.start();
    const time_t start = time(nullptr);
    while (time(nullptr) == start && waited.elapsed() < 2000)
        QThread::msleep(5);
}

} // namespace

class tst_SystemClock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setZone("UTC"); }
    void localTimeInEveryZone_data();
    void localTimeInEveryZone();
    void zoneChangeShowsWithinASecond();
};

void tst_SystemClock::localTimeInEveryZone_data()
{
    QTest::addColumn<QByteArray>("zone");
    QTest::newRow("UTC") << QByteArray("UTC");
    QTest::newRow("Berlin") << QByteArray("Europe/Berlin");
    QTest::newRow("Chatham, +12:45") << QByteArray("Pacific/Chatham");
    QTest::newRow("St. John's, -3:30") << QByteArray("America/St_Johns");
    QTest::newRow("Kiritimati, +14") << QByteArray("Pacific/Kiritimati");
}

void tst_SystemClock::localTimeInEveryZone()
{
    QFETCH(QByteArray, zone);
    setZone(zone);
    // A thread of its own, so no reading kept from an earlier zone counts.
    QThread *thread = QThread::create([] {
        for (int i = 0; i < 200; ++i)
            checkAgainstQt(platform::SystemClock::local());
    });
    thread->start();
    QVERIFY(thread->wait(10'000));
    delete thread;
}

void tst_SystemClock::zoneChangeShowsWithinASecond()
{
    // The conversion is kept for the second it was made in, no longer.
    for (const char *zone : {"Europe/Berlin", "Pacific/Chatham", "America/St_Johns"}) {
        setZone(zone);
        waitForNextSecond();
        checkAgainstQt(platform::SystemClock::local());
    }
}

QTEST_MAIN(tst_SystemClock)
#include "tst_systemclock.moc"
