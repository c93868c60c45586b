// The main window keeps the wake-up timer in step with the armed alarm.

#include "settings/talarmsettings.h"
#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "tests/fakes/mainwindowfixture.h"
#include "platform/application.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_WakeArming : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void followsEveryArmingAndDisarming();
    void failedToggleLeavesTheTimerAlone();
    void deliveryStopsTheTimer();

private:
    QStringList m_steps;
};

void tst_WakeArming::init()
{
    resetMainWindowFixture();
    m_clock.set(10, 0, 0, 500);
    m_steps.clear();
    m_dialogs.log = &m_steps;
    m_wake.steps = &m_steps;

    platform::Application::setErrorPresenter([](const QString &, const QString &) {});
    openMainWindow().SoundStep = [] {};
}

void tst_WakeArming::cleanup()
{
    closeMainWindow();
    platform::Application::setErrorPresenter({});
}

void tst_WakeArming::followsEveryArmingAndDisarming()
{
    setFields(u"7"_s, u"30"_s, u"0"_s);
    btnActivate().click();
    QCOMPARE(m_wake.calls, QStringList{u"arm 07:30:00"_s});

    // A relative alarm while armed moves the timer to its time.
    menuItem(u"mnu5"_s).trigger();
    QCOMPARE(m_wake.calls.last(), u"arm 10:05:00"_s);
    m_dialogs.queryAnswers = {u"90"_s};
    menuItem(u"mnuWeitere"_s).trigger();
    QCOMPARE(m_wake.calls.last(), u"arm 11:30:00"_s);

    btnActivate().click();
    QCOMPARE(m_wake.calls.last(), u"stop"_s);
    QCOMPARE(m_wake.calls.size(), 4);
}

void tst_WakeArming::failedToggleLeavesTheTimerAlone()
{
    setFields(u"6"_s, u"0"_s, u"0"_s);
    btnActivate().click();
    // An armed alarm that cannot be disarmed keeps its wake-up time.
    setFields(QString(), u"0"_s, u"0"_s);
    btnActivate().click();
    setFields(u"24"_s, u"0"_s, u"0"_s);
    btnActivate().click();
    QVERIFY(rxClock().alarmEnabled());
    QCOMPARE(m_wake.calls, QStringList{u"arm 06:00:00"_s});
}

void tst_WakeArming::deliveryStopsTheTimer()
{
    setFields(u"10"_s, u"0"_s, u"5"_s);
    btnActivate().click();
    m_steps.clear();
    m_dialogs.whileMessageOpen = [this](const FakeStandardDialogs::Message &) {
        // No timer is left to wake the computer again while the box is open.
        QCOMPARE(m_wake.calls.last(), u"stop"_s);
    };
    m_clock.set(10, 0, 5, 200);
    rxClock().ClockTick(&rxClock());
    QVERIFY(!rxClock().alarmEnabled());
    QVERIFY(!m_steps.isEmpty());
    QCOMPARE(m_steps.first(), u"stop"_s);
    QCOMPARE(m_steps.last(), u"stop"_s);
    QVERIFY(!m_steps.join(u'|').contains(u"arm"_s));
}

QTEST_MAIN(tst_WakeArming)
#include "tst_wakearming.moc"
