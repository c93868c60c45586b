// The program's side of waking: which moment it asks for, and that it keeps
// exactly one helper running while an alarm is armed, using the real helper.

#include "platform/wakealarm.h"
#include "tests/fakes/wakehelperprobe.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;

class tst_WakeAlarm : public QObject
{
    Q_OBJECT

private slots:
    void nextWakeTime_data();
    void nextWakeTime();

    void armSetsTheTimerAndReplacesTheHelper();
    void stopAndDestructionEndTheHelper();
    void timeComeWhileStillArmedHoldsTheNextDay();
    void withoutWakingTheAlarmGoesOnQuietly_data();
    void withoutWakingTheAlarmGoesOnQuietly();

private:
    static QString helper() { return QStringLiteral(BRENVIK_WAKE_HELPER); }
    // A helper that can set the timer: this process holds CAP_WAKE_ALARM (as
    // root), which the helper inherits; else the test skips, failing under CI.
    bool capable(QString &why) const;
};

void tst_WakeAlarm::nextWakeTime_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QTime>("alarm");
    QTest::addColumn<qint64>("msecsAhead");

    const QTimeZone berlin("Europe/Berlin");
    const auto at = [&](int y, int mo, int d, int h, int mi, int s, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), berlin);
    };
    constexpr qint64 hour = 3600 * 1000;
    QTest::newRow("later today") << at(2026, 12, 10, 7, 59, 52) << QTime(8, 0) << qint64(8000);
    QTest::newRow("passed today: tomorrow") << at(2026, 12, 10, 8, 0, 1) << QTime(8, 0) << 24 * hour - 1000;
    // "Alarm in" 0 minutes arms the current second, which the clock sounds a day later.
    QTest::newRow("current second: tomorrow") << at(2026, 12, 10, 10, 0, 0, 500) << QTime(10, 0)
                                               << 24 * hour - 500;
    QTest::newRow("midnight") << at(2026, 12, 10, 23, 59, 59) << QTime(0, 0) << qint64(1000);
    QTest::newRow("over the year's end") << at(2026, 12, 31, 23, 0, 0) << QTime(1, 0) << 2 * hour;
    // The clock sounds when it reads the time: a night with a changed clock
    // is an hour shorter or longer than the times of day say.
    QTest::newRow("night to summer time") << at(2026, 3, 28, 22, 0, 0) << QTime(7, 0) << 8 * hour;
    QTest::newRow("night to winter time") << at(2026, 10, 24, 22, 0, 0) << QTime(7, 0) << 10 * hour;
}

void tst_WakeAlarm::nextWakeTime()
{
    QFETCH(QDateTime, now);
    QFETCH(QTime, alarm);
    QFETCH(qint64, msecsAhead);
    QVERIFY(now.isValid());
    const QDateTime next = platform::nextWakeTime(now, alarm);
    QCOMPARE(next.toMSecsSinceEpoch() - now.toMSecsSinceEpoch(), msecsAhead);
    QCOMPARE(next.time(), alarm);
}

bool tst_WakeAlarm::capable(QString &why) const
{
    if (wakeprobe::selfHasWakeAlarm("CapEff"))
        return true;
    why = u"setting a wake-up timer needs CAP_WAKE_ALARM: run the test as root (with the "
          u"capability in its bounding set)"_s;
    return false;
}

#define REQUIRE_CAPABLE()                                                                          \
    do {                                                                                           \
        QString why;                                                                               \
        if (!capable(why)) {                                                                       \
            if (wakeprobe::underCi())                                                              \
                QFAIL(qPrintable(why));                                                            \
            QSKIP(qPrintable(why));                                                                \
        }                                                                                          \
    } while (false)

void tst_WakeAlarm::armSetsTheTimerAndReplacesTheHelper()
{
    REQUIRE_CAPABLE();
    platform::HelperWakeAlarm wake(helper());
    const QDateTime inAnHour = QDateTime::currentDateTime().addSecs(3600);
    wake.arm(inAnHour.time());
    const qint64 first = wake.helperPid();
    QVERIFY(first > 0);
    std::optional<wakeprobe::TimerInfo> timer;
    QTRY_VERIFY_WITH_TIMEOUT((timer = wakeprobe::timerOf(first)).has_value(), 5000);
    QCOMPARE(timer->clockId, 8);
    QVERIFY2(qAbs(timer->secondsLeft - 3600) <= 2, qPrintable(QString::number(timer->secondsLeft)));

    // A new time replaces the helper: the old one is gone, one timer is left.
    wake.arm(inAnHour.addSecs(1800).time());
    const qint64 second = wake.helperPid();
    QVERIFY(second > 0 && second != first);
    QVERIFY(wakeprobe::ended(first));
    QTRY_VERIFY_WITH_TIMEOUT((timer = wakeprobe::timerOf(second)).has_value(), 5000);
    QVERIFY2(qAbs(timer->secondsLeft - 5400) <= 2, qPrintable(QString::number(timer->secondsLeft)));
}

void tst_WakeAlarm::stopAndDestructionEndTheHelper()
{
    REQUIRE_CAPABLE();
    qint64 pid = 0;
    {
        platform::HelperWakeAlarm wake(helper());
        wake.arm(QDateTime::currentDateTime().addSecs(600).time());
        pid = wake.helperPid();
        QVERIFY(pid > 0);
        QTRY_VERIFY_WITH_TIMEOUT(wakeprobe::timerOf(pid).has_value(), 5000);
        wake.stop();
        QCOMPARE(wake.helperPid(), 0);
        QVERIFY(wakeprobe::ended(pid));

        wake.arm(QDateTime::currentDateTime().addSecs(600).time());
        pid = wake.helperPid();
        QVERIFY(pid > 0);
    }
    // The program's window goes at exit, and its helper with it.
    QVERIFY(wakeprobe::ended(pid));
}

void tst_WakeAlarm::timeComeWhileStillArmedHoldsTheNextDay()
{
    REQUIRE_CAPABLE();
    platform::HelperWakeAlarm wake(helper());
    QSignalSpy ended(&wake, &platform::HelperWakeAlarm::helperEnded);
    // The alarm is not delivered at its moment (the clock was set back):
    // waking must go on for the next time the clock reads it.
    // Two seconds leave the helper time to start on a busy machine.
    const QDateTime soon = QDateTime::currentDateTime().addSecs(2);
    const QTime alarm(soon.time().hour(), soon.time().minute(), soon.time().second());
    wake.arm(alarm);
    const qint64 first = wake.helperPid();
    QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
    QCOMPARE(ended.first().first().toInt(), 0);
    QVERIFY(wake.helperPid() > 0 && wake.helperPid() != first);
    QCOMPARE(wake.wakeTime().time(), alarm);
    QVERIFY(wake.wakeTime() > QDateTime::currentDateTime().addSecs(23 * 3600));
    wake.stop();
}

void tst_WakeAlarm::withoutWakingTheAlarmGoesOnQuietly_data()
{
    QTest::addColumn<bool>("missingHelper");
    QTest::newRow("helper without its capability") << false;
    QTest::newRow("no helper installed") << true;
}

void tst_WakeAlarm::withoutWakingTheAlarmGoesOnQuietly()
{
    QFETCH(bool, missingHelper);
    QTemporaryDir dir;
    QString path = missingHelper ? dir.filePath(u"brenvik-wake"_s) : helper();
    const bool asNobody = !missingHelper && geteuid() == 0;
    if (asNobody) {
        // Root holds the capability; the user nobody does not.
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                              | QFile::ReadOther | QFile::ExeOther);
        path = dir.filePath(u"brenvik-wake"_s);
        QVERIFY(QFile::copy(helper(), path));
    }
    platform::HelperWakeAlarm wake(path);
    if (asNobody)
        wake.childModifier = wakeprobe::becomeNobody;
    QSignalSpy ended(&wake, &platform::HelperWakeAlarm::helperEnded);
    wake.arm(QDateTime::currentDateTime().addSecs(600).time());
    if (missingHelper) {
        QTRY_COMPARE(wake.helperPid(), 0);
        QCOMPARE(ended.size(), 0);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 5000);
        QCOMPARE(ended.first().first().toInt(), platform::HelperWakeAlarm::ExitNoWakeTimer);
        QCOMPARE(wake.helperPid(), 0);
        // Not tried again and again.
        QTest::qWait(300);
        QCOMPARE(ended.size(), 1);
    }
    wake.stop();
}

QTEST_GUILESS_MAIN(tst_WakeAlarm)
#include "tst_wakealarm.moc"
