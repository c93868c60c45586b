#include "clock/clockaccessible.h"
#include "clock/trxclock.h"
#include "controls/flataccessible.h"
#include "controls/screenreadernotice.h"
#include "controls/tflatbutton.h"
#include "controls/tflatspineditinteger.h"
#include "platform/application.h"
#include "tests/fakes/fakescreenreader.h"
#include "tests/fakes/mainwindowfixture.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <QtTest/qtestaccessible.h>

using namespace Qt::StringLiterals;

// The main window by keyboard alone and through a screen reader.
class tst_MainWindowAccess : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void toggleKeyArmsAndDisarms_data();
    void toggleKeyArmsAndDisarms();
    void toggleKeyReportsRefusedFields();
    void heldToggleKeyTogglesOnce();
    void stateIsToldAtEveryChange_data();
    void stateIsToldAtEveryChange();
    void messageKeyAsksForTheMessage();
    void keysCollideWithNothing();
    void screenReaderNames();

private:
    template<typename T>
    T *part(const char *name) const
    {
        return m_frm->findChild<T *>(QString::fromLatin1(name));
    }
    bool armed() const { return part<TRxClock>("RxClock1")->alarmEnabled(); }
    void setFields(const QString &h, const QString &m, const QString &s)
    {
        part<TFlatSpinEditInteger>("seStunde")->setText(h);
        part<TFlatSpinEditInteger>("seMinute")->setText(m);
        part<TFlatSpinEditInteger>("seSekunde")->setText(s);
    }
};

void tst_MainWindowAccess::initTestCase()
{
    FlatAccessible::install();
    ClockAccessible::install();
    QTestAccessibility::initialize();
}

void tst_MainWindowAccess::init()
{
    resetMainWindowFixture();
    openMainWindow().show();
    QVERIFY(QTest::qWaitForWindowActive(m_frm.get()));
}

void tst_MainWindowAccess::cleanup()
{
    closeMainWindow();
    QTestAccessibility::clearEvents();
}

void tst_MainWindowAccess::toggleKeyArmsAndDisarms_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Ctrl+Return in the hour field")
        << u"seStunde"_s << int(Qt::Key_Return) << int(Qt::ControlModifier);
    QTest::newRow("Ctrl+Enter of the keypad in the second field")
        << u"seSekunde"_s << int(Qt::Key_Enter) << int(Qt::ControlModifier | Qt::KeypadModifier);
}

void tst_MainWindowAccess::toggleKeyArmsAndDisarms()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    auto *field = m_frm->findChild<TFlatSpinEditInteger *>(focus);
    field->setFocus(Qt::TabFocusReason);
    setFields(u"6"_s, u"45"_s, u"30"_s);
    auto *toggle = part<TFlatButton>("btnActivate");
    auto *clock = part<TRxClock>("RxClock1");

    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(armed());
    QCOMPARE(toggle->caption(), u"Alarm ist aktiv"_s);
    QCOMPARE(QTime(clock->alarmHour(), clock->alarmMinute(), clock->alarmSecond()), QTime(6, 45, 30));
    // The focus stays in the field, and the field keeps its text.
    QVERIFY(field->hasFocus());
    QCOMPARE(part<TFlatSpinEditInteger>("seStunde")->text(), u"6"_s);

    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(!armed());
    QCOMPARE(toggle->caption(), u"Alarm aus"_s);
}

void tst_MainWindowAccess::toggleKeyReportsRefusedFields()
{
    // As the toggle: a field that holds no time leaves the state as it was,
    // and says why.
    setFields(u"25"_s, u"0"_s, u"0"_s);
    QStringList reported;
    platform::Application::setErrorPresenter(
        [&reported](const QString &, const QString &text) { reported << text; });
    QTest::keyClick(m_frm.get(), Qt::Key_Return, Qt::ControlModifier);
    platform::Application::setErrorPresenter({});
    QCOMPARE(reported, QStringList{u"''25:0:0'' ist keine gültige Zeit."_s});
    QVERIFY(!armed());
}

void tst_MainWindowAccess::heldToggleKeyTogglesOnce()
{
    setFields(u"6"_s, u"45"_s, u"30"_s);
    auto *field = part<TFlatSpinEditInteger>("seStunde");
    field->setFocus(Qt::TabFocusReason);
    m_keyboard.down = true;
    QTest::keyPress(field, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(armed());
    // Repeats that reach the program as releases and presses, the key down.
    for (int i = 0; i < 23; ++i) {
        QTest::keyRelease(field, Qt::Key_Return, Qt::ControlModifier);
        QTest::keyPress(field, Qt::Key_Return, Qt::ControlModifier);
    }
    QVERIFY(armed());
    QCOMPARE(part<TFlatSpinEditInteger>("seStunde")->text(), u"6"_s);
    m_keyboard.down = false;
    QTest::keyRelease(field, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(!armed());
}

void tst_MainWindowAccess::messageKeyAsksForTheMessage()
{
    auto *field = part<TFlatSpinEditInteger>("seMinute");
    field->setFocus(Qt::TabFocusReason);
    const QString before = field->text();
    m_dialogs.queryAnswers = {u"Tee ist fertig"_s};
    QTest::keyClick(field, Qt::Key_M, Qt::ControlModifier);
    QCOMPARE(m_dialogs.queries.size(), 1);
    QCOMPARE(m_dialogs.queries[0].caption, u"Beim Alarm"_s);
    QCOMPARE(m_dialogs.queries[0].prompt, u"Meldung zum Alarm ausgeben"_s);
    QCOMPARE(m_frm->alarmSettings().AlarmMeldung, u"Tee ist fertig"_s);
    QCOMPARE(field->text(), before);
}

void tst_MainWindowAccess::keysCollideWithNothing()
{
    auto *toggle = part<QAction>("toggleAction");
    auto *message = part<QAction>("messageAction");
    const QList<QKeySequence> ours = toggle->shortcuts() + message->shortcuts();
    QCOMPARE(ours, (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Return),
                                        QKeySequence(Qt::CTRL | Qt::Key_Enter),
                                        QKeySequence(Qt::CTRL | Qt::Key_M)}));

    // The window's other keys: the menu bar's accelerators, the shortcuts of
    // its other actions and of the captions, and what the fields take as editing keys.
    QList<QKeySequence> taken;
    for (QAction *action : m_frm->findChildren<QAction *>()) {
        if (action != toggle && action != message)
            taken << action->shortcuts();
    }
    for (QAction *action : m_frm->menuBar()->actions())
        taken << QKeySequence::mnemonic(action->text());
    for (QWidget *w : m_frm->findChildren<QWidget *>()) {
        if (auto *button = qobject_cast<FlatHoverControl *>(w))
            taken << QKeySequence::mnemonic(button->caption());
        if (auto *label = qobject_cast<QLabel *>(w))
            taken << QKeySequence::mnemonic(label->text());
    }
    const QMetaEnum standard = QMetaEnum::fromType<QKeySequence::StandardKey>();
    for (int i = 0; i < standard.keyCount(); ++i)
        taken << QKeySequence::keyBindings(QKeySequence::StandardKey(standard.value(i)));
    taken << QKeySequence(Qt::Key_Up) << QKeySequence(Qt::Key_Down) << QKeySequence(Qt::Key_Return)
          << QKeySequence(Qt::ALT | Qt::Key_F4);
    QVERIFY(taken.contains(QKeySequence(Qt::ALT | Qt::Key_A))); // the reading above finds them
    for (const QKeySequence &key : ours)
        QVERIFY2(!taken.contains(key), qPrintable(key.toString()));
}

void tst_MainWindowAccess::screenReaderNames()
{
    auto name = [](QWidget *w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    QCOMPARE(name(part<QWidget>("seStunde")), u"Stunde"_s);
    QCOMPARE(name(part<QWidget>("seMinute")), u"Minute"_s);
    QCOMPARE(name(part<QWidget>("seSekunde")), u"Sekunde"_s);
    QCOMPARE(name(part<QWidget>("RxClock1")), u"Aktuelle Zeit"_s);
    QCOMPARE(name(part<QWidget>("Button1")), u"Meldung"_s);
    QCOMPARE(name(part<QWidget>("FlatPanel1")), u"Uhr"_s);

    // The toggle is named by its caption, which is the armed state; the label
    // "Alarmstatus" says what it is.
    auto *toggle = part<TFlatButton>("btnActivate");
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(toggle);
    QCOMPARE(name(toggle), u"Alarm aus"_s);
    QTest::keyClick(m_frm.get(), Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(name(toggle), u"Alarm ist aktiv"_s);
    bool labelled = false;
    for (const auto &[other, relation] : iface->relations(QAccessible::Label))
        labelled = labelled || other->text(QAccessible::Name) == u"Alarmstatus"_s;
    QVERIFY(labelled);
    QVERIFY(toggle->accessibleDescription().contains(u"Strg+Eingabe"_s));
    // The fields, which Tab reaches, tell both keys.
    for (const char *field : {"seStunde", "seMinute", "seSekunde"}) {
        const QString description = QAccessible::queryAccessibleInterface(part<QWidget>(field))
                                        ->text(QAccessible::Description);
        QVERIFY2(description.contains(u"Strg+Eingabe"_s) && description.contains(u"Strg+M"_s),
                 qPrintable(description));
    }
}

void tst_MainWindowAccess::stateIsToldAtEveryChange_data()
{
    QTest::addColumn<WindowCommand>("command");
    QTest::addColumn<QStringList>("told");
    const auto toggle = [this](TfrmMain &) {
        QTest::keyClick(part<QWidget>("seMinute"), Qt::Key_Return, Qt::ControlModifier);
    };
    QTest::newRow("Ctrl+Return arms: the state and the time")
        << WindowCommand(toggle) << QStringList{u"Alarm ist aktiv, 06:45:30"_s};
    QTest::newRow("Ctrl+Return twice: armed, then off")
        << WindowCommand([toggle](TfrmMain &w) { toggle(w); toggle(w); })
        << QStringList{u"Alarm ist aktiv, 06:45:30"_s, u"Alarm aus"_s};
    QTest::newRow("a relative alarm from the menu")
        << WindowCommand([this](TfrmMain &) {
               m_clock.set(8, 0, 0, 500);
               menuItem(u"mnu5"_s).trigger();
           })
        << QStringList{u"Alarm ist aktiv, 08:05:00"_s};
    QTest::newRow("the alarm's message confirmed: off")
        << WindowCommand([this, toggle](TfrmMain &w) {
               toggle(w);
               deliverAlarm();
           })
        << QStringList{u"Alarm ist aktiv, 06:45:30"_s, u"Alarm aus"_s};
    QTest::newRow("a field that holds no time: nothing changes, nothing told")
        << WindowCommand([this, toggle](TfrmMain &w) {
               part<TFlatSpinEditInteger>("seStunde")->setText(u"25"_s);
               platform::Application::setErrorPresenter([](const QString &, const QString &) {});
               toggle(w);
               platform::Application::setErrorPresenter({});
           })
        << QStringList();
}

// The toggle never has the focus and its new caption is not read: a screen
// reader hears the new state from a notice, wherever the change came from.
void tst_MainWindowAccess::stateIsToldAtEveryChange()
{
    QFETCH(WindowCommand, command);
    QFETCH(QStringList, told);
    FakeScreenReader screenReader;
    QVERIFY(screenReader.listening());
    setFields(u"6"_s, u"45"_s, u"30"_s);
    const auto *notice = m_frm->findChild<ScreenReaderNotice *>();
    QVERIFY(notice);
    // Each notice as it is read, when the state has changed.
    QStringList heard;
    QTestAccessibility::clearEvents();
    connect(m_frm.get(), &TfrmMain::alarmStateChanged, this, [&] {
        for (const QAccessibleEvent *event : QTestAccessibility::events())
            if (event->object() == notice && event->type() == QAccessible::ObjectShow)
                heard << notice->text();
        QTestAccessibility::clearEvents();
    });
    command(*m_frm);
    QCOMPARE(heard, told);
}

QTEST_MAIN(tst_MainWindowAccess)
#include "tst_mainwindowaccess.moc"
