#include "clock/tdatetime.h"

#include <QTest>

class tst_TDateTime : public QObject
{
    Q_OBJECT

private slots:
    void decodes_data();
    void decodes();
    void roundTrip();
};

void tst_TDateTime::decodes_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("msec");
    QTest::newRow("midnight") << 0.0 << 0 << 0 << 0 << 0;
    QTest::newRow("noon") << 0.5 << 12 << 0 << 0 << 0;
    QTest::newRow("last millisecond") << 86'399'999.0 / 86'400'000 << 23 << 59 << 59 << 999;
    QTest::newRow("one day wraps") << 1.0 << 0 << 0 << 0 << 0;
    QTest::newRow("day and a half") << 1.5 << 12 << 0 << 0 << 0;
    QTest::newRow("negative by magnitude") << -0.25 << 6 << 0 << 0 << 0;
    QTest::newRow("half ms to even (down)") << 0.5 / 86'400'000 << 0 << 0 << 0 << 0;
    QTest::newRow("half ms to even (up)") << 1.5 / 86'400'000 << 0 << 0 << 0 << 2;
    QTest::newRow("not a number") << qQNaN() << 0 << 0 << 0 << 0;
    QTest::newRow("whole days beyond int range") << 1099511627776.0 << 0 << 0 << 0 << 0;
    // 10:00:00.500 + 0.003472 days = 10:05:00.4808 -> the millisecond is dropped later
    QTest::newRow("five-minute menu") << (36'000'500.0 / 86'400'000 + 0.003472) << 10 << 5 << 0 << 481;
}

void tst_TDateTime::decodes()
{
    QFETCH(double, value);
    const DecodedTime t = DecodeTime(value);
    QTEST(t.hour, "hour");
    QTEST(t.minute, "minute");
    QTEST(t.second, "second");
    QTEST(t.msec, "msec");
}

void tst_TDateTime::roundTrip()
{
    for (int ms = 0; ms < MSecsPerDay; ms += 999'983) {
        const DecodedTime t = DecodeTime(MSecsToTime(ms));
        QCOMPARE(((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.msec, ms);
        QCOMPARE(TimeToMSecs(EncodeTime(t.hour, t.minute, t.second, t.msec)), ms);
    }
}

QTEST_APPLESS_MAIN(tst_TDateTime)
#include "tst_tdatetime.moc"
