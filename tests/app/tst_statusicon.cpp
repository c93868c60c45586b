// The status icon follows the armed state and carries out its menu through
// the main window; no status area is needed for that.

#include "app/runapplication.h"
#include "app/statusicon.h"
#include "app/tfrmmain.h"
#include "platform/application.h"
#include "tests/fakes/mainwindowfixture.h"

#include <QMenu>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_StatusIcon : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void followsTheArmedState_data();
    void followsTheArmedState();
    void armedIconIsMarked();
    void menuSaysWhatTheWindowsMenuSays();
    void menuArmsAndDisarms_data();
    void menuArmsAndDisarms();
    void menuShowsTheWindow();

private:
    // The icon's own items and the window's commands it shows, by name.
    QAction *item(const QString &name) const
    {
        QList<QAction *> actions = m_icon->menu()->actions();
        while (!actions.isEmpty()) {
            QAction *action = actions.takeFirst();
            if (action->objectName() == name)
                return action;
            if (action->menu())
                actions << action->menu()->actions();
        }
        return nullptr;
    }

    StatusIcon *m_icon = nullptr;
    QStringList m_errors;
};

void tst_StatusIcon::init()
{
    resetMainWindowFixture();
    m_clock.set(10, 0, 0, 500);
    m_errors.clear();
    platform::Application::setTitle(u"Brenvik Timer"_s);
    platform::Application::setErrorPresenter(
        [this](const QString &, const QString &text) { m_errors << text; });
    openMainWindow().SoundStep = [] {};
    m_icon = new StatusIcon(*m_frm);
}

void tst_StatusIcon::cleanup()
{
    m_icon = nullptr; // the window's child
    closeMainWindow();
    platform::Application::setErrorPresenter({});
}

void tst_StatusIcon::followsTheArmedState_data()
{
    QTest::addColumn<WindowCommand>("command");
    QTest::addColumn<QString>("toolTip");
    const WindowCommand nothing = [](TfrmMain &) {};
    QTest::newRow("at start") << nothing << u"Alarm aus"_s;
    QTest::newRow("--um 8:00") << WindowCommand([](TfrmMain &w) { w.armAt(8, 0, 0); })
                               << u"Alarm: AKTIV – 08:00:00"_s;
    QTest::newRow("armed, then another time") << WindowCommand([](TfrmMain &w) {
        w.armAt(8, 0, 0);
        w.armAt(23, 59, 59);
    }) << u"Alarm: AKTIV – 23:59:59"_s;
    QTest::newRow("\"Alarm in\" 5 at 10:00:00.5") << WindowCommand([](TfrmMain &w) { w.armIn(5); })
                                                  << u"Alarm: AKTIV – 10:05:00"_s;
    QTest::newRow("--um 0:00") << WindowCommand([](TfrmMain &w) { w.armAt(0, 0, 0); })
                               << u"Alarm: AKTIV – 00:00:00"_s;
    QTest::newRow("armed, then disarmed") << WindowCommand([](TfrmMain &w) {
        w.armAt(8, 0, 0);
        w.disarm();
    }) << u"Alarm aus"_s;
    QTest::newRow("a refused time keeps the armed one") << WindowCommand([](TfrmMain &w) {
        w.armAt(8, 0, 0);
        try {
            w.armAt(24, 0, 0);
        } catch (...) {
        }
    }) << u"Alarm: AKTIV – 08:00:00"_s;
}

void tst_StatusIcon::followsTheArmedState()
{
    QFETCH(WindowCommand, command);
    QFETCH(QString, toolTip);
    command(*m_frm);
    QCOMPARE(m_icon->toolTip(), toolTip);
    const bool armed = m_frm->isArmed();
    QCOMPARE(platform::Application::title(), armed ? u"Alarm: AKTIV"_s : u"Brenvik Timer"_s);
    QCOMPARE(item(u"mnuAlarmAus"_s)->isEnabled(), armed);
    // One made while the alarm is armed starts in step too.
    StatusIcon late(*m_frm);
    QCOMPARE(late.toolTip(), toolTip);
}

void tst_StatusIcon::armedIconIsMarked()
{
    const auto corner = [this](int size) {
        return m_icon->icon().pixmap(QSize(size, size), 1.0).toImage().pixelColor(size * 3 / 4, size * 3 / 4);
    };
    const QColor plain = programIcon().pixmap(QSize(32, 32), 1.0).toImage().pixelColor(24, 24);
    QCOMPARE(corner(32), plain);

    m_frm->armAt(8, 0, 0);
    for (int size : {16, 32, 64}) {
        const QColor mark = corner(size);
        QVERIFY2(mark.red() > 180 && mark.green() < 60 && mark.blue() < 60,
                 qPrintable(u"%1 px: %2"_s.arg(size).arg(mark.name())));
    }
    // Through a delivered alarm back to the plain icon.
    emit rxClock().OnAlarm(&rxClock());
    QCOMPARE(corner(32), plain);
    QCOMPARE(m_icon->toolTip(), u"Alarm aus"_s);
}

void tst_StatusIcon::menuSaysWhatTheWindowsMenuSays()
{
    const QList<QAction *> top = m_icon->menu()->actions();
    QVERIFY(top.value(0) && top[0]->menu());
    QCOMPARE(top[0]->text(), u"&Alarm in"_s);
    // The window's own commands, not copies: text, keys and handler are theirs.
    QCOMPARE(top[0]->menu()->actions(), control<QMenu>(u"mnuAlarm"_s)->actions());
    QCOMPARE(top.last(), &menuItem(u"mnuEnde"_s));
    QStringList texts;
    for (const QAction *action : top.mid(1))
        texts << (action->isSeparator() ? u"-"_s : action->text());
    QCOMPARE(texts, (QStringList{u"Alarm aus"_s, u"&Anzeigen"_s, u"-"_s, u"&Ende"_s}));
}

void tst_StatusIcon::menuArmsAndDisarms_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<QList<std::optional<QString>>>("answers");
    QTest::addColumn<bool>("armedBefore");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("refusal");
    const QList<std::optional<QString>> none;
    QTest::newRow("5 Minuten") << u"mnu5"_s << none << false << u"Alarm: AKTIV – 10:05:00"_s << QString();
    QTest::newRow("60 Minuten, armed before") << u"mnu60"_s << none << true
                                              << u"Alarm: AKTIV – 11:00:00"_s << QString();
    QTest::newRow("Weitere 7") << u"mnuWeitere"_s << QList<std::optional<QString>>{u"7"_s} << false
                               << u"Alarm: AKTIV – 10:07:00"_s << QString();
    QTest::newRow("Weitere, cancelled") << u"mnuWeitere"_s << QList<std::optional<QString>>{std::nullopt}
                                        << true << u"Alarm: AKTIV – 06:30:00"_s << QString();
    QTest::newRow("Weitere, not a number") << u"mnuWeitere"_s << QList<std::optional<QString>>{u"7a"_s}
                                           << false << u"Alarm aus"_s
                                           << u"Geben Sie Minuten ein, also nur Ziffern."_s;
    QTest::newRow("Alarm aus") << u"mnuAlarmAus"_s << none << true << u"Alarm aus"_s << QString();
}

void tst_StatusIcon::menuArmsAndDisarms()
{
    QFETCH(QString, item);
    QFETCH(QList<std::optional<QString>>, answers);
    QFETCH(bool, armedBefore);
    QFETCH(QString, toolTip);
    QFETCH(QString, refusal);
    if (armedBefore)
        m_frm->armAt(6, 30, 0);
    m_dialogs.queryAnswers = answers;

    this->item(item)->trigger();

    QCOMPARE(m_icon->toolTip(), toolTip);
    const bool armed = toolTip != u"Alarm aus"_s;
    QCOMPARE(m_frm->isArmed(), armed);
    QCOMPARE(btnActivate().text(), armed ? u"Alarm ist aktiv"_s : u"Alarm aus"_s);
    QCOMPARE(platform::Application::title(), armed ? u"Alarm: AKTIV"_s : u"Brenvik Timer"_s);
    // Never armed counts as stopped.
    QCOMPARE(m_wake.calls.isEmpty() ? u"stop"_s : m_wake.calls.last(),
             armed ? u"arm "_s + toolTip.right(8) : u"stop"_s);
    QCOMPARE(m_dialogs.messages.size(), refusal.isEmpty() ? 0 : 1);
    if (!refusal.isEmpty())
        QCOMPARE(m_dialogs.messages[0].text, refusal);
    QVERIFY(m_errors.isEmpty());
}

void tst_StatusIcon::menuShowsTheWindow()
{
    m_frm->showMinimized();
    QTRY_VERIFY(m_frm->isMinimized());
    item(u"mnuAnzeigen"_s)->trigger();
    QCOMPARE(m_activation.restoreCount, 1);
    QCOMPARE(m_activation.foregroundCount, 1);
    QVERIFY(!m_frm->isMinimized());
}

QTEST_MAIN(tst_StatusIcon)
#include "tst_statusicon.moc"
