#include "clock/trxclock.h"
#include "tests/fakes/fakesystemclock.h"
#include "tests/fakes/faketimechangewatcher.h"
#include "tests/fakes/handover.h"
#include "platform/application.h"
#include "base/errors.h"

#include <QFontMetrics>
#include <QImage>
#include <QScreen>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int ms(int h, int m, int s, int msec = 0)
{
    return ((h * 60 + m) * 60 + s) * 1000 + msec;
}

// A tick's local time: the day, then the time of day.
constexpr qint64 onDay(int day, int msecs)
{
    return qint64(day) * MSecsPerDay + msecs;
}

QFont tahoma20()
{
    QFont font(u"Tahoma"_s);
    font.setPixelSize(20);
    return font;
}

// A clock as the main window holds it, driven by hand: its worker is stopped.
struct Fixture
{
    FakeSystemClock time;
    FakeTimeChangeWatcher timeChanges;
    std::unique_ptr<TRxClock> clock;

    explicit Fixture(int msecs, bool mainWindowLook = true)
        : time(msecs)
    {
        clock = std::make_unique<TRxClock>(nullptr, time, timeChanges);
        clock->ticker()->setEnabled(false);
        if (mainWindowLook) {
            clock->resize(137, 25);
            clock->setBevelInner(TRxClock::bvNone);
            clock->setBevelOuter(TRxClock::bvNone);
            clock->setFont(tahoma20());
        }
    }
    void tickAt(int msecs)
    {
        time.setMSecs(msecs);
        clock->ClockTick(clock->ticker());
    }
    void tickAtLocal(qint64 msecs)
    {
        time.setLocalMSecs(msecs);
        clock->ClockTick(clock->ticker());
    }
};

// The cells as they must lie: n cells of the width of "8", centred in the area.
QRect expectedCell(const QWidget &w, const QRect &area, int cells, int index)
{
    const QFontMetrics metrics(w.font());
    const int cw = metrics.horizontalAdvance(u'8');
    const int ch = metrics.height();
    const int left = (area.x() + area.x() + area.width() - cells * cw) / 2;
    const int top = (area.y() + area.y() + area.height() - ch) / 2;
    return QRect(left + (index - 1) * cw, top, cw, ch);
}

} // namespace

class tst_TRxClock : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void propertyDefaults();
    void alarmRule_data();
    void alarmRule();
    void writeWhileArmedReevaluatesAtOnce();
    void invalidAlarmPart_data();
    void invalidAlarmPart();
    void systemTimeChangeEvaluatesAtOnce();
    void quietUntilTheNextSecond_data();
    void quietUntilTheNextSecond();
    void onGetTimeGivesTheTime();
    void onGetTimeShiftKeepsCountingDays_data();
    void onGetTimeShiftKeepsCountingDays();
    void failingTimeReadSkipsTheAlarm();

    void shownText_data();
    void shownText();
    void cellsCentredAndAlike_data();
    void cellsCentredAndAlike();
    void tickRedrawsOnlyChangedCells_data();
    void tickRedrawsOnlyChangedCells();
    void shownClockTicksAsFreshlyDrawn();
    void separatorChangeShowsAfterFullDrawing();
    void hourChangeWhileHiddenDrawsFullyLater();
    void bevels_data();
    void bevels();
    void autoSizeFitsFont_data();
    void autoSizeFitsFont();
    void analogSecondHandIsInverted();
    void analogTickRepaintsOnlyMovedHands_data();
    void analogTickRepaintsOnlyMovedHands();
    void alarmStateReadAfterPropertiesAreSet();

    void realTickerFiresOnceOnUiThread();
    void destroyedWhileTickInFlight();
};

void tst_TRxClock::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void tst_TRxClock::cleanup()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    platform::Application::setErrorPresenter({});
}

void tst_TRxClock::propertyDefaults()
{
    FakeSystemClock time(ms(9, 5, 7));
    FakeTimeChangeWatcher timeChanges;
    TRxClock clock(nullptr, time, timeChanges);
    clock.ticker()->setEnabled(false);
    const QList<std::pair<const char *, QVariant>> defaults = {
        {"AlarmEnabled", false}, {"AlarmHour", 0}, {"AlarmMinute", 0}, {"AlarmSecond", 0},
        {"AutoSize", false}, {"BevelInner", QVariant::fromValue(TRxClock::bvLowered)},
        {"BevelOuter", QVariant::fromValue(TRxClock::bvRaised)}, {"BevelWidth", 1}, {"BorderWidth", 0},
        {"DotsColor", QColor(0, 128, 128)}, {"ShowMode", QVariant::fromValue(TRxClock::scDigital)},
        {"ShowSeconds", true}, {"TwelveHour", false}, {"LeadingZero", true},
        {"Color", clock.palette().color(QPalette::Button)},
    };
    for (const auto &[name, value] : defaults)
        QVERIFY2(clock.property(name) == value, name);
    QCOMPARE(clock.ticker()->interval(), 450u);
    QVERIFY(clock.ticker()->syncEvent());
    QVERIFY(clock.ticker()->threaded());
    QVERIFY(clock.alarmPending());
}

void tst_TRxClock::alarmRule_data()
{
    QTest::addColumn<int>("writtenAt");
    QTest::addColumn<int>("alarm");
    QTest::addColumn<int>("enableAtTick");   // -1: armed together with the write
    QTest::addColumn<QList<qint64>>("ticks");   // day and time of day
    QTest::addColumn<QList<int>>("firesAt");   // indexes into ticks
    QTest::addColumn<QList<int>>("lateAt");    // those delivered late

    const int a = ms(8, 0, 10);
    auto d0 = [](int msecs) { return onDay(0, msecs); };
    auto d1 = [](int msecs) { return onDay(1, msecs); };
    QTest::newRow("later today: first tick at or after the second")
        << ms(7, 59, 0) << a << -1
        << QList<qint64>{d0(ms(8, 0, 9, 990)), d0(ms(8, 0, 10)), d0(ms(8, 0, 10, 450)), d0(ms(8, 0, 30))}
        << QList<int>{1} << QList<int>{};
    QTest::newRow("late tick inside the window still fires")
        << ms(7, 59, 0) << a << -1 << QList<qint64>{d0(ms(8, 0, 5)), d0(ms(8, 0, 40))} << QList<int>{1}
        << QList<int>{};
    QTest::newRow("last millisecond of the window")
        << ms(7, 59, 0) << a << -1 << QList<qint64>{d0(ms(8, 0, 59, 999)), d0(ms(8, 1, 0))}
        << QList<int>{0} << QList<int>{};
    QTest::newRow("no tick inside the window: late, and the next day on time")
        << ms(7, 59, 0) << a << -1
        << QList<qint64>{d0(ms(8, 0, 5)), d0(ms(8, 1, 2)), d0(ms(23, 59, 59)), d1(ms(0, 0, 1)), d1(ms(8, 0, 10))}
        << QList<int>{1, 4} << QList<int>{1};
    QTest::newRow("written inside its own second: next day only")
        << ms(8, 0, 10, 300) << a << -1
        << QList<qint64>{d0(ms(8, 0, 10, 750)), d0(ms(8, 0, 30)), d0(ms(12, 0, 0)), d1(ms(0, 0, 0)), d1(ms(8, 0, 10))}
        << QList<int>{4} << QList<int>{};
    QTest::newRow("midnight alarm armed in the first minute: tomorrow")
        << ms(0, 0, 20) << 0 << -1
        << QList<qint64>{d0(ms(0, 0, 20, 450)), d0(ms(0, 0, 21)), d0(ms(0, 1, 0)), d1(ms(0, 0, 0, 200))}
        << QList<int>{3} << QList<int>{};
    QTest::newRow("across midnight")
        << ms(23, 50, 0) << ms(0, 20, 0) << -1
        << QList<qint64>{d0(ms(23, 59, 59)), d1(ms(0, 0, 0)), d1(ms(0, 19, 59, 999)), d1(ms(0, 20, 0))}
        << QList<int>{3} << QList<int>{};
    QTest::newRow("handler leaves it armed: once per window, again next day")
        << ms(7, 0, 0) << a << -1
        << QList<qint64>{d0(ms(8, 0, 10)), d0(ms(8, 0, 11)), d0(ms(8, 0, 59)), d0(ms(8, 1, 0)), d1(ms(0, 0, 0)),
                         d1(ms(8, 0, 10))}
        << QList<int>{0, 5} << QList<int>{};
    QTest::newRow("enabled after its second passed while disarmed: no alarm")
        << ms(7, 0, 0) << a << 2
        << QList<qint64>{d0(ms(8, 0, 5)), d0(ms(8, 0, 15)), d0(ms(8, 0, 20)), d0(ms(8, 0, 40))} << QList<int>{}
        << QList<int>{};
    QTest::newRow("enabled just before its second: fires")
        << ms(7, 0, 0) << a << 1 << QList<qint64>{d0(ms(8, 0, 5)), d0(ms(8, 0, 9)), d0(ms(8, 0, 10))}
        << QList<int>{2} << QList<int>{};
    QTest::newRow("clock set back before the alarm: pending again")
        << ms(7, 0, 0) << a << -1
        << QList<qint64>{d0(ms(8, 0, 10)), d0(ms(7, 0, 0)), d0(ms(8, 0, 10))} << QList<int>{0, 2} << QList<int>{};
    QTest::newRow("clock jumps past the window: late")
        << ms(7, 0, 0) << a << -1 << QList<qint64>{d0(ms(7, 59, 0)), d0(ms(9, 0, 0)), d0(ms(8, 0, 30))}
        << QList<int>{1} << QList<int>{1};
}

void tst_TRxClock::alarmRule()
{
    QFETCH(int, writtenAt);
    QFETCH(int, alarm);
    QFETCH(int, enableAtTick);
    QFETCH(QList<qint64>, ticks);
    QFETCH(QList<int>, firesAt);
    QFETCH(QList<int>, lateAt);

    Fixture f(writtenAt, false);
    QList<int> fired;
    QList<int> late;
    int tick = -1;
    QObject::connect(f.clock.get(), &TRxClock::OnAlarm, f.clock.get(), [&](QObject *sender) {
        QCOMPARE(sender, f.clock.get());
        fired.append(tick);
        if (f.clock->alarmLate())
            late.append(tick);
    });
    f.clock->setAlarmHour(quint8(alarm / 3'600'000));
    f.clock->setAlarmMinute(quint8(alarm / 60'000 % 60));
    f.clock->setAlarmSecond(quint8(alarm / 1000 % 60));
    f.clock->setAlarmEnabled(enableAtTick < 0);
    for (tick = 0; tick < ticks.size(); ++tick) {
        if (tick == enableAtTick)
            f.clock->setAlarmEnabled(true);
        f.tickAtLocal(ticks[tick]);
    }
    QCOMPARE(fired, firesAt);
    QCOMPARE(late, lateAt);
    QVERIFY(f.clock->alarmEnabled());   // the clock never disarms itself
}

void tst_TRxClock::writeWhileArmedReevaluatesAtOnce()
{
    Fixture f(ms(8, 0, 10), false);
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    f.clock->setAlarmHour(8);
    f.clock->setAlarmMinute(0);
    f.clock->setAlarmSecond(5);
    f.clock->setAlarmEnabled(true);
    QVERIFY(!f.clock->alarmPending());   // already past: not today

    f.clock->setAlarmMinute(30);         // later today again
    QVERIFY(f.clock->alarmPending());
    QVERIFY(f.clock->alarmEnabled());
    f.clock->setAlarmMinute(0);
    QVERIFY(!f.clock->alarmPending());
    f.tickAt(ms(8, 0, 11));
    QCOMPARE(alarms.count(), 0);
}

void tst_TRxClock::invalidAlarmPart_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("message");
    const QLocale de(QLocale::German, QLocale::Germany);
    QTest::newRow("hour 24") << de << 1 << 24 << u"''24:30:0'' ist keine gültige Zeit"_s;
    QTest::newRow("minute 60") << de << 2 << 60 << u"''7:60:0'' ist keine gültige Zeit"_s;
    QTest::newRow("second 255") << de << 3 << 255 << u"''7:30:255'' ist keine gültige Zeit"_s;
    QTest::newRow("locale's separator") << QLocale(QLocale::Finnish, QLocale::Finland) << 1 << 99
                                        << u"''99.30.0'' ist keine gültige Zeit"_s;
}

void tst_TRxClock::invalidAlarmPart()
{
    QFETCH(QLocale, locale);
    QFETCH(int, part);
    QFETCH(int, value);
    QFETCH(QString, message);
    Fixture f(ms(7, 45, 0), false);
    f.clock->setAlarmHour(7);
    f.clock->setAlarmMinute(30);
    QVERIFY(!f.clock->alarmPending());
    QLocale::setDefault(locale);
    try {
        if (part == 1)
            f.clock->setAlarmHour(quint8(value));
        else if (part == 2)
            f.clock->setAlarmMinute(quint8(value));
        else
            f.clock->setAlarmSecond(quint8(value));
        QFAIL("no exception");
    } catch (const EConvertError &error) {
        QCOMPARE(error.message(), message);
    }
    QCOMPARE(f.clock->alarmHour(), quint8(7));
    QCOMPARE(f.clock->alarmMinute(), quint8(30));
    QCOMPARE(f.clock->alarmSecond(), quint8(0));
    QVERIFY(!f.clock->alarmPending());
    QVERIFY(!f.clock->alarmEnabled());
}

void tst_TRxClock::systemTimeChangeEvaluatesAtOnce()
{
    Fixture f(ms(7, 0, 0), false);
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    f.clock->setAlarmHour(8);
    f.clock->setAlarmEnabled(true);
    f.time.setMSecs(ms(8, 0, 3));
    f.timeChanges.clockWasSet();
    QCOMPARE(alarms.count(), 1);
    QVERIFY(!f.clock->alarmLate());

    // Set forward over the next day's alarm: delivered at once, late.
    f.tickAtLocal(onDay(1, ms(7, 59, 0)));
    f.time.setLocalMSecs(onDay(1, ms(9, 30, 0)));
    f.timeChanges.clockWasSet();
    QCOMPARE(alarms.count(), 2);
    QVERIFY(f.clock->alarmLate());
    QCOMPARE(f.clock->alarmTime(), QTime(8, 0, 0)); // when it was due
}

// The ticks within one second of a clock running in real time change nothing:
// the ticker sleeps through them.
void tst_TRxClock::quietUntilTheNextSecond_data()
{
    QTest::addColumn<bool>("realTime");
    QTest::addColumn<bool>("onGetTime");
    QTest::addColumn<int>("now");
    QTest::addColumn<int>("quietMSecs"); // -1: none
    QTest::newRow("the rest of the second, less 2 ms") << true << false << ms(10, 0, 0, 300) << 698;
    QTest::newRow("at the second's start") << true << false << ms(10, 0, 0, 0) << 998;
    QTest::newRow("nothing left of it") << true << false << ms(10, 0, 0, 998) << 0;
    QTest::newRow("the minute after midnight: every tick counts")
        << true << false << ms(0, 0, 59, 300) << -1;
    QTest::newRow("from 00:01 on") << true << false << ms(0, 1, 0, 300) << 698;
    QTest::newRow("a clock that does not run on by itself") << false << false << ms(10, 0, 0, 300) << -1;
    QTest::newRow("OnGetTime may move the time") << true << true << ms(10, 0, 0, 300) << -1;
}

void tst_TRxClock::quietUntilTheNextSecond()
{
    QFETCH(bool, realTime);
    QFETCH(bool, onGetTime);
    QFETCH(int, now);
    QFETCH(int, quietMSecs);
    Fixture f(now, false);
    f.time.setRunsInRealTime(realTime);
    if (onGetTime)
        f.clock->OnGetTime = [](QObject *, TDateTime &) {};
    const auto before = std::chrono::steady_clock::now();
    f.clock->ClockTick(f.clock->ticker());
    const auto after = std::chrono::steady_clock::now();
    const auto until = f.clock->ticker()->quietUntil();
    if (quietMSecs < 0) {
        QVERIFY(until == std::chrono::steady_clock::time_point{});
        return;
    }
    const std::chrono::milliseconds quiet(quietMSecs);
    QVERIFY(until >= before + quiet);
    QVERIFY(until <= after + quiet);
}

void tst_TRxClock::onGetTimeGivesTheTime()
{
    Fixture f(ms(1, 0, 0));
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    QObject *sender = nullptr;
    f.clock->OnGetTime = [&](QObject *s, TDateTime &t) {
        sender = s;
        t += EncodeTime(7, 0, 0);   // what the system says, seven hours later
    };
    f.clock->setAlarmHour(8);
    f.clock->setAlarmMinute(0);
    f.clock->setAlarmSecond(1);
    f.clock->setAlarmEnabled(true);
    QVERIFY(f.clock->alarmPending());
    f.clock->grab();
    QCOMPARE(f.clock->shownText(), u"08:00:00"_s);
    QCOMPARE(sender, f.clock.get());
    f.tickAt(ms(1, 0, 1));
    QCOMPARE(alarms.count(), 1);
}

void tst_TRxClock::onGetTimeShiftKeepsCountingDays_data()
{
    QTest::addColumn<int>("shift");   // what OnGetTime adds to the system's time
    QTest::addColumn<qint64>("lastTick");
    QTest::addColumn<qint64>("tick");
    QTest::addColumn<bool>("late");
    // The alarm is 00:00:30 as OnGetTime tells it.
    QTest::newRow("shifted midnight passed tick by tick: on time")
        << ms(7, 0, 0) << onDay(0, ms(16, 59, 59, 800)) << onDay(0, ms(17, 0, 30, 100)) << false;
    QTest::newRow("shifted midnight jumped over: late")
        << ms(7, 0, 0) << onDay(0, ms(16, 59, 50)) << onDay(0, ms(17, 5, 0)) << true;
    QTest::newRow("shifted back over the system's midnight: late")
        << -ms(2, 0, 0) << onDay(0, ms(1, 59, 50)) << onDay(0, ms(2, 5, 0)) << true;
}

void tst_TRxClock::onGetTimeShiftKeepsCountingDays()
{
    QFETCH(int, shift);
    QFETCH(qint64, lastTick);
    QFETCH(qint64, tick);
    QFETCH(bool, late);
    Fixture f(ms(12, 0, 0), false);
    f.clock->OnGetTime = [shift](QObject *, TDateTime &t) {
        t = MSecsToTime((TimeToMSecs(t) + shift + MSecsPerDay) % MSecsPerDay);
    };
    f.tickAtLocal(lastTick - 1000);
    f.clock->setAlarmSecond(30);
    f.clock->setAlarmEnabled(true);
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    f.tickAtLocal(lastTick);
    QCOMPARE(alarms.count(), 0);
    f.tickAtLocal(tick);
    QCOMPARE(alarms.count(), 1);
    QCOMPARE(f.clock->alarmLate(), late);
}

void tst_TRxClock::failingTimeReadSkipsTheAlarm()
{
    Fixture f(ms(8, 0, 0));
    f.clock->setAlarmHour(8);
    f.clock->setAlarmMinute(0);
    f.clock->setAlarmSecond(1);
    f.clock->setAlarmEnabled(true);
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    f.clock->OnGetTime = [](QObject *, TDateTime &) { throw EConvertError(u"kaputt"_s); };
    QVERIFY_THROWS_EXCEPTION(EConvertError, f.tickAt(ms(8, 0, 1)));
    QCOMPARE(alarms.count(), 0);
    f.clock->OnGetTime = nullptr;
    f.tickAt(ms(8, 0, 2));
    QCOMPARE(alarms.count(), 1);
}

void tst_TRxClock::shownText_data()
{
    QTest::addColumn<int>("time");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<bool>("showSeconds");
    QTest::addColumn<bool>("twelveHour");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cells");
    QTest::newRow("defaults") << ms(9, 5, 7) << true << true << false << u"09:05:07"_s << 8;
    QTest::newRow("no leading zero") << ms(9, 5, 7) << false << true << false << u"9:05:07"_s << 7;
    QTest::newRow("no leading zero, two-digit hour") << ms(10, 0, 0) << false << true << false << u"10:00:00"_s << 8;
    QTest::newRow("no seconds") << ms(9, 5, 7) << true << false << false << u"09:05"_s << 5;
    QTest::newRow("no seconds, one digit") << ms(9, 5, 7) << false << false << false << u"9:05"_s << 4;
    QTest::newRow("12h evening") << ms(21, 5, 7) << true << true << true << u"09:05:07 PM"_s << 8;
    QTest::newRow("12h after midnight") << ms(0, 30, 0) << true << true << true << u"12:30:00 AM"_s << 8;
    QTest::newRow("12h noon") << ms(12, 0, 0) << true << true << true << u"12:00:00 PM"_s << 8;
    QTest::newRow("12h one o'clock") << ms(13, 5, 0) << true << true << true << u"01:05:00 PM"_s << 8;
    QTest::newRow("12h one o'clock, one digit") << ms(13, 5, 0) << false << true << true << u"1:05:00 PM"_s << 7;
}

void tst_TRxClock::shownText()
{
    QFETCH(int, time);
    QFETCH(bool, leadingZero);
    QFETCH(bool, showSeconds);
    QFETCH(bool, twelveHour);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Fixture f(time);
    f.clock->setLeadingZero(leadingZero);
    f.clock->setShowSeconds(showSeconds);
    f.clock->setTwelveHour(twelveHour);
    f.clock->grab();
    QTEST(f.clock->shownText(), "text");
    QTEST(f.clock->digitalFace().cellCount(), "cells");
}

void tst_TRxClock::cellsCentredAndAlike_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<TRxClock::TBevelCut>("bevel");
    QTest::addColumn<int>("border");
    QTest::newRow("main window: no bevels") << QSize(137, 25) << TRxClock::bvNone << 0;
    QTest::newRow("default bevels and a border") << QSize(171, 40) << TRxClock::bvRaised << 3;
}

void tst_TRxClock::cellsCentredAndAlike()
{
    QFETCH(QSize, size);
    QFETCH(TRxClock::TBevelCut, bevel);
    QFETCH(int, border);
    Fixture f(ms(8, 8, 8));
    f.clock->resize(size);
    f.clock->setBevelOuter(bevel);
    f.clock->setBevelInner(bevel);
    f.clock->setBorderWidth(border);
    f.clock->setColor(QColor(250, 240, 200));
    QPalette pal = f.clock->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    f.clock->setPalette(pal);
    const QImage image = f.clock->grab().toImage();

    const int inset = border + (bevel != TRxClock::bvNone ? 2 : 0);
    const QRect area = QRect(QPoint(0, 0), size).adjusted(inset, inset, -inset, -inset);
    auto cell = [&](int i) { return image.copy(expectedCell(*f.clock, area, 8, i)); };
    // 08:08:08: equal characters must give equal cells, pixel for pixel.
    for (int i : {4, 7})
        QCOMPARE(cell(i), cell(1));
    for (int i : {5, 8})
        QCOMPARE(cell(i), cell(2));
    QCOMPARE(cell(6), cell(3));
    QVERIFY(cell(1) != cell(2));
    QVERIFY(cell(2) != cell(3));

    // Each cell carries ink; outside the block the area is bare background.
    const QRect first = expectedCell(*f.clock, area, 8, 1);
    const QRect last = expectedCell(*f.clock, area, 8, 8);
    for (int i = 1; i <= 8; ++i) {
        const QImage c = cell(i);
        bool ink = false;
        for (int y = 0; y < c.height() && !ink; ++y)
            for (int x = 0; x < c.width() && !ink; ++x)
                ink = c.pixelColor(x, y).lightness() < 100;
        QVERIFY2(ink, qPrintable(QString::number(i)));
    }
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (x >= first.left() && x <= last.right())
                continue;
            QVERIFY2(image.pixelColor(x, y) == QColor(250, 240, 200),
                     qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        }
    }
}

void tst_TRxClock::tickRedrawsOnlyChangedCells_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("leadingZero");
    QTest::addColumn<bool>("showSeconds");
    QTest::addColumn<QList<int>>("cells");   // {-1}: the whole control
    QTest::newRow("next second: seconds cells") << ms(9, 5, 7) << ms(9, 5, 8) << true << true << QList<int>{7, 8};
    QTest::newRow("same second: nothing") << ms(9, 5, 7, 100) << ms(9, 5, 7, 550) << true << true << QList<int>{};
    QTest::newRow("next minute: minutes and seconds")
        << ms(9, 5, 59) << ms(9, 6, 0) << true << true << QList<int>{4, 5, 7, 8};
    QTest::newRow("one-digit hour: seconds at 6 and 7")
        << ms(9, 59, 58) << ms(9, 59, 59) << false << true << QList<int>{6, 7};
    QTest::newRow("no seconds: a new second draws nothing")
        << ms(9, 5, 7) << ms(9, 5, 8) << true << false << QList<int>{};
    QTest::newRow("next hour: everything") << ms(9, 59, 59) << ms(10, 0, 0) << false << true << QList<int>{-1};
    QTest::newRow("twelve hours later: everything") << ms(3, 15, 0) << ms(15, 15, 0) << true << true << QList<int>{-1};
}

void tst_TRxClock::tickRedrawsOnlyChangedCells()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, leadingZero);
    QFETCH(bool, showSeconds);
    QFETCH(QList<int>, cells);
    Fixture f(from);
    f.clock->setLeadingZero(leadingZero);
    f.clock->setShowSeconds(showSeconds);
    f.clock->grab();
    const int count = f.clock->digitalFace().cellCount();
    f.tickAt(to);

    QRegion expected;
    if (cells == QList<int>{-1})
        expected = f.clock->rect();
    for (int i : cells)
        if (i > 0)
            expected += expectedCell(*f.clock, f.clock->rect(), count, i);
    QCOMPARE(f.clock->lastTickRegion(), expected);
}

void tst_TRxClock::shownClockTicksAsFreshlyDrawn()
{
    // A shown clock paints into its window's backing store and copies cells it
    // drew before; what the window shows must stay what a full drawing gives.
    Fixture f(ms(9, 58, 55));
    f.clock->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.clock.get()));
    for (int t = ms(9, 58, 56); t <= ms(9, 59, 12); t += 1000) {
        f.tickAt(t);
        QCoreApplication::processEvents();
        const QImage shown = f.clock->screen()->grabWindow(f.clock->winId()).toImage();
        Fixture fresh(t);
        QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                 fresh.clock->grab().toImage().convertToFormat(QImage::Format_RGB32));
    }
    QVERIFY(f.clock->digitalFace().keptCellGlyphs() >= 10);
}

void tst_TRxClock::separatorChangeShowsAfterFullDrawing()
{
    Fixture f(ms(9, 5, 7));
    f.clock->grab();
    QCOMPARE(f.clock->shownText(), u"09:05:07"_s);
    QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));
    f.tickAt(ms(9, 5, 8));
    QCOMPARE(f.clock->lastTickRegion().boundingRect(),
             expectedCell(*f.clock, f.clock->rect(), 8, 7) | expectedCell(*f.clock, f.clock->rect(), 8, 8));
    QCOMPARE(f.clock->shownText(), u"09:05:08"_s);   // separators stay until a full drawing
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(f.clock.get(), &change);
    f.clock->grab();
    QCOMPARE(f.clock->shownText(), u"09.05.08"_s);
}

void tst_TRxClock::hourChangeWhileHiddenDrawsFullyLater()
{
    // A minimised window paints nothing; the alarm restores it within the tick.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Fixture f(ms(11, 59, 58));
    f.clock->setTwelveHour(true);
    f.clock->grab();
    f.tickAt(ms(11, 59, 59));
    f.tickAt(ms(12, 0, 0));
    const QImage restored = f.clock->grab().toImage();

    Fixture fresh(ms(12, 0, 0));
    fresh.clock->setTwelveHour(true);
    QCOMPARE(restored, fresh.clock->grab().toImage());
}

void tst_TRxClock::bevels_data()
{
    QTest::addColumn<TRxClock::TBevelCut>("outer");
    QTest::addColumn<TRxClock::TBevelCut>("inner");
    QTest::addColumn<int>("border");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("role");
    QTest::newRow("raised outer: light top-left") << TRxClock::bvRaised << TRxClock::bvNone << 0 << QPoint(0, 0) << int(QPalette::Light);
    QTest::newRow("raised outer: dark bottom-right") << TRxClock::bvRaised << TRxClock::bvNone << 0 << QPoint(136, 24) << int(QPalette::Dark);
    QTest::newRow("lowered outer: dark top-left") << TRxClock::bvLowered << TRxClock::bvNone << 0 << QPoint(0, 0) << int(QPalette::Dark);
    QTest::newRow("inner lowered inside the border") << TRxClock::bvRaised << TRxClock::bvLowered << 2 << QPoint(3, 3) << int(QPalette::Dark);
    QTest::newRow("border is background") << TRxClock::bvRaised << TRxClock::bvLowered << 2 << QPoint(2, 2) << int(QPalette::Button);
}

void tst_TRxClock::bevels()
{
    QFETCH(TRxClock::TBevelCut, outer);
    QFETCH(TRxClock::TBevelCut, inner);
    QFETCH(int, border);
    QFETCH(QPoint, at);
    QFETCH(int, role);
    Fixture f(ms(9, 5, 7));
    QPalette pal = f.clock->palette();
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    pal.setColor(QPalette::Button, QColor(212, 208, 200));
    f.clock->setPalette(pal);
    f.clock->setBevelOuter(outer);
    f.clock->setBevelInner(inner);
    f.clock->setBorderWidth(border);
    const QImage image = f.clock->grab().toImage();
    QCOMPARE(image.pixelColor(at), pal.color(QPalette::ColorRole(role)));
}

void tst_TRxClock::autoSizeFitsFont_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("height-bound") << QSize(400, 60);
    QTest::newRow("width-bound") << QSize(120, 60);
}

void tst_TRxClock::autoSizeFitsFont()
{
    QFETCH(QSize, size);
    Fixture f(ms(9, 5, 7));
    f.clock->resize(size);
    f.clock->setAutoSize(true);
    QFont big = tahoma20();
    big.setPixelSize(1000);
    const int sampleWidth = QFontMetrics(big).horizontalAdvance(u"88888888"_s);
    const int cap = qRound((size.height() - 4) * 4 / 5.0);
    const int fit = qRound(1000.0 * (size.width() - 30) / sampleWidth);
    QCOMPARE(f.clock->font().pixelSize(), std::min(cap, fit));
    // The digits then fit inside the control.
    f.clock->grab();
    QVERIFY(f.clock->rect().contains(f.clock->digitalFace().cellRect(1) | f.clock->digitalFace().cellRect(8)));
}

void tst_TRxClock::analogSecondHandIsInverted()
{
    Fixture f(ms(0, 0, 15));
    f.clock->resize(200, 200);
    f.clock->setShowMode(TRxClock::scAnalog);
    const QColor background(212, 208, 200);
    f.clock->setColor(background);
    const QImage image = f.clock->grab().toImage();
    // The dial's rectangle: inside the default bevels and a pixel more.
    const QRect face = f.clock->rect().adjusted(3, 3, -3, -3);
    const QPoint centre = face.center();
    // Hands at 12 o'clock; the second hand points to 3 o'clock in inverted pixels.
    const QColor inverted(255 - background.red(), 255 - background.green(), 255 - background.blue());
    QCOMPARE(image.pixelColor(centre.x() + face.width() / 4, centre.y()), inverted);
    // The 12 o'clock mark in the dots colour.
    bool teal = false;
    for (int y = face.top(); y < face.top() + face.height() / 8 && !teal; ++y)
        for (int x = centre.x() - 5; x <= centre.x() + 5 && !teal; ++x)
            teal = image.pixelColor(x, y) == QColor(0, 128, 128);
    QVERIFY(teal);
}

void tst_TRxClock::analogTickRepaintsOnlyMovedHands_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<bool>("showSeconds");
    QTest::addColumn<bool>("somethingMoved");
    QTest::newRow("next second") << ms(0, 0, 15) << ms(0, 0, 16) << true << true;
    QTest::newRow("next minute") << ms(10, 9, 59) << ms(10, 10, 0) << true << true;
    QTest::newRow("next hour") << ms(2, 59, 59) << ms(3, 0, 0) << true << true;
    QTest::newRow("next second, no second hand") << ms(0, 0, 15) << ms(0, 0, 16) << false << false;
    QTest::newRow("same second") << ms(0, 0, 15) << ms(0, 0, 15, 450) << true << false;
}

void tst_TRxClock::analogTickRepaintsOnlyMovedHands()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(bool, showSeconds);
    QFETCH(bool, somethingMoved);
    auto analog = [&](Fixture &f) {
        f.clock->resize(200, 200);
        f.clock->setShowMode(TRxClock::scAnalog);
        f.clock->setShowSeconds(showSeconds);
        f.clock->setColor(QColor(212, 208, 200));
    };
    Fixture f(from);
    analog(f);
    QImage shown = f.clock->grab().toImage();
    f.tickAt(to);
    const QRegion region = f.clock->lastTickRegion();
    QCOMPARE(!region.isEmpty(), somethingMoved);
    const QRect face = f.clock->rect().adjusted(3, 3, -3, -3);
    qint64 area = 0;
    for (const QRect &r : region)
        area += qint64(r.width()) * r.height();
    QVERIFY2(area < qint64(face.width()) * face.height() / 2, qPrintable(QString::number(area)));

    // What the tick repaints, on top of what was shown, is the clock at the new time.
    f.clock->render(&shown, region.boundingRect().topLeft(), region);
    Fixture fresh(to);
    analog(fresh);
    QCOMPARE(shown, fresh.clock->grab().toImage());
}

void tst_TRxClock::alarmStateReadAfterPropertiesAreSet()
{
    // Made in the first minute after midnight: the default alarm 00:00:00 has
    // passed, and once the clock's layout is set it waits for tomorrow.
    Fixture f(ms(0, 0, 20));
    QSignalSpy alarms(f.clock.get(), &TRxClock::OnAlarm);
    f.clock->ensurePolished();
    f.clock->setAlarmEnabled(true);
    f.tickAtLocal(onDay(0, ms(0, 0, 21)));
    QCOMPARE(alarms.count(), 0);
    f.tickAtLocal(onDay(1, ms(0, 0, 0, 300)));
    QCOMPARE(alarms.count(), 1);
}

void tst_TRxClock::realTickerFiresOnceOnUiThread()
{
    FakeSystemClock time(ms(8, 0, 9, 500));
    FakeTimeChangeWatcher timeChanges;
    TRxClock clock(nullptr, time, timeChanges);
    clock.setAlarmHour(8);
    clock.setAlarmMinute(0);
    clock.setAlarmSecond(10);
    clock.setAlarmEnabled(true);
    int alarms = 0;
    bool onUi = false;
    connect(&clock, &TRxClock::OnAlarm, &clock, [&] {
        ++alarms;
        onUi = QThread::currentThread() == qApp->thread();
    });
    time.setMSecs(ms(8, 0, 10, 100));
    QTRY_COMPARE_WITH_TIMEOUT(alarms, 1, 5000);
    QVERIFY(onUi);
    time.setMSecs(ms(8, 0, 11));
    QTest::qWait(1000);   // two more ticks in the same window
    QCOMPARE(alarms, 1);
}

void tst_TRxClock::destroyedWhileTickInFlight()
{
    FakeSystemClock time(ms(8, 0, 0));
    FakeTimeChangeWatcher timeChanges;
    auto *clock = new TRxClock(nullptr, time, timeChanges);
    clock->ticker()->setInterval(20);
    int ticksSeen = 0;
    clock->OnGetTime = [&](QObject *, TDateTime &) { ++ticksSeen; };
    QVERIFY(waitForHandOver(*clock->ticker()));
    const int before = ticksSeen;
    delete clock;
    QTest::qWait(60);
    QCOMPARE(ticksSeen, before);
}

QTEST_MAIN(tst_TRxClock)
#include "tst_trxclock.moc"
