#include "clock/clockaccessible.h"
#include "clock/trxclock.h"
#include "fakes/fakescreenreader.h"
#include "fakes/fakesystemclock.h"
#include "fakes/faketimechangewatcher.h"

#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QtTest/qtestaccessible.h>

#include <memory>

using namespace Qt::StringLiterals;

// The clock as a screen reader reads it: a label whose text is the time shown.
class tst_ClockAccessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void textIsTheTimeShown_data();
    void textIsTheTimeShown();
    void namedByItsLabel();
    void charactersAreTheCells();
    void ticksAnnounceNothing();

private:
    QAccessibleTextInterface *text() const
    {
        return QAccessible::queryAccessibleInterface(m_clock)->textInterface();
    }
    void tickAt(int h, int m, int s)
    {
        m_time.set(h, m, s);
        m_clock->ClockTick(m_clock->ticker());
    }

    FakeSystemClock m_time;
    FakeTimeChangeWatcher m_timeChanges;
    std::unique_ptr<QWidget> m_window;
    TRxClock *m_clock = nullptr;
};

void tst_ClockAccessible::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ClockAccessible::install();
    QTestAccessibility::initialize();
}

void tst_ClockAccessible::init()
{
    m_time.set(9, 5, 7);
    m_window = std::make_unique<QWidget>();
    m_window->resize(200, 60);
    m_clock = new TRxClock(m_window.get(), m_time, m_timeChanges);
    m_clock->ticker()->setEnabled(false);
    m_clock->setGeometry(10, 10, 137, 25);
    m_clock->setBevelInner(TRxClock::bvNone);
    m_clock->setBevelOuter(TRxClock::bvNone);
}

void tst_ClockAccessible::cleanup()
{
    m_window.reset();
    QTestAccessibility::clearEvents();
}

void tst_ClockAccessible::textIsTheTimeShown_data()
{
    QTest::addColumn<QString>("look");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digital, as drawn") << u"digital"_s << u"21:05:07"_s;
    QTest::newRow("twelve hours: with the suffix") << u"twelve"_s << u"09:05:07 PM"_s;
    QTest::newRow("without seconds") << u"minutes"_s << u"21:05"_s;
    QTest::newRow("before the first drawing") << u"undrawn"_s << u"21:05:07"_s;
    QTest::newRow("the dial") << u"analog"_s << u"21:05:07"_s;
}

void tst_ClockAccessible::textIsTheTimeShown()
{
    QFETCH(QString, look);
    QFETCH(QString, expected);
    if (look == u"twelve"_s)
        m_clock->setTwelveHour(true);
    if (look == u"minutes"_s)
        m_clock->setShowSeconds(false);
    if (look == u"analog"_s)
        m_clock->setShowMode(TRxClock::scAnalog);
    m_time.set(21, 5, 7);
    if (look != u"undrawn"_s) {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        tickAt(21, 5, 7);
    }
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(m_clock);
    QCOMPARE(iface->role(), QAccessible::StaticText);
    QVERIFY(text());
    QCOMPARE(text()->text(0, text()->characterCount()), expected);
    QCOMPARE(iface->text(QAccessible::Value), expected);
    if (look != u"undrawn"_s && look != u"analog"_s)
        QCOMPARE(expected, m_clock->shownText());

    // Read when asked: the next second is there without any notice.
    if (look != u"undrawn"_s) {
        tickAt(21, 5, 8);
        QVERIFY(text()->text(0, text()->characterCount()).contains(u":08"_s)
                || look == u"minutes"_s);
    }
}

void tst_ClockAccessible::namedByItsLabel()
{
    auto *label = new QLabel(u"Aktuelle Zeit"_s, m_window.get());
    label->setBuddy(m_clock);
    QCOMPARE(QAccessible::queryAccessibleInterface(m_clock)->text(QAccessible::Name), u"Aktuelle Zeit"_s);
}

void tst_ClockAccessible::charactersAreTheCells()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    tickAt(9, 5, 7);
    QCOMPARE(text()->characterCount(), 8);
    for (int i = 0; i < 8; ++i) {
        const QRect cell = m_clock->digitalFace().cellRect(i + 1);
        QCOMPARE(text()->characterRect(i), QRect(m_clock->mapToGlobal(cell.topLeft()), cell.size()));
        QCOMPARE(text()->offsetAtPoint(m_clock->mapToGlobal(cell.center())), i);
    }
    QVERIFY(text()->characterRect(8).isEmpty());
    QCOMPARE(text()->offsetAtPoint(m_clock->mapToGlobal(QPoint(0, 0))), -1);
}

void tst_ClockAccessible::ticksAnnounceNothing()
{
    // Read on demand only: a screen reader is not told of every second.
    FakeScreenReader screenReader;
    QVERIFY(screenReader.listening());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTestAccessibility::clearEvents();
    for (int s = 8; s < 20; ++s)
        tickAt(9, 59, s);
    tickAt(10, 0, 0); // a new hour: a full drawing
    for (const QAccessibleEvent *event : QTestAccessibility::events())
        QVERIFY2(event->object() != m_clock, qPrintable(u"event %1"_s.arg(int(event->type()))));
}

QTEST_MAIN(tst_ClockAccessible)
#include "tst_clockaccessible.moc"
