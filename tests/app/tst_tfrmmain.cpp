#include "settings/talarmsettings.h"
#include "app/statusicon.h"
#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "tests/fakes/mainwindowfixture.h"
#include "platform/application.h"
#include "base/errors.h"
#include "base/maker.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace {

struct AlarmTime
{
    int hour;
    int minute;
    int second;
    friend bool operator==(const AlarmTime &, const AlarmTime &) = default;
};

} // namespace

namespace QTest {
template<>
char *toString(const AlarmTime &t)
{
    return qstrdup(QByteArray::number(t.hour) + ':' + QByteArray::number(t.minute) + ':'
                   + QByteArray::number(t.second));
}
} // namespace QTest

Q_DECLARE_METATYPE(AlarmTime)

class tst_TfrmMain : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layout_data();
    void layout();
    void windowLookMenuAndTabOrder();
    void centredOnTheScreenByItsFrame();

    void loadsDefaultsWithoutAFile();
    void loadsTheFile();

    void toggle_data();
    void toggle();
    void toggleTwiceArmsAndDisarms();
    void armAtRefusesATimeThatDoesNotExist_data();
    void armAtRefusesATimeThatDoesNotExist();

    void messageEntry_data();
    void messageEntry();
    void logoOpensTheWebAddress();

    void closeGuard_data();
    void closeGuard();
    void closeRequestsWhileTheQuestionIsOpen_data();
    void closeRequestsWhileTheQuestionIsOpen();
    void taskbarTitle_data();
    void taskbarTitle();

    void relativeAlarm_data();
    void relativeAlarm();
    void relativeAlarmRefusesNonNumbers_data();
    void relativeAlarmRefusesNonNumbers();
    void relativeAlarmCancelledChangesNothing();

    void deliveryOrder_data();
    void deliveryOrder();
    void deliveryReplacesAnEmptyMessageForGood();
    void lateDeliverySaysWhenItWasDue();
    void deliveryGoesOnWhenSoundOrForegroundFail();
    void deliveryKeepsAnAlarmArmedWhileTheMessageIsOpen_data();
    void deliveryKeepsAnAlarmArmedWhileTheMessageIsOpen();

private:
    const TAlarmSettings &settings() const { return m_frm->alarmSettings(); }
    AlarmTime alarmTime() const
    {
        return {rxClock().alarmHour(), rxClock().alarmMinute(),
                rxClock().alarmSecond()};
    }
    AlarmTime fieldTime() const
    {
        const QStringList texts = fields().split(u':');
        return {texts[0].toInt(), texts[1].toInt(), texts[2].toInt()};
    }
    void arm(int h, int m, int s)
    {
        setFields(QString::number(h), QString::number(m), QString::number(s));
        btnActivate().click();
        QVERIFY(rxClock().alarmEnabled());
    }
    void verifyArmed(bool armed)
    {
        QCOMPARE(rxClock().alarmEnabled(), armed);
        QCOMPARE(btnActivate().text(), armed ? u"Alarm ist aktiv"_s : u"Alarm aus"_s);
        QCOMPARE(platform::Application::title(), armed ? u"Alarm: AKTIV"_s : u"Brenvik Timer"_s);
    }

    QStringList m_log;
    QStringList m_errors;
};

void tst_TfrmMain::init()
{
    resetMainWindowFixture();
    m_clock.set(10, 0, 0);
    m_log.clear();
    m_errors.clear();
    m_activation.log = &m_log;
    m_dialogs.log = &m_log;
    platform::Application::setTitle(u"Brenvik Timer"_s);
    platform::Application::setErrorPresenter(
        [this](const QString &, const QString &text) { m_errors << text; });
    openMainWindow().SoundStep = [this] { m_log << u"sound"_s; };
}

void tst_TfrmMain::cleanup()
{
    closeMainWindow();
    platform::Application::setErrorPresenter({});
}

void tst_TfrmMain::layout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    // In the order of creation, which is also the stacking order.
    QTest::newRow("Label1") << u"Label1"_s << QRect(16, 30, 70, 16);
    QTest::newRow("Image1") << u"Image1"_s << QRect(47, 8, 177, 217);
    QTest::newRow("Label3") << u"Label3"_s << QRect(16, 156, 68, 16);
    QTest::newRow("Label2") << u"Label2"_s << QRect(16, 85, 54, 16);
    QTest::newRow("FlatPanel1") << u"FlatPanel1"_s << QRect(96, 20, 161, 33);
    QTest::newRow("RxClock1") << u"RxClock1"_s << QRect(104, 24, 137, 25);
    QTest::newRow("seStunde") << u"seStunde"_s << QRect(96, 80, 49, 23);
    QTest::newRow("seMinute") << u"seMinute"_s << QRect(152, 80, 49, 23);
    QTest::newRow("seSekunde") << u"seSekunde"_s << QRect(208, 80, 49, 23);
    QTest::newRow("Button1") << u"Button1"_s << QRect(96, 112, 161, 18);
    QTest::newRow("btnActivate") << u"btnActivate"_s << QRect(96, 152, 161, 25);
}

void tst_TfrmMain::layout()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto *widget = control(u"ClientArea"_s)->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY(widget);
    QCOMPARE(widget->geometry(), geometry);

    QStringList order;
    for (QObject *child : control(u"ClientArea"_s)->children()) {
        if (child->isWidgetType())
            order << child->objectName();
    }
    static const QStringList created = {u"Label1"_s, u"Image1"_s, u"Label3"_s, u"Label2"_s,
                                        u"FlatPanel1"_s, u"RxClock1"_s, u"seStunde"_s,
                                        u"seMinute"_s, u"seSekunde"_s, u"Button1"_s,
                                        u"btnActivate"_s};
    QCOMPARE(order, created);
}

void tst_TfrmMain::windowLookMenuAndTabOrder()
{
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    QCOMPARE(control(u"ClientArea"_s)->size(), QSize(274, 233));
    QCOMPARE(m_frm->windowTitle(), u"Brenvik Timer"_s);
    QCOMPARE(m_frm->font().family(), u"Tahoma"_s);
    QCOMPARE(m_frm->font().pixelSize(), 13);
    QCOMPARE(rxClock().font().pixelSize(), 20);
    QCOMPARE(rxClock().bevelInner(), TRxClock::bvNone);
    QCOMPARE(rxClock().bevelOuter(), TRxClock::bvNone);
    QCOMPARE(control(u"ClientArea"_s)->grab().toImage().pixelColor(5, 225), QColor(Qt::white));
    QVERIFY(!(m_frm->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_frm->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(m_frm->minimumSize(), m_frm->maximumSize());
    QCOMPARE(control<QLabel>(u"Image1"_s)->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u"Aktuelle Zeit"_s);
    QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"Alarmzeit"_s);
    QCOMPARE(control<QLabel>(u"Label3"_s)->text(), u"Alarmstatus"_s);
    QCOMPARE(control<TFlatButton>(u"Button1"_s)->text(), u"Meldung"_s);
    QCOMPARE(btnActivate().text(), u"Alarm aus"_s);

    QStringList bar;
    for (QAction *action : control<QMenuBar>(u"mnuMain"_s)->actions())
        bar << action->text();
    QCOMPARE(bar, (QStringList{u"&Ende"_s, u"&Alarm in"_s, u"&Optionen"_s, u"&Hilfe"_s}));
    QStringList alarmIn;
    for (QAction *action : control<QMenu>(u"mnuAlarm"_s)->actions())
        alarmIn << action->text();
    QCOMPARE(alarmIn, (QStringList{u"&5 Minuten"_s, u"&10 Minuten"_s, u"15 &Minuten"_s,
                                   u"&20 Minuten"_s, u"&30 Minuten"_s, u"&45 Minuten"_s,
                                   u"&60 Minuten"_s, u"&Weitere"_s}));
    QStringList hilfe;
    for (QAction *action : control<QMenu>(u"mnuHilfe"_s)->actions())
        hilfe << action->text();
    QCOMPARE(hilfe, (QStringList{u"&Wie funktioniert' s"_s, u"&Info"_s}));

    QWidget *focus = control(u"seStunde"_s);
    QStringList chain;
    for (int i = 0; i < 4; ++i) {
        focus = focus->nextInFocusChain();
        while (focus->focusPolicy() == Qt::NoFocus)
            focus = focus->nextInFocusChain();
        chain << focus->objectName();
    }
    // The flat buttons keep their class default TabStop false: Tab cycles
    // through the three fields only.
    QCOMPARE(chain, (QStringList{u"seMinute"_s, u"seSekunde"_s, u"seStunde"_s, u"seMinute"_s}));
    QVERIFY(!control<TFlatButton>(u"Button1"_s)->tabStop());
    QVERIFY(!btnActivate().tabStop());
}

void tst_TfrmMain::centredOnTheScreenByItsFrame()
{
    m_frm->show();
    QCOMPARE(m_windowManager.centredOn, QList<QRect>{QGuiApplication::primaryScreen()->geometry()});
    // Restored from the task bar, it stays where the user left it.
    m_frm->hide();
    m_frm->show();
    QCOMPARE(m_windowManager.centredOn.size(), 1);
}

void tst_TfrmMain::loadsDefaultsWithoutAFile()
{
    m_frm->show();
    QCOMPARE(settings().SoundFile, u"törö.wav"_s);
    QCOMPARE(settings().AlarmMeldung, u"Alarmzeit erreicht"_s);
    QCOMPARE(settings().Ohne, true);
    QCOMPARE(settings().Speaker, false);
    QCOMPARE(settings().Soundkarte, false);
    QCOMPARE(settings().Song, u"Entertainer"_s);
    QCOMPARE(fields(), u"12:30:0"_s);
    verifyArmed(false); // nothing is armed by loading
}

void tst_TfrmMain::loadsTheFile()
{
    QFile file(settingsFile());
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Written on Windows: CRLF, Windows-1252, odd spelling.
    file.write("[SOUND]\r\nfile = C:\\Kl\xE4nge\\wecker.wav\r\nOhne=0\r\nSpeaker=yes\r\n"
               "Soundkarte=0x1\r\nSong=\"F\xFCr Elise\"\r\n"
               "[Meldung]\r\nAlarmMeldung=Tee ist fertig\r\nStunde=7\r\nMinute=abc\r\n");
    file.close();
    rxClock().setAlarmHour(3);
    m_frm->show();
    QCOMPARE(settings().SoundFile, u"C:\\Klänge\\wecker.wav"_s);
    QCOMPARE(settings().AlarmMeldung, u"Tee ist fertig"_s);
    QCOMPARE(settings().Ohne, false);
    QCOMPARE(settings().Speaker, false);
    QCOMPARE(settings().Soundkarte, true);
    QCOMPARE(settings().Song, u"Für Elise"_s);
    QCOMPARE(fields(), u"7:abc:0"_s); // unchecked; the field decides
    QCOMPARE(rxClock().alarmHour(), 3); // the clock waits for the toggle
    verifyArmed(false);

    // Read once: showing the window again does not load again.
    m_frm->setMessage(u"getippt"_s);
    m_frm->hide();
    m_frm->show();
    QCOMPARE(settings().AlarmMeldung, u"getippt"_s);
}

void tst_TfrmMain::toggle_data()
{
    QTest::addColumn<bool>("armedBefore");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("armedAfter");
    QTest::addColumn<AlarmTime>("alarmAfter");
    QTest::addColumn<QString>("error");

    const AlarmTime before{1, 2, 3};
    QTest::newRow("arms with the fields") << false << QStringList{u"7"_s, u"30"_s, u"15"_s}
                                          << true << AlarmTime{7, 30, 15} << QString();
    QTest::newRow("disarms and stores the fields") << true << QStringList{u"8"_s, u"0"_s, u"59"_s}
                                                   << false << AlarmTime{8, 0, 59} << QString();
    QTest::newRow("hex and blanks convert") << false << QStringList{u" $A"_s, u"0x1e"_s, u"+5"_s}
                                            << true << AlarmTime{10, 30, 5} << QString();
    QTest::newRow("256 is hour 0") << false << QStringList{u"256"_s, u"0"_s, u"0"_s}
                                   << true << AlarmTime{0, 0, 0} << QString();
    QTest::newRow("300 is 44, no hour") << false << QStringList{u"300"_s, u"0"_s, u"0"_s}
                                        << false << before << u"''44:2:3'' ist keine gültige Zeit."_s;
    QTest::newRow("minute 60") << true << QStringList{u"5"_s, u"60"_s, u"0"_s}
                               << true << before << u"''5:60:3'' ist keine gültige Zeit."_s;
    QTest::newRow("-1 is 255") << false << QStringList{u"1"_s, u"2"_s, u"-1"_s}
                               << false << before << u"''1:2:255'' ist keine gültige Zeit."_s;
    QTest::newRow("empty hour") << false << QStringList{QString(), u"0"_s, u"0"_s}
                                << false << before << u"'' ist kein gültiger Integerwert."_s;
    QTest::newRow("armed cannot be disarmed with a stray sign")
        << true << QStringList{u"9"_s, u"-"_s, u"0"_s}
        << true << before << u"'-' ist kein gültiger Integerwert."_s;
    QTest::newRow("a failing last field keeps the first two")
        << true << QStringList{u"9"_s, u"10"_s, u"1,5"_s}
        << true << before << u"'1,5' ist kein gültiger Integerwert."_s;
}

void tst_TfrmMain::toggle()
{
    QFETCH(bool, armedBefore);
    QFETCH(QStringList, fields);
    QFETCH(bool, armedAfter);
    QFETCH(AlarmTime, alarmAfter);
    QFETCH(QString, error);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_frm->show();
    if (armedBefore)
        arm(1, 2, 3);
    else
        setFields(u"1"_s, u"2"_s, u"3"_s), btnActivate().click(), btnActivate().click();
    QCOMPARE(alarmTime(), (AlarmTime{1, 2, 3}));
    verifyArmed(armedBefore);
    QVERIFY(m_errors.isEmpty());

    setFields(fields[0], fields[1], fields[2]);
    btnActivate().click();
    verifyArmed(armedAfter);
    QCOMPARE(alarmTime(), alarmAfter);
    QCOMPARE(m_errors, error.isEmpty() ? QStringList() : QStringList{error});
}

void tst_TfrmMain::toggleTwiceArmsAndDisarms()
{
    m_frm->show();
    arm(23, 59, 59);
    QCOMPARE(alarmTime(), (AlarmTime{23, 59, 59}));
    setFields(u"0"_s, u"0"_s, u"0"_s);
    btnActivate().click();
    verifyArmed(false);
    QCOMPARE(alarmTime(), (AlarmTime{0, 0, 0}));
    btnActivate().click();
    verifyArmed(true);
}

void tst_TfrmMain::armAtRefusesATimeThatDoesNotExist_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<AlarmTime>("time");
    QTest::addColumn<QString>("error");
    QTest::newRow("hour 24, disarmed") << false << AlarmTime{24, 0, 0} << u"''24:2:3'' ist keine gültige Zeit"_s;
    QTest::newRow("minute 60, armed") << true << AlarmTime{5, 60, 0} << u"''5:60:3'' ist keine gültige Zeit"_s;
    QTest::newRow("second 60, armed") << true << AlarmTime{5, 6, 60} << u"''5:6:60'' ist keine gültige Zeit"_s;
}

// A caller other than the toggle gets the refusal itself, and nothing has changed.
void tst_TfrmMain::armAtRefusesATimeThatDoesNotExist()
{
    QFETCH(bool, armed);
    QFETCH(AlarmTime, time);
    QFETCH(QString, error);
    m_frm->show();
    arm(1, 2, 3);
    if (!armed)
        btnActivate().click();
    setFields(u"7"_s, u"x"_s, u"9"_s);
    QString refusal;
    try {
        m_frm->armAt(quint8(time.hour), quint8(time.minute), quint8(time.second));
    } catch (const EConvertError &e) {
        refusal = e.message();
    }
    QCOMPARE(refusal, error);
    QCOMPARE(alarmTime(), (AlarmTime{1, 2, 3}));
    QCOMPARE(fields(), u"7:x:9"_s);
    verifyArmed(armed);
    QVERIFY(m_errors.isEmpty()); // reported by whoever called
}

void tst_TfrmMain::messageEntry_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("message");
    QTest::newRow("OK with a text") << std::optional<QString>(u"Nudeln abgießen"_s) << u"Nudeln abgießen"_s;
    QTest::newRow("OK with nothing") << std::optional<QString>(QString()) << QString();
    QTest::newRow("Abbrechen empties it") << std::optional<QString>() << QString();
}

void tst_TfrmMain::messageEntry()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, message);
    m_frm->setMessage(u"alt"_s);
    m_dialogs.queryAnswers = {answer};
    control<TFlatButton>(u"Button1"_s)->click();
    QCOMPARE(m_dialogs.queries.size(), 1);
    QCOMPARE(m_dialogs.queries[0].caption, u"Beim Alarm"_s);
    QCOMPARE(m_dialogs.queries[0].prompt, u"Meldung zum Alarm ausgeben"_s);
    QCOMPARE(m_dialogs.queries[0].startText, QString()); // the current message is not shown
    QCOMPARE(settings().AlarmMeldung, message);
    verifyArmed(false);
}

void tst_TfrmMain::logoOpensTheWebAddress()
{
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    QTest::mouseClick(control(u"Image1"_s), Qt::LeftButton, {}, QPoint(150, 200));
    QCOMPARE(m_shell.opened, QStringList{Maker::WebAddress});
}

void tst_TfrmMain::closeGuard_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("closed");
    for (const QString &how : {u"Ende"_s, u"close box"_s, u"status icon's Ende"_s}) {
        QTest::addRow("%s, disarmed", qPrintable(how)) << how << false << false << true;
        QTest::addRow("%s, armed, Nein", qPrintable(how)) << how << true << false << false;
        QTest::addRow("%s, armed, Ja", qPrintable(how)) << how << true << true << true;
    }
}

void tst_TfrmMain::closeGuard()
{
    QFETCH(QString, how);
    QFETCH(bool, armed);
    QFETCH(bool, answer);
    QFETCH(bool, closed);
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    if (armed)
        arm(6, 0, 0);
    m_dialogs.questionAnswer = answer;
    StatusIcon icon(*m_frm);
    if (how == u"Ende"_s)
        menuItem(u"mnuEnde"_s).trigger();
    else if (how == u"close box"_s)
        m_frm->windowHandle()->close(); // what the close box and Alt+F4 ask for
    else
        icon.menu()->actions().last()->trigger();
    QCOMPARE(m_frm->isVisible(), !closed);
    if (armed) {
        QCOMPARE(m_dialogs.questions.size(), 1);
        QCOMPARE(m_dialogs.questions[0].caption, u"Beenden..."_s);
        QCOMPARE(m_dialogs.questions[0].text,
                 u"Der Timer ist aktiv. Alarm wird nur ausgelöst, wenn das Programm läuft.\n"
                 u"Programm trotzdem verlassen?"_s);
        QCOMPARE(rxClock().alarmEnabled(), true); // a refused close leaves it armed
    } else {
        QVERIFY(m_dialogs.questions.isEmpty());
    }
}

void tst_TfrmMain::closeRequestsWhileTheQuestionIsOpen_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("answer");
    const QStringList requests{u"Ende"_s, u"close box"_s, u"window manager"_s};
    for (const QString &first : requests) {
        for (const QString &second : requests) {
            QTest::addRow("%s, then %s, Nein", qPrintable(first), qPrintable(second))
                << first << second << false;
        }
    }
    QTest::newRow("close box, then window manager, Ja") << u"close box"_s << u"window manager"_s << true;
}

void tst_TfrmMain::closeRequestsWhileTheQuestionIsOpen()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, answer);
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    arm(6, 0, 0);
    const auto request = [this](const QString &how) {
        if (how == u"Ende"_s) {
            menuItem(u"mnuEnde"_s).trigger();
        } else if (how == u"close box"_s) {
            m_frm->windowHandle()->close();
        } else {
            // WM_DELETE_WINDOW or a task bar's _NET_CLOSE_WINDOW arrive as this.
            QCloseEvent close;
            QCoreApplication::sendEvent(m_frm->windowHandle(), &close);
        }
    };
    bool visibleDuringQuestion = false;
    m_dialogs.whileQuestionOpen = [&] {
        request(second);
        visibleDuringQuestion = m_frm->isVisible() && m_frm->windowHandle()->handle();
    };
    m_dialogs.questionAnswer = answer;
    request(first);
    QVERIFY(visibleDuringQuestion);
    QCOMPARE(m_dialogs.questions.size(), 1); // the open question answers the second request
    if (second != u"close box"_s)
        QCOMPARE(m_dialogs.questionRaised, 1); // and brings it forward
    QCOMPARE(m_frm->isVisible(), !answer);
    if (!answer) {
        QVERIFY(m_frm->windowHandle()->handle());
        verifyArmed(true);
        // Afterwards a close asks again.
        m_dialogs.whileQuestionOpen = {};
        request(first);
        QCOMPARE(m_dialogs.questions.size(), 2);
    }
}

void tst_TfrmMain::taskbarTitle_data()
{
    QTest::addColumn<bool>("armed");
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<QString>("title");
    QTest::newRow("disarmed, shown") << false << false << u"Brenvik Timer"_s;
    QTest::newRow("disarmed, minimised") << false << true << u"Brenvik Timer"_s;
    QTest::newRow("armed, shown") << true << false << u"Brenvik Timer"_s;
    QTest::newRow("armed, minimised") << true << true << u"Alarm: AKTIV"_s;
}

void tst_TfrmMain::taskbarTitle()
{
    QFETCH(bool, armed);
    QFETCH(bool, minimised);
    QFETCH(QString, title);
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    if (armed)
        arm(6, 0, 0);
    if (minimised) {
        m_frm->showMinimized();
        QTRY_VERIFY(m_frm->isMinimized());
    }
    QCOMPARE(m_frm->windowTitle(), title);
    // Restored, the window reads its own caption again.
    m_frm->showNormal();
    QCOMPARE(m_frm->windowTitle(), u"Brenvik Timer"_s);
    // The state changing while minimised reaches the task bar, too.
    m_frm->showMinimized();
    QTRY_VERIFY(m_frm->isMinimized());
    menuItem(u"mnu5"_s).trigger();
    QCOMPARE(m_frm->windowTitle(), u"Alarm: AKTIV"_s);
    // Task bars that show the icon name keep the state, too.
    QCOMPARE(m_windowManager.iconNames.last(), u"Alarm: AKTIV"_s);
    deliverAlarm(); // restores the window
    QCOMPARE(m_frm->windowTitle(), u"Brenvik Timer"_s);
    m_frm->showMinimized();
    QTRY_VERIFY(m_frm->isMinimized());
    QCOMPARE(m_frm->windowTitle(), u"Brenvik Timer"_s);
}

void tst_TfrmMain::relativeAlarm_data()
{
    QTest::addColumn<QString>("item"); // a menu item, or the minutes typed for "Weitere"
    QTest::addColumn<int>("nowMsecs");
    QTest::addColumn<AlarmTime>("expected");

    auto at = [](int h, int m, int s, int ms) { return ((h * 60 + m) * 60 + s) * 1000 + ms; };
    QTest::newRow("5 at 10:00:00.500") << u"mnu5"_s << at(10, 0, 0, 500) << AlarmTime{10, 5, 0};
    QTest::newRow("5 at 10:00:00.010") << u"mnu5"_s << at(10, 0, 0, 10) << AlarmTime{10, 4, 59};
    QTest::newRow("60 at 10:00:00.500") << u"mnu60"_s << at(10, 0, 0, 500) << AlarmTime{11, 0, 0};
    QTest::newRow("60 at 10:00:00.100") << u"mnu60"_s << at(10, 0, 0, 100) << AlarmTime{10, 59, 59};
    QTest::newRow("30 across midnight at .5") << u"mnu30"_s << at(23, 50, 0, 500) << AlarmTime{0, 20, 0};
    QTest::newRow("30 across midnight at .1") << u"mnu30"_s << at(23, 50, 0, 100) << AlarmTime{0, 19, 59};
    // Each fixed choice short of its minutes by k × 3.84 ms: just enough or just not.
    const QList<std::pair<QString, int>> fixed = {{u"mnu5"_s, 5}, {u"mnu10"_s, 10}, {u"mnu15"_s, 15},
        {u"mnu20"_s, 20}, {u"mnu30"_s, 30}, {u"mnu45"_s, 45}, {u"mnu60"_s, 60}};
    for (const auto &[item, k] : fixed) {
        const int shortfall = k * 384 / 100; // ms, rounded down
        QTest::addRow("%s with the shortfall covered", qPrintable(item))
            << item << at(9, 0, 0, shortfall + 1) << AlarmTime{9 + k / 60, k % 60, 0};
        QTest::addRow("%s one second early", qPrintable(item))
            << item << at(9, 0, 0, shortfall - 1) << AlarmTime{9 + (k - 1) / 60, (k - 1) % 60, 59};
    }
    QTest::newRow("Weitere 0: the current second") << u"0"_s << at(13, 14, 15, 600) << AlarmTime{13, 14, 15};
    QTest::newRow("Weitere 90") << u"90"_s << at(10, 0, 0, 0) << AlarmTime{11, 29, 59};
    QTest::newRow("Weitere $10 (16)") << u"$10"_s << at(10, 0, 0, 500) << AlarmTime{10, 16, 0};
    QTest::newRow("Weitere -5 at noon") << u"-5"_s << at(12, 0, 0, 0) << AlarmTime{11, 55, 0};
    QTest::newRow("Weitere -5 after midnight: magnitude") << u"-5"_s << at(0, 2, 0, 0) << AlarmTime{0, 2, 59};
    QTest::newRow("Weitere 1440: 5.5 s before now") << u"1440"_s << at(12, 0, 0, 0) << AlarmTime{11, 59, 54};
    QTest::newRow("Weitere the largest number") << u"2147483647"_s << at(0, 0, 0, 0)
        << AlarmTime{15, 28, 2}; // 1 491 212.6444768 days
}

void tst_TfrmMain::relativeAlarm()
{
    QFETCH(QString, item);
    QFETCH(int, nowMsecs);
    QFETCH(AlarmTime, expected);
    m_frm->show();
    m_clock.setMSecs(nowMsecs);
    QAction *action = control<QAction>(item);
    if (!action) {
        m_dialogs.queryAnswers = {item};
        action = &menuItem(u"mnuWeitere"_s);
    }
    action->trigger();
    QCOMPARE(alarmTime(), expected);
    QCOMPARE(fieldTime(), expected);
    verifyArmed(true);
    QVERIFY(m_errors.isEmpty());
    QVERIFY(m_dialogs.messages.isEmpty());
    if (action->objectName() == u"mnuWeitere"_s) {
        QCOMPARE(m_dialogs.queries.size(), 1);
        QCOMPARE(m_dialogs.queries[0].caption, u"Alarm in"_s);
        QCOMPARE(m_dialogs.queries[0].prompt, u"Geben Sie die Anzahl der Minuten ein"_s);
        QCOMPARE(m_dialogs.queries[0].startText, u"0"_s);
    }

    // Fields and clock agree, so the toggle disarms with the same time.
    btnActivate().click();
    verifyArmed(false);
    QCOMPARE(alarmTime(), expected);
}

void tst_TfrmMain::relativeAlarmRefusesNonNumbers_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("armed");
    QTest::newRow("letters") << u"zehn"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("decimal point") << u"1.5"_s << true;
    QTest::newRow("beyond 32 bits") << u"2147483648"_s << true;
}

void tst_TfrmMain::relativeAlarmRefusesNonNumbers()
{
    QFETCH(QString, typed);
    QFETCH(bool, armed);
    m_frm->show();
    m_frm->move(-40, 70); // a negative left edge is passed on; the box keeps it centred
    if (armed)
        arm(4, 5, 6);
    m_dialogs.queryAnswers = {typed};
    menuItem(u"mnuWeitere"_s).trigger();
    QCOMPARE(m_dialogs.queries.size(), 1); // not asked again
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, u"Geben Sie Minuten ein, also nur Ziffern."_s);
    QCOMPARE(m_dialogs.messages[0].topLeft, m_frm->frameGeometry().topLeft());
    QVERIFY(m_errors.isEmpty()); // the conversion error itself is not shown
    verifyArmed(armed);
    if (armed)
        QCOMPARE(alarmTime(), (AlarmTime{4, 5, 6}));
}

void tst_TfrmMain::relativeAlarmCancelledChangesNothing()
{
    m_frm->show();
    setFields(u"1"_s, u"2"_s, u"3"_s);
    m_dialogs.queryAnswers = {std::nullopt};
    menuItem(u"mnuWeitere"_s).trigger();
    verifyArmed(false);
    QCOMPARE(fieldTime(), (AlarmTime{1, 2, 3}));
    QVERIFY(m_dialogs.messages.isEmpty());
}

void tst_TfrmMain::deliveryOrder_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<QStringList>("steps");
    // Attention is asked for before the sound, which may take a while, and
    // withdrawn once the message is confirmed.
    QTest::newRow("minimised") << true
        << QStringList{u"restore"_s, u"foreground"_s, u"attention"_s, u"sound"_s, u"message"_s,
                       u"withdraw"_s};
    QTest::newRow("on screen") << false
        << QStringList{u"foreground"_s, u"attention"_s, u"sound"_s, u"message"_s, u"withdraw"_s};
}

void tst_TfrmMain::deliveryOrder()
{
    QFETCH(bool, minimised);
    QFETCH(QStringList, steps);
    m_frm->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    m_frm->setMessage(u"Zeit!"_s);
    m_clock.set(10, 0, 0, 0);
    arm(10, 0, 5);
    if (minimised) {
        m_frm->showMinimized();
        QTRY_VERIFY(m_frm->isMinimized());
    }
    bool minimisedAtSound = true;
    m_frm->SoundStep = [&] {
        m_log << u"sound"_s;
        minimisedAtSound = m_frm->isMinimized();
    };
    m_dialogs.whileMessageOpen = [this](const FakeStandardDialogs::Message &) {
        // Still armed while the message is open.
        verifyArmed(true);
    };
    m_log.clear();

    m_clock.set(10, 0, 4, 990);
    rxClock().ClockTick(&rxClock());
    QVERIFY(m_log.isEmpty());
    m_clock.set(10, 0, 5, 200);
    rxClock().ClockTick(&rxClock());

    QCOMPARE(m_log, steps);
    QVERIFY(!minimisedAtSound);
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, u"Zeit!"_s);
    QCOMPARE(m_activation.attentionTexts, QStringList{u"Zeit!"_s});
    QCOMPARE(m_dialogs.messages[0].topLeft, m_frm->frameGeometry().topLeft());
    verifyArmed(false);
    QCOMPARE(alarmTime(), (AlarmTime{10, 0, 5})); // kept for the next press
    QVERIFY(m_errors.isEmpty());

    rxClock().ClockTick(&rxClock());
    QCOMPARE(m_dialogs.messages.size(), 1); // once
}

void tst_TfrmMain::deliveryReplacesAnEmptyMessageForGood()
{
    m_frm->setMessage(QString());
    deliverAlarm();
    QCOMPARE(m_dialogs.messages.value(0).text, u"Alarmzeit erreicht!"_s);
    QCOMPARE(m_activation.attentionTexts, QStringList{u"Alarmzeit erreicht!"_s});
    QCOMPARE(settings().AlarmMeldung, u"Alarmzeit erreicht!"_s);
    deliverAlarm();
    QCOMPARE(m_dialogs.messages.value(1).text, u"Alarmzeit erreicht!"_s);
}

void tst_TfrmMain::lateDeliverySaysWhenItWasDue()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_frm->show();
    m_frm->setMessage(u"Zeit!"_s);
    m_clock.set(10, 0, 0, 0);
    arm(10, 0, 5);
    // The machine slept through the alarm's minute.
    m_clock.set(10, 30, 0, 0);
    rxClock().ClockTick(&rxClock());
    QCOMPARE(m_dialogs.messages.size(), 1);
    QCOMPARE(m_dialogs.messages[0].text, u"Zeit!\n(fällig um 10:00:05)"_s);
    QCOMPARE(m_activation.attentionTexts, QStringList{u"Zeit!\n(fällig um 10:00:05)"_s});
    QCOMPARE(settings().AlarmMeldung, u"Zeit!"_s); // what is stored stays the user's
    verifyArmed(false);
}

void tst_TfrmMain::deliveryGoesOnWhenSoundOrForegroundFail()
{
    m_frm->show();
    arm(1, 1, 1);
    m_activation.foregroundResult = false;
    m_frm->SoundStep = [] { throw std::runtime_error("no sound device"); };
    deliverAlarm();
    QCOMPARE(m_dialogs.messages.size(), 1);
    verifyArmed(false);
    QVERIFY(m_errors.isEmpty());
}

void tst_TfrmMain::deliveryKeepsAnAlarmArmedWhileTheMessageIsOpen_data()
{
    QTest::addColumn<WindowCommand>("whileOpen");
    QTest::addColumn<bool>("armedAfter");
    QTest::addColumn<AlarmTime>("timeAfter");
    QTest::addColumn<QString>("lastWake");
    // The alarm fires at 10:00:05; a second start hands its command line over
    // while the box waits.
    QTest::newRow("--um: another time") << WindowCommand([](TfrmMain &w) { w.armAt(11, 30, 0); })
        << true << AlarmTime{11, 30, 0} << u"arm 11:30:00"_s;
    QTest::newRow("--in 20") << WindowCommand([](TfrmMain &w) { w.armIn(20); })
        << true << AlarmTime{10, 20, 5} << u"arm 10:20:05"_s;
    QTest::newRow("--aus, then --um the same time") << WindowCommand([](TfrmMain &w) {
        w.disarm();
        w.armAt(10, 0, 5);
    }) << true << AlarmTime{10, 0, 5} << u"arm 10:00:05"_s;
    QTest::newRow("--aus") << WindowCommand([](TfrmMain &w) { w.disarm(); })
        << false << AlarmTime{10, 0, 5} << u"stop"_s;
    QTest::newRow("--meldung only") << WindowCommand([](TfrmMain &w) { w.setMessage(u"Neu"_s); })
        << false << AlarmTime{10, 0, 5} << u"stop"_s;
}

void tst_TfrmMain::deliveryKeepsAnAlarmArmedWhileTheMessageIsOpen()
{
    QFETCH(WindowCommand, whileOpen);
    QFETCH(bool, armedAfter);
    QFETCH(AlarmTime, timeAfter);
    QFETCH(QString, lastWake);
    m_frm->show();
    m_clock.set(10, 0, 0, 0);
    arm(10, 0, 5);
    m_dialogs.whileMessageOpen = [&](const FakeStandardDialogs::Message &) { whileOpen(*m_frm); };

    m_clock.set(10, 0, 5, 200);
    rxClock().ClockTick(&rxClock());

    QCOMPARE(m_dialogs.messages.size(), 1);
    verifyArmed(armedAfter);
    QCOMPARE(alarmTime(), timeAfter);
    QCOMPARE(m_wake.calls.last(), lastWake);
    if (armedAfter)
        QCOMPARE(fieldTime(), timeAfter);
    QVERIFY(!QFile::exists(settingsFile())); // arming writes nothing
    QVERIFY(m_errors.isEmpty());

    // The alarm kept comes at its own time, and only then.
    m_dialogs.whileMessageOpen = {};
    rxClock().ClockTick(&rxClock());
    QCOMPARE(m_dialogs.messages.size(), 1);
    // Armed again for the moment that just fired, it means tomorrow.
    if (armedAfter && timeAfter != AlarmTime{10, 0, 5}) {
        m_clock.set(timeAfter.hour, timeAfter.minute, timeAfter.second, 200);
        rxClock().ClockTick(&rxClock());
        QCOMPARE(m_dialogs.messages.size(), 2);
        verifyArmed(false);
    }
}

QTEST_MAIN(tst_TfrmMain)
#include "tst_tfrmmain.moc"
