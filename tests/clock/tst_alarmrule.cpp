#include "clock/alarmrule.h"
#include "base/errors.h"

#include <QLocale>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Local time: day number and time of day in one count of milliseconds.
constexpr qint64 at(int day, int h, int m, int s, int msec = 0)
{
    return qint64(day) * MSecsPerDay + ((h * 60 + m) * 60 + s) * 1000 + msec;
}

} // namespace

class tst_AlarmRule : public QObject
{
    Q_OBJECT

private slots:
    void evaluation_data();
    void evaluation();
    void invalidPartChangesNothing();
};

void tst_AlarmRule::evaluation_data()
{
    QTest::addColumn<qint64>("writtenAt");
    QTest::addColumn<QTime>("alarm");
    QTest::addColumn<int>("enableAtTick");   // -1: armed together with the write
    QTest::addColumn<QList<qint64>>("ticks");
    // One character a tick: '.' nothing, 'F' fires in its window, 'L' fires late.
    QTest::addColumn<QString>("outcomes");

    const QTime seven(7, 0, 0);
    QTest::newRow("small step into the minute: on time")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 6, 59, 59, 900), at(0, 7, 0, 0, 350), at(0, 7, 0, 0, 800)} << u".F."_s;
    QTest::newRow("late tick still inside the minute: on time")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 6, 59, 30), at(0, 7, 0, 59, 999)} << u".F"_s;
    QTest::newRow("stopped over the whole minute: late, once")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 6, 59, 59, 800), at(0, 7, 1, 30), at(0, 7, 1, 31), at(0, 12, 0, 0)}
        << u".L.."_s;
    QTest::newRow("clock set forward by hours: late")
        << at(0, 6, 0, 0) << seven << -1 << QList<qint64>{at(0, 6, 30, 0), at(0, 9, 0, 0)} << u".L"_s;
    QTest::newRow("spring change skips the alarm's hour: late")
        << at(0, 1, 0, 0) << QTime(2, 30, 0) << -1
        << QList<qint64>{at(0, 1, 59, 59, 800), at(0, 3, 0, 0, 250)} << u".L"_s;
    QTest::newRow("stopped across midnight over an early alarm: late")
        << at(0, 22, 0, 0) << QTime(0, 0, 30) << -1
        << QList<qint64>{at(0, 23, 59, 50), at(1, 0, 5, 0)} << u".L"_s;
    QTest::newRow("already fired today, suspended into tomorrow past it: late")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 7, 0, 0, 200), at(0, 12, 0, 0), at(1, 9, 0, 0)} << u"F.L"_s;
    QTest::newRow("armed after its time, suspended into tomorrow past it: late")
        << at(0, 8, 0, 0) << seven << -1
        << QList<qint64>{at(0, 8, 0, 0, 450), at(1, 7, 30, 0)} << u".L"_s;
    QTest::newRow("suspended overnight, woken before it: on time")
        << at(0, 21, 0, 0) << seven << -1
        << QList<qint64>{at(0, 22, 0, 0), at(1, 6, 30, 0), at(1, 7, 0, 0, 300)} << u"..F"_s;
    QTest::newRow("away two days, woken before it: yesterday's late, today's on time")
        << at(0, 21, 0, 0) << seven << -1
        << QList<qint64>{at(0, 22, 0, 0), at(2, 6, 0, 0), at(2, 7, 0, 0, 300)} << u".LF"_s;
    QTest::newRow("fired, then woken in the next day's window: fires")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 7, 0, 0, 200), at(0, 7, 0, 30), at(1, 7, 0, 20)} << u"F.F"_s;
    QTest::newRow("stopped right after arming, before the first tick: late")
        << at(0, 6, 59, 59, 900) << seven << -1 << QList<qint64>{at(0, 7, 5, 0)} << u"L"_s;
    QTest::newRow("armed after its time: tomorrow, never late")
        << at(0, 7, 30, 0) << seven << -1
        << QList<qint64>{at(0, 7, 30, 0, 450), at(0, 23, 59, 59, 900), at(1, 0, 0, 0, 350),
                         at(1, 7, 0, 0, 200)}
        << u"...F"_s;
    QTest::newRow("midnight armed in its own minute: tomorrow")
        << at(0, 0, 0, 20) << QTime(0, 0, 0) << -1
        << QList<qint64>{at(0, 0, 0, 20, 450), at(0, 0, 1, 0, 100), at(0, 23, 59, 59, 900),
                         at(1, 0, 0, 0, 300)}
        << u"...F"_s;
    QTest::newRow("midnight armed at its very millisecond: tomorrow")
        << at(0, 0, 0, 0) << QTime(0, 0, 0) << -1
        << QList<qint64>{at(0, 0, 0, 0, 450), at(1, 0, 0, 0, 100)} << u".F"_s;
    QTest::newRow("midnight armed during the day: at midnight")
        << at(0, 12, 0, 0) << QTime(0, 0, 0) << -1
        << QList<qint64>{at(0, 23, 59, 59, 900), at(1, 0, 0, 0, 300), at(1, 0, 0, 30)} << u".F."_s;
    QTest::newRow("midnight, stopped over it: late")
        << at(0, 12, 0, 0) << QTime(0, 0, 0) << -1
        << QList<qint64>{at(0, 23, 59, 59, 900), at(1, 0, 1, 30), at(1, 0, 1, 31)} << u".L."_s;
    QTest::newRow("set back over the alarm: no late alarm, pending again")
        << at(0, 7, 30, 0) << seven << -1
        << QList<qint64>{at(0, 7, 30, 0, 450), at(0, 6, 0, 0), at(0, 7, 0, 0, 100)} << u"..F"_s;
    QTest::newRow("set back to before the alarm after firing: fires again")
        << at(0, 6, 0, 0) << seven << -1
        << QList<qint64>{at(0, 7, 0, 10), at(0, 6, 0, 0), at(0, 7, 0, 10)} << u"F.F"_s;
    QTest::newRow("passed while disarmed: arming afterwards brings nothing")
        << at(0, 6, 0, 0) << seven << 1
        << QList<qint64>{at(0, 6, 59, 59), at(0, 7, 2, 0), at(0, 7, 2, 0, 450)} << u"..."_s;
    QTest::newRow("armed without a tick, then stopped over it: not late")
        << at(0, 6, 0, 0) << seven << 1
        << QList<qint64>{at(0, 6, 59, 0), at(0, 7, 2, 0)} << u".."_s;
}

void tst_AlarmRule::evaluation()
{
    QFETCH(qint64, writtenAt);
    QFETCH(QTime, alarm);
    QFETCH(int, enableAtTick);
    QFETCH(QList<qint64>, ticks);

    qint64 now = writtenAt;
    AlarmRule rule([&] { return now; });
    rule.setPart(1, alarm.hour());
    rule.setPart(2, alarm.minute());
    rule.setPart(3, alarm.second());
    bool enabled = enableAtTick < 0;
    QString outcomes;
    for (int i = 0; i < ticks.size(); ++i) {
        if (i == enableAtTick)
            enabled = true;
        now = ticks[i];
        switch (rule.evaluate(enabled)) {
        case AlarmRule::Outcome::None: outcomes += u'.'; break;
        case AlarmRule::Outcome::Fire: outcomes += u'F'; break;
        case AlarmRule::Outcome::Late: outcomes += u'L'; break;
        }
    }
    QTEST(outcomes, "outcomes");
}

void tst_AlarmRule::invalidPartChangesNothing()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    qint64 now = at(0, 7, 45, 0);
    int reads = 0;
    AlarmRule rule([&] { ++reads; return now; });
    rule.setPart(1, 7);
    rule.setPart(2, 30);
    QVERIFY(!rule.pending());
    reads = 0;
    now = at(0, 6, 0, 0);   // a write that went through would make it pending again
    QVERIFY_THROWS_EXCEPTION(EConvertError, rule.setPart(2, 60));
    QCOMPARE(reads, 0);
    QCOMPARE(rule.time(), EncodeTime(7, 30, 0));
    QVERIFY(!rule.pending());
}

QTEST_GUILESS_MAIN(tst_AlarmRule)
#include "tst_alarmrule.moc"
