#include "platform/systemclock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>

#include <ctime>

using namespace Qt::StringLiterals;

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

// Our reading must lie between two of Qt's taken around it; says what went wrong.
QString compareWithQt(const platform::SystemClock &clock)
{
    const long long before = qtLocalMSecs();
    const long long ours = clock.localMSecs();
    const int ofDay = clock.msecsSinceMidnight();
    const long long after = qtLocalMSecs();
    if (before > ours || ours > after)
        return QStringLiteral("%1 <= %2 <= %3").arg(before).arg(ours).arg(after);
    if (ofDay < 0 || ofDay >= MSecsPerDay
        || (ofDay < before % MSecsPerDay && ofDay > after % MSecsPerDay))
        return QStringLiteral("time of day %1 outside %2 .. %3").arg(ofDay).arg(before % MSecsPerDay).arg(after % MSecsPerDay);
    return {};
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
    QString error;
    QThread *thread = QThread::create([&error] {
        for (int i = 0; i < 200 && error.isEmpty(); ++i)
            error = compareWithQt(platform::SystemClock::local());
    });
    thread->start();
    QVERIFY(thread->wait(10'000));
    delete thread;
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void tst_SystemClock::zoneChangeShowsWithinASecond()
{
    // The conversion is kept for the second it was made in, no longer.
    for (const char *zone : {"Europe/Berlin", "Pacific/Chatham", "America/St_Johns"}) {
        setZone(zone);
        waitForNextSecond();
        const QString error = compareWithQt(platform::SystemClock::local());
        QVERIFY2(error.isEmpty(), qPrintable(QLatin1StringView(zone) + u": "_s + error));
    }
}

QTEST_MAIN(tst_SystemClock)
#include "tst_systemclock.moc"
