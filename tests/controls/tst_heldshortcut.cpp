#include "controls/heldshortcut.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// A held Ctrl+Return toggles once: X repeats that Qt takes for a release and
// a new press do not count while the key is down.
class tst_HeldShortcut : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void heldKeyTriggersOnce_data();
    void heldKeyTriggersOnce();
    void lostReleaseIsSeenByLooking();
    void otherWaysAreNotHeldBack();

private:
    void press() { QTest::keyPress(m_field, Qt::Key_Return, Qt::ControlModifier); }
    void release() { QTest::keyRelease(m_field, Qt::Key_Return, Qt::ControlModifier); }

    std::unique_ptr<QWidget> m_window;
    QLineEdit *m_field = nullptr;
    QAction *m_toggle = nullptr;
    std::optional<bool> m_keyDown; // what the platform says of the key
    std::unique_ptr<QSignalSpy> m_triggered;
};

void tst_HeldShortcut::init()
{
    m_window = std::make_unique<QWidget>();
    m_field = new QLineEdit(m_window.get());
    m_toggle = new QAction(m_window.get());
    m_toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
    m_window->addAction(m_toggle);
    m_keyDown = false;
    new HeldShortcut(m_toggle, [this](quint32) { return m_keyDown; });
    m_triggered = std::make_unique<QSignalSpy>(m_toggle, &QAction::triggered);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_field->setFocus();
}

void tst_HeldShortcut::cleanup()
{
    m_triggered.reset();
    m_window.reset();
}

void tst_HeldShortcut::heldKeyTriggersOnce_data()
{
    QTest::addColumn<bool>("platformTells");
    QTest::newRow("the X server tells the key's state") << true;
    QTest::newRow("no way to look: the releases decide") << false;
}

void tst_HeldShortcut::heldKeyTriggersOnce()
{
    QFETCH(bool, platformTells);
    m_keyDown = platformTells ? std::optional<bool>(true) : std::nullopt;
    press();
    QCOMPARE(m_triggered->count(), 1);
    if (platformTells) {
        // Repeats that Qt missed: releases and presses while the key is down.
        for (int i = 0; i < 20; ++i) {
            release();
            press();
        }
    } else {
        for (int i = 0; i < 20; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier, QString(), true);
            QApplication::sendEvent(m_field, &repeat);
        }
    }
    QCOMPARE(m_triggered->count(), 1);

    // Released for real, pressed again: the next toggle.
    if (platformTells)
        m_keyDown = false;
    release();
    if (platformTells)
        m_keyDown = true;
    press();
    QCOMPARE(m_triggered->count(), 2);

    // A quick tap, up again before its press is handled: not a repeat.
    if (platformTells) {
        m_keyDown = false;
        press();
        QCOMPARE(m_triggered->count(), 3);
    }
}

void tst_HeldShortcut::lostReleaseIsSeenByLooking()
{
    m_keyDown = true;
    press();
    QCOMPARE(m_triggered->count(), 1);
    // The release went to another window; the key is seen up all the same.
    m_keyDown = false;
    QTest::qWait(HeldShortcut::PollMSecs * 3);
    m_keyDown = true;
    press();
    QCOMPARE(m_triggered->count(), 2);
}

void tst_HeldShortcut::otherWaysAreNotHeldBack()
{
    m_keyDown = true;
    press();
    // The menu and the status icon trigger the action as they always do.
    m_toggle->trigger();
    m_toggle->trigger();
    QCOMPARE(m_triggered->count(), 3);
    press();
    QCOMPARE(m_triggered->count(), 3);
}

QTEST_MAIN(tst_HeldShortcut)
#include "tst_heldshortcut.moc"
