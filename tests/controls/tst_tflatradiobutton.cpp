#include "controls/flatcolors.h"
#include "controls/tflatbutton.h"
#include "controls/tflatradiobutton.h"
#include "tests/fakes/pointer.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_TFlatRadioButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkingExcludesGroup_data();
    void checkingExcludesGroup();
    void uncheckingLeavesNoneChecked();
    void groupsAndParentsAreSeparate();
    void clickOnCheckedRaisesOnce_data();
    void clickOnCheckedRaisesOnce();
    void heldSpaceChecksOnce();
    void releaseOutsideDoesNotCheck();
    void lostReleaseEndsPress_data();
    void lostReleaseEndsPress();
    void acceleratorOnlyFocuses();
    void sharedAcceleratorStaysWithRadio();
    void disabledIgnoresPress();
    void paintedCircle_data();
    void paintedCircle();
    void hoverUsesOwnFamily();
    void focusMarkFollowsTheKeyboard_data();
    void focusMarkFollowsTheKeyboard();

private:
    QWidget *m_form = nullptr;
    QList<TFlatRadioButton *> m_radios;
    FakePointer *m_pointer = nullptr;
};

static const QColor formGrey(200, 200, 200);

void tst_TFlatRadioButton::init()
{
    m_pointer = new FakePointer;
    m_form = new QWidget;
    m_form->resize(200, 100);
    QPalette palette = m_form->palette();
    palette.setColor(QPalette::Window, formGrey);
    m_form->setPalette(palette);
    m_radios.clear();
    for (int i = 0; i < 3; ++i) {
        auto *radio = new TFlatRadioButton(m_form);
        radio->move(10, 10 + 20 * i);
        radio->setCaption(u"&%1 Wahl"_s.arg(QChar(u'a' + i)));
        m_radios << radio;
    }
}

void tst_TFlatRadioButton::cleanup()
{
    delete m_form;
    delete m_pointer;
}

void tst_TFlatRadioButton::checkingExcludesGroup_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("clicks");
    QTest::newRow("by mouse: clicked twice") << u"mouse"_s << 2;
    QTest::newRow("by Space on the focused button: as the mouse") << u"space"_s << 2;
    QTest::newRow("by writing Checked: once") << u"write"_s << 1;
}

void tst_TFlatRadioButton::checkingExcludesGroup()
{
    QFETCH(QString, how);
    QFETCH(int, clicks);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_radios[0]->setChecked(true);
    m_radios[1]->setChecked(true);
    QList<QSignalSpy *> spies;
    for (TFlatRadioButton *r : m_radios)
        spies << new QSignalSpy(r, &TFlatRadioButton::OnClick);
    QList<bool> checkedAtClick;
    connect(m_radios[2], &TFlatRadioButton::OnClick, this,
            [&] { checkedAtClick << m_radios[2]->isChecked(); });
    if (how == u"mouse") {
        m_pointer->click(m_radios[2], {5, 8});
    } else if (how == u"space") {
        QTest::keyClick(m_form, Qt::Key_C, Qt::AltModifier);
        QVERIFY(m_radios[2]->hasFocus());
        QCOMPARE(spies[2]->count(), 0);
        QTest::keyClick(m_radios[2], Qt::Key_Space);
    } else {
        m_radios[2]->setChecked(true);
    }
    QCOMPARE(spies[0]->count(), 0);
    QCOMPARE(spies[1]->count(), 0);
    QCOMPARE(spies[2]->count(), clicks);
    if (how != u"write")
        QCOMPARE(checkedAtClick, (QList<bool>{false, true}));
    QVERIFY(!m_radios[0]->isChecked());
    QVERIFY(!m_radios[1]->isChecked());
    QVERIFY(m_radios[2]->isChecked());
    QVERIFY(!m_radios[0]->tabStop());
    QVERIFY(!m_radios[1]->tabStop());
    QVERIFY(m_radios[2]->tabStop());
    qDeleteAll(spies);
}

void tst_TFlatRadioButton::uncheckingLeavesNoneChecked()
{
    m_radios[1]->setChecked(true);
    QSignalSpy clicks(m_radios[1], &TFlatRadioButton::OnClick);
    m_radios[1]->setChecked(false);
    for (TFlatRadioButton *r : m_radios) {
        QVERIFY(!r->isChecked());
        QVERIFY(!r->tabStop());
    }
    QCOMPARE(clicks.count(), 0);
}

void tst_TFlatRadioButton::groupsAndParentsAreSeparate()
{
    m_radios[0]->setGroupIndex(1);
    m_radios[0]->setChecked(true);
    m_radios[1]->setChecked(true);
    QVERIFY(m_radios[0]->isChecked());
    QWidget other(m_form);
    TFlatRadioButton elsewhere(&other);
    elsewhere.setChecked(true);
    QVERIFY(m_radios[1]->isChecked());
    QVERIFY(elsewhere.isChecked());
}

void tst_TFlatRadioButton::clickOnCheckedRaisesOnce_data()
{
    QTest::addColumn<bool>("bySpace");
    QTest::newRow("mouse") << false;
    QTest::newRow("Space") << true;
}

void tst_TFlatRadioButton::clickOnCheckedRaisesOnce()
{
    QFETCH(bool, bySpace);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_radios[0]->setChecked(true);
    QSignalSpy clicks(m_radios[0], &TFlatRadioButton::OnClick);
    if (bySpace) {
        m_radios[0]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(m_radios[0], Qt::Key_Space);
    } else {
        m_pointer->click(m_radios[0], {5, 8});
    }
    QCOMPARE(clicks.count(), 1);
    QVERIFY(m_radios[0]->isChecked());
}

void tst_TFlatRadioButton::heldSpaceChecksOnce()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_radios[0]->setChecked(true);
    m_radios[1]->setFocus(Qt::ShortcutFocusReason);
    QSignalSpy clicks(m_radios[1], &TFlatRadioButton::OnClick);
    QTest::keyPress(m_radios[1], Qt::Key_Space);
    QCOMPARE(clicks.count(), 2);
    // The key's repeats, and Space with a modifier, change nothing.
    for (int i = 0; i < 3; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, u" "_s, true);
        QApplication::sendEvent(m_radios[1], &repeat);
    }
    QTest::keyRelease(m_radios[1], Qt::Key_Space);
    QCOMPARE(clicks.count(), 2);
    m_radios[0]->setFocus(Qt::ShortcutFocusReason);
    QTest::keyClick(m_radios[0], Qt::Key_Space, Qt::ControlModifier);
    QVERIFY(m_radios[1]->isChecked());
    QVERIFY(!m_radios[0]->isChecked());
}

void tst_TFlatRadioButton::releaseOutsideDoesNotCheck()
{
    m_form->show();
    QSignalSpy clicks(m_radios[0], &TFlatRadioButton::OnClick);
    m_pointer->move(m_radios[0], {5, 8});
    m_pointer->press(m_radios[0], {5, 8});
    QVERIFY(m_radios[0]->pressing());
    m_pointer->move(m_radios[0], {150, 8}, Qt::LeftButton);
    m_pointer->release(m_radios[0], {150, 8});
    QVERIFY(!m_radios[0]->isChecked());
    QVERIFY(!m_radios[0]->pressing());
    QCOMPARE(clicks.count(), 0);
}

void tst_TFlatRadioButton::acceleratorOnlyFocuses()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_radios[0]->setChecked(true);
    QSignalSpy clicks(m_radios[1], &TFlatRadioButton::OnClick);
    QTest::keyClick(m_form, Qt::Key_B, Qt::AltModifier);
    QVERIFY(m_radios[1]->hasFocus());
    QVERIFY(!m_radios[1]->isChecked());
    QCOMPARE(clicks.count(), 0);
    const QRect box = m_radios[1]->circleRect();
    QCOMPARE(m_radios[1]->grab().toImage().pixelColor(box.center()), QColor(Qt::white));
    // The arrow keys move on through the group, still without checking.
    QTest::keyClick(m_radios[1], Qt::Key_Down);
    QVERIFY(m_radios[2]->hasFocus());
    QVERIFY(m_radios[0]->isChecked());
}

void tst_TFlatRadioButton::disabledIgnoresPress()
{
    m_radios[0]->setEnabled(false);
    QSignalSpy clicks(m_radios[0], &TFlatRadioButton::OnClick);
    QSignalSpy downs(m_radios[0], &TFlatRadioButton::OnMouseDown);
    m_pointer->click(m_radios[0], {5, 8});
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(downs.count(), 0);
    QVERIFY(!m_radios[0]->isChecked());
}

void tst_TFlatRadioButton::paintedCircle_data()
{
    QTest::addColumn<QString>("look");
    QTest::addColumn<QColor>("fill");
    QTest::addColumn<QColor>("dot");
    QTest::newRow("idle: the parent's colour") << u"idle"_s << formGrey << QColor();
    QTest::newRow("hover: focus colour") << u"hover"_s << QColor(Qt::white) << QColor();
    QTest::newRow("pressed: pressed face") << u"pressed"_s << QColor(217, 214, 197) << QColor();
    QTest::newRow("checked: black dot") << u"checked"_s << formGrey << QColor(Qt::black);
    QTest::newRow("disabled checked: shadow dot")
        << u"disabled"_s << formGrey << FlatColors::btnShadow();
    QTest::newRow("right layout") << u"right"_s << formGrey << QColor();
}

void tst_TFlatRadioButton::paintedCircle()
{
    QFETCH(QString, look);
    QFETCH(QColor, fill);
    QFETCH(QColor, dot);
    TFlatRadioButton *r = m_radios[0];
    m_form->show();
    if (look == u"hover"_s)
        m_pointer->move(r, {5, 8});
    if (look == u"pressed"_s) {
        m_pointer->move(r, {5, 8});
        m_pointer->press(r, {5, 8});
    }
    if (look == u"checked"_s || look == u"disabled"_s)
        r->setChecked(true);
    if (look == u"disabled"_s)
        r->setEnabled(false);
    if (look == u"right"_s)
        r->setLayout(Flat::radioRight);
    const QImage image = r->grab().toImage();
    const QRect box = r->circleRect();
    QCOMPARE(box, look == u"right"_s ? QRect(121 - 11, 3, 10, 10) : QRect(1, 3, 10, 10));
    QCOMPARE(image.pixelColor(box.left() + 5, box.top()), QColor(160, 150, 131));  // top of the outline
    QCOMPARE(image.pixelColor(box.left(), box.top() + 5), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(box.left(), box.top()), formGrey);                // outside the circle
    QCOMPARE(image.pixelColor(box.left() + 2, box.top() + 5), fill);
    QCOMPARE(image.pixelColor(box.left() + 5, box.top() + 5).rgb(), (dot.isValid() ? dot : fill).rgb());
    QCOMPARE(image.pixelColor(box.left() + 5, box.top() + 11), formGrey);       // below the box
}

void tst_TFlatRadioButton::hoverUsesOwnFamily()
{
    HoverFamily &family = TFlatRadioButton::family();
    m_pointer->move(m_radios[0], {5, 8});
    QCOMPARE(family.owner(), m_radios[0]);
    QVERIFY(family.timer()->isActive());
    m_pointer->move(m_radios[1], {5, 8});
    QVERIFY(!m_radios[0]->mouseInside());
    QVERIFY(m_radios[1]->mouseInside());
    m_pointer->over = nullptr;
    family.check();
    QVERIFY(!m_radios[1]->mouseInside());
    QVERIFY(!family.timer()->isActive());
}

void tst_TFlatRadioButton::lostReleaseEndsPress_data()
{
    QTest::addColumn<bool>("modal");
    QTest::newRow("a modal window opens") << true;
    QTest::newRow("the poll finds the button up") << false;
}

void tst_TFlatRadioButton::lostReleaseEndsPress()
{
    QFETCH(bool, modal);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    TFlatRadioButton *radio = m_radios[1];
    m_pointer->move(radio, {5, 8});
    m_pointer->press(radio, {5, 8});
    QVERIFY(radio->pressing());
    QDialog box(m_form);
    if (modal) {
        box.setModal(true);
        box.show();
    } else {
        m_pointer->held = Qt::NoButton;
        TFlatRadioButton::family().check();
    }
    QVERIFY(!radio->pressing());
    QVERIFY(!radio->isChecked());

    box.hide();
    m_pointer->held = Qt::NoButton;
    m_pointer->over = nullptr;
    TFlatRadioButton::family().check();
    QVERIFY(!radio->mouseInside());
}

void tst_TFlatRadioButton::sharedAcceleratorStaysWithRadio()
{
    // As in the options dialog: a radio button in a group and a button on
    // the window claim the same accelerator.
    QWidget window;
    window.resize(300, 120);
    auto *group = new QWidget(&window);
    group->setGeometry(0, 0, 200, 60);
    auto *radio = new TFlatRadioButton(group);
    radio->setCaption(u"kein &Alarmton"_s);
    radio->move(10, 10);
    auto *cancel = new TFlatButton(&window);
    cancel->setCaption(u"&Abbrechen"_s);
    cancel->setGeometry(200, 80, 77, 25);
    QSignalSpy clicks(cancel, &FlatButtonBase::OnClick);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (int press = 1; press <= 3; ++press) {
        QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
        QVERIFY2(radio->hasFocus(), qPrintable(u"press %1"_s.arg(press)));
        QCOMPARE(clicks.count(), 0);
    }
    QVERIFY(!radio->isChecked());

    // A radio button that cannot take the focus passes the character on.
    radio->setEnabled(false);
    QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
    QCOMPARE(clicks.count(), 1);
}

void tst_TFlatRadioButton::focusMarkFollowsTheKeyboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("focused");
    QTest::addColumn<bool>("marked");
    QTest::newRow("a click: no mark") << u"click"_s << 0 << false;
    QTest::newRow("Tab: marked") << u"tab"_s << 0 << true;
    QTest::newRow("the accelerator: marked") << u"accelerator"_s << 1 << true;
    QTest::newRow("an arrow key after a click: marked") << u"arrow"_s << 1 << true;
}

void tst_TFlatRadioButton::focusMarkFollowsTheKeyboard()
{
    QFETCH(QString, how);
    QFETCH(int, focused);
    QFETCH(bool, marked);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    m_radios[0]->setChecked(true);
    if (how == u"click"_s || how == u"arrow"_s)
        m_pointer->click(m_radios[0], {5, 8});
    if (how == u"tab"_s)
        QTest::keyClick(m_form, Qt::Key_Tab);
    if (how == u"accelerator"_s)
        QTest::keyClick(m_form, Qt::Key_B, Qt::AltModifier);
    if (how == u"arrow"_s)
        QTest::keyClick(m_radios[0], Qt::Key_Down);
    TFlatRadioButton *r = m_radios[focused];
    QVERIFY(r->hasFocus());
    QCOMPARE(r->showsFocusMark(), marked);

    // A dotted frame around the caption, in the caption's colour.
    const QRect frame = r->focusRect();
    QVERIFY(frame.left() > r->circleRect().right());
    const QColor ink = r->palette().color(QPalette::WindowText);
    const QImage image = r->grab().toImage();
    QCOMPARE(image.pixelColor(frame.topLeft()), marked ? ink : formGrey);
    QCOMPARE(image.pixelColor(frame.topLeft() + QPoint(2, 0)), marked ? ink : formGrey);
    QCOMPARE(image.pixelColor(frame.topLeft() + QPoint(1, 0)), formGrey);
    QCOMPARE(image.pixelColor(frame.left(), frame.top() + 2), marked ? ink : formGrey);

    // The focus leaving takes the mark along.
    r->clearFocus();
    QCOMPARE(r->grab().toImage().pixelColor(frame.topLeft()), formGrey);
}

QTEST_MAIN(tst_TFlatRadioButton)
#include "tst_tflatradiobutton.moc"
