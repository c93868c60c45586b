#include "controls/flataccessible.h"
#include "controls/linklabel.h"
#include "controls/screenreadernotice.h"
#include "controls/tflatbutton.h"
#include "controls/tflatpanel.h"
#include "controls/tflatradiobutton.h"
#include "controls/tflatspeedbutton.h"
#include "controls/tflatspineditinteger.h"
#include "controls/tspinbutton.h"
#include "controls/ttimerspeedbutton.h"
#include "tests/fakes/fakescreenreader.h"
#include "tests/fakes/pointer.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QtTest/qtestaccessible.h>

#include <limits>
#include <memory>

using namespace Qt::StringLiterals;

// The flat controls as a screen reader sees them, and what it can do with them.
class tst_FlatAccessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void rolesNamesAndKeys_data();
    void rolesNamesAndKeys();
    void buttonStates();
    void actionsClickOnceAnswered_data();
    void actionsClickOnceAnswered();
    void radioActionClicksAsTheMouse_data();
    void radioActionClicksAsTheMouse();
    void disabledControlsOfferNoAction();
    void spinEditValue_data();
    void spinEditValue();
    void spinEditActionsAndArrows();
    void spinEditText();
    void spinEditFocusChangeIsOneNotice_data();
    void spinEditFocusChangeIsOneNotice();
    void changesAreAnnounced();
    void noticeIsReadWhenItAppears();
    void noticeWaitsForItsWindow();

private:
    QAccessibleInterface *accessible(QObject *object) const
    {
        return QAccessible::queryAccessibleInterface(object);
    }
    TFlatSpinEditInteger *hourField();

    std::unique_ptr<QWidget> m_form;
    std::unique_ptr<FakePointer> m_pointer;
};

void tst_FlatAccessible::initTestCase()
{
    FlatAccessible::install();
    QTestAccessibility::initialize();
}

void tst_FlatAccessible::init()
{
    m_pointer = std::make_unique<FakePointer>();
    m_form = std::make_unique<QWidget>();
    m_form->resize(300, 200);
}

void tst_FlatAccessible::cleanup()
{
    m_form.reset();
    m_pointer.reset();
    QTestAccessibility::clearEvents();
}

TFlatSpinEditInteger *tst_FlatAccessible::hourField()
{
    auto *field = new TFlatSpinEditInteger(m_form.get());
    field->setGeometry(10, 10, 49, 23);
    field->setMinValue(0);
    field->setMaxValue(23);
    field->setValue(7);
    return field;
}

void tst_FlatAccessible::rolesNamesAndKeys_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("accelerator");
    QTest::newRow("button: the caption without its mark")
        << u"button"_s << u"&OK"_s << int(QAccessible::PushButton) << u"OK"_s << u"Alt+O"_s;
    QTest::newRow("button: a doubled ampersand is one")
        << u"button"_s << u"Salz && &Pfeffer"_s << int(QAccessible::PushButton) << u"Salz & Pfeffer"_s
        << u"Alt+P"_s;
    QTest::newRow("button: no accelerator")
        << u"button"_s << u"Alarm aus"_s << int(QAccessible::PushButton) << u"Alarm aus"_s << QString();
    QTest::newRow("speed button")
        << u"speed"_s << u"&Test"_s << int(QAccessible::PushButton) << u"Test"_s << u"Alt+T"_s;
    QTest::newRow("radio button")
        << u"radio"_s << u"über &Soundkarte"_s << int(QAccessible::RadioButton) << u"über Soundkarte"_s
        << u"Alt+S"_s;
    QTest::newRow("panel: its caption as the group's title")
        << u"panel"_s << u"Rahmen"_s << int(QAccessible::Grouping) << u"Rahmen"_s << QString();
    QTest::newRow("link: its text")
        << u"link"_s << u"www.example.org"_s << int(QAccessible::Link) << u"www.example.org"_s << QString();
    QTest::newRow("spin edit: named by its label")
        << u"spin"_s << u"&Stunde"_s << int(QAccessible::SpinBox) << u"Stunde"_s << QString();
    QTest::newRow("spin edit: a name given wins over the label")
        << u"spin named"_s << u"&Alarmzeit"_s << int(QAccessible::SpinBox) << u"Minute"_s << QString();
}

void tst_FlatAccessible::rolesNamesAndKeys()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, accelerator);
    QWidget *control = nullptr;
    if (kind == u"button") {
        auto *b = new TFlatButton(m_form.get());
        b->setCaption(caption);
        control = b;
    } else if (kind == u"speed") {
        auto *b = new TFlatSpeedButton(m_form.get());
        b->setCaption(caption);
        control = b;
    } else if (kind == u"radio") {
        auto *r = new TFlatRadioButton(m_form.get());
        r->setCaption(caption);
        control = r;
    } else if (kind == u"panel") {
        auto *p = new TFlatPanel(m_form.get());
        p->setCaption(caption);
        control = p;
    } else if (kind == u"link") {
        auto *l = new LinkLabel(m_form.get());
        l->setText(caption);
        control = l;
    } else {
        TFlatSpinEditInteger *field = hourField();
        auto *label = new QLabel(caption, m_form.get());
        label->setBuddy(field);
        if (kind == u"spin named")
            field->setAccessibleName(u"Minute"_s);
        control = field;
    }
    QAccessibleInterface *iface = accessible(control);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
    if (kind != u"panel" && kind != u"link" && !kind.startsWith(u"spin"))
        QCOMPARE(iface->text(QAccessible::Accelerator), accelerator);
}

void tst_FlatAccessible::buttonStates()
{
    auto *button = new TFlatButton(m_form.get());
    button->setGeometry(10, 10, 80, 25);
    button->setCaption(u"Los"_s);
    m_form->show();
    QAccessibleInterface *iface = accessible(button);
    QVERIFY(!iface->state().pressed);
    QVERIFY(!iface->state().checkable);
    QVERIFY(!iface->state().focusable); // no tab stop by default
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(iface->state().pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(!iface->state().pressed);

    // In a group a button latches: a checkable button, checked while down.
    button->setGroupIndex(1);
    QVERIFY(iface->state().checkable);
    QVERIFY(!iface->state().checked);
    button->setDown(true);
    QVERIFY(iface->state().checked);
    button->setTabStop(true);
    QVERIFY(iface->state().focusable);
}

void tst_FlatAccessible::actionsClickOnceAnswered_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("button") << u"button"_s;
    QTest::newRow("speed button") << u"speed"_s;
    QTest::newRow("link") << u"link"_s;
}

void tst_FlatAccessible::actionsClickOnceAnswered()
{
    QFETCH(QString, kind);
    QWidget *control = nullptr;
    std::unique_ptr<QSignalSpy> clicks;
    if (kind == u"button") {
        auto *b = new TFlatButton(m_form.get());
        clicks = std::make_unique<QSignalSpy>(b, &FlatButtonBase::OnClick);
        control = b;
    } else if (kind == u"speed") {
        auto *b = new TFlatSpeedButton(m_form.get());
        clicks = std::make_unique<QSignalSpy>(b, &FlatButtonBase::OnClick);
        control = b;
    } else {
        auto *l = new LinkLabel(m_form.get());
        clicks = std::make_unique<QSignalSpy>(l, &LinkLabel::OnClick);
        control = l;
    }
    m_form->show();
    QAccessibleActionInterface *actions = accessible(control)->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    // A click may open a modal window: it comes after the request is answered.
    QCOMPARE(clicks->count(), 0);
    QTRY_COMPARE(clicks->count(), 1);
    QTest::qWait(20);
    QCOMPARE(clicks->count(), 1);
}

void tst_FlatAccessible::radioActionClicksAsTheMouse_data()
{
    QTest::addColumn<bool>("checkedBefore");
    QTest::addColumn<int>("clicks");
    QTest::newRow("unchecked: clicked twice, then checked") << false << 2;
    QTest::newRow("checked: clicked once") << true << 1;
}

void tst_FlatAccessible::radioActionClicksAsTheMouse()
{
    QFETCH(bool, checkedBefore);
    QFETCH(int, clicks);
    auto *first = new TFlatRadioButton(m_form.get());
    auto *second = new TFlatRadioButton(m_form.get());
    second->move(0, 20);
    first->setChecked(!checkedBefore);
    second->setChecked(checkedBefore);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QSignalSpy spy(second, &TFlatRadioButton::OnClick);
    QAccessibleInterface *iface = accessible(second);
    QCOMPARE(bool(iface->state().checked), checkedBefore);
    iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QTRY_COMPARE(spy.count(), clicks);
    QVERIFY(iface->state().checked);
    QVERIFY(!accessible(first)->state().checked);
    QVERIFY(second->hasFocus());
}

void tst_FlatAccessible::disabledControlsOfferNoAction()
{
    auto *button = new TFlatButton(m_form.get());
    auto *radio = new TFlatRadioButton(m_form.get());
    TFlatSpinEditInteger *field = hourField();
    QSignalSpy clicks(button, &FlatButtonBase::OnClick);
    m_form->show();
    for (QWidget *control : {static_cast<QWidget *>(button), static_cast<QWidget *>(radio),
                             static_cast<QWidget *>(field)}) {
        control->setEnabled(false);
        QVERIFY2(accessible(control)->state().disabled, control->metaObject()->className());
        QVERIFY2(accessible(control)->actionInterface()->actionNames().isEmpty(),
                 control->metaObject()->className());
    }
    // A request already under way when the button was disabled changes nothing.
    button->setEnabled(true);
    accessible(button)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    button->setEnabled(false);
    accessible(field)->actionInterface()->doAction(QAccessibleActionInterface::increaseAction());
    accessible(field)->valueInterface()->setCurrentValue(12);
    QTest::qWait(20);
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(field->text(), u"7"_s);
}

void tst_FlatAccessible::spinEditValue_data()
{
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<QString>("text");
    QTest::newRow("in range") << QVariant(12) << u"12"_s;
    QTest::newRow("above the range: the maximum") << QVariant(99) << u"23"_s;
    QTest::newRow("below the range: the minimum") << QVariant(-5) << u"0"_s;
    QTest::newRow("a fraction: the nearest") << QVariant(12.6) << u"13"_s;
    QTest::newRow("beyond 32 bits: the maximum") << QVariant(1e12) << u"23"_s;
    QTest::newRow("not a number: unchanged") << QVariant(u"zwölf"_s) << u"7"_s;
    QTest::newRow("infinite: unchanged") << QVariant(std::numeric_limits<double>::infinity()) << u"7"_s;
}

void tst_FlatAccessible::spinEditValue()
{
    QFETCH(QVariant, written);
    QFETCH(QString, text);
    TFlatSpinEditInteger *field = hourField();
    QAccessibleValueInterface *value = accessible(field)->valueInterface();
    QVERIFY(value);
    QCOMPARE(value->currentValue().toInt(), 7);
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 23);
    QCOMPARE(value->minimumStepSize().toInt(), 1);
    value->setCurrentValue(written);
    QCOMPARE(field->text(), text);
    QCOMPARE(accessible(field)->text(QAccessible::Value), text);

    // Read only: a screen reader changes nothing either.
    field->setReadOnly(true);
    value->setCurrentValue(3);
    QCOMPARE(field->text(), text);
    QVERIFY(accessible(field)->state().readOnly);
    QVERIFY(!accessible(field)->state().editable);

    // Equal limits are no limits.
    field->setMinValue(5);
    field->setMaxValue(5);
    QCOMPARE(value->minimumValue().toInt(), std::numeric_limits<int>::min());
    QCOMPARE(value->maximumValue().toInt(), std::numeric_limits<int>::max());
}

void tst_FlatAccessible::spinEditActionsAndArrows()
{
    TFlatSpinEditInteger *field = hourField();
    field->setValue(22);
    m_form->show();
    QAccessibleInterface *iface = accessible(field);
    QAccessibleActionInterface *actions = iface->actionInterface();
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::increaseAction()));
    actions->doAction(QAccessibleActionInterface::increaseAction());
    QCOMPARE(field->text(), u"23"_s);
    actions->doAction(QAccessibleActionInterface::increaseAction());
    QCOMPARE(field->text(), u"23"_s); // stops at the limit, as the arrows do
    actions->doAction(QAccessibleActionInterface::decreaseAction());
    QCOMPARE(field->text(), u"22"_s);
    // The arrow keys are no key of the field's own: a screen reader would read
    // the first action's key as the field's shortcut.
    QVERIFY(actions->keyBindingsForAction(QAccessibleActionInterface::increaseAction()).isEmpty());
    QVERIFY(actions->keyBindingsForAction(QAccessibleActionInterface::decreaseAction()).isEmpty());

    // The arrows are the field's two children, named, pressing as a click does.
    QCOMPARE(iface->childCount(), 2);
    QAccessibleInterface *up = iface->child(0);
    QAccessibleInterface *down = iface->child(1);
    QCOMPARE(up->object(), field->button()->upButton());
    QCOMPARE(up->text(QAccessible::Name), u"Erhöhen"_s);
    QCOMPARE(down->text(QAccessible::Name), u"Verringern"_s);
    QCOMPARE(up->parent(), iface);
    QCOMPARE(iface->indexOfChild(down), 1);
    down->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(field->text(), u"21"_s);
}

void tst_FlatAccessible::spinEditText()
{
    TFlatSpinEditInteger *field = hourField();
    field->setValue(15);
    m_form->show();
    QAccessibleTextInterface *text = accessible(field)->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 2);
    QCOMPARE(text->text(0, 2), u"15"_s);
    QCOMPARE(text->text(1, 2), u"5"_s);
    text->setCursorPosition(1);
    QCOMPARE(field->cursorPosition(), 1);
    text->setSelection(0, 0, 2);
    QCOMPARE(field->selectedText(), u"15"_s);
    int start = -1, end = -1;
    text->selection(0, &start, &end);
    QCOMPARE(start, 0);
    QCOMPARE(end, 2);
    text->removeSelection(0);
    QCOMPARE(text->selectionCount(), 0);

    // The characters lie left to right inside the field, and a point finds them.
    const QRect first = text->characterRect(0);
    const QRect second = text->characterRect(1);
    QVERIFY(!first.isEmpty());
    QCOMPARE(second.left(), first.right() + 1);
    QVERIFY(QRect(field->mapToGlobal(QPoint(0, 0)), field->size()).contains(second));
    QCOMPARE(text->offsetAtPoint(second.center() + QPoint(second.width() / 4, 0)), 2);
    QVERIFY(text->characterRect(2).isEmpty());
}

void tst_FlatAccessible::spinEditFocusChangeIsOneNotice_data()
{
    QTest::addColumn<bool>("autoSelect");
    QTest::newRow("AutoSelect: the new field's text selected") << true;
    QTest::newRow("no AutoSelect: nothing selected") << false;
}

// Passing through the fields with Tab, a screen reader hears of the focus
// alone: not of the text the old field gives up nor of the one the new field
// selects on the way, which it would read before the field's name.
void tst_FlatAccessible::spinEditFocusChangeIsOneNotice()
{
    QFETCH(bool, autoSelect);
    FakeScreenReader screenReader;
    QVERIFY(screenReader.listening());
    TFlatSpinEditInteger *first = hourField();
    TFlatSpinEditInteger *second = hourField();
    second->move(70, 10);
    for (TFlatSpinEditInteger *field : {first, second})
        field->setAutoSelect(autoSelect);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    second->setFocus();
    first->setFocus(Qt::TabFocusReason);
    QCOMPARE(first->hasSelectedText(), autoSelect);
    QTestAccessibility::clearEvents();

    for (TFlatSpinEditInteger *to : {second, first}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), to);
        QCOMPARE(to->hasSelectedText(), autoSelect);
        QStringList told;
        for (const QAccessibleEvent *event : QTestAccessibility::events())
            if (event->object() == first || event->object() == second)
                told << u"%1 %2"_s.arg(event->object() == first ? u"first"_s : u"second"_s)
                            .arg(int(event->type()), 0, 16);
        const QString focus = u"%1 %2"_s.arg(to == first ? u"first"_s : u"second"_s)
                                  .arg(int(QAccessible::Focus), 0, 16);
        QVERIFY2(told == QStringList{focus}, qPrintable(told.join(u", ")));
        QTestAccessibility::clearEvents();
    }

    // Once the focus is there, selecting is told as always.
    first->setValue(12);
    first->setSelection(0, 1);
    QAccessibleTextSelectionEvent selected(first, 0, 1);
    QVERIFY(QTestAccessibility::containsEvent(&selected));
}

void tst_FlatAccessible::changesAreAnnounced()
{
    FakeScreenReader screenReader;
    QVERIFY(screenReader.listening());
    auto *button = new TFlatButton(m_form.get());
    button->setGeometry(10, 10, 80, 25);
    auto *radio = new TFlatRadioButton(m_form.get());
    radio->move(10, 40);
    TFlatSpinEditInteger *field = hourField();
    field->move(10, 70);
    m_form->show();
    QTestAccessibility::clearEvents();

    button->setCaption(u"Alarm ist aktiv"_s);
    QAccessibleEvent named(button, QAccessible::NameChanged);
    QVERIFY(QTestAccessibility::containsEvent(&named));

    QAccessible::State pressed;
    pressed.pressed = true;
    QAccessibleStateChangeEvent pressedChange(button, pressed);
    QTestAccessibility::clearEvents();
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(QTestAccessibility::containsEvent(&pressedChange));
    QTestAccessibility::clearEvents();
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(QTestAccessibility::containsEvent(&pressedChange));

    QAccessible::State checked;
    checked.checked = true;
    QAccessibleStateChangeEvent checkedChange(radio, checked);
    radio->setChecked(true);
    QVERIFY(QTestAccessibility::containsEvent(&checkedChange));

    QAccessibleValueChangeEvent valueChange(field, 12);
    field->setValue(12);
    QVERIFY(QTestAccessibility::containsEvent(&valueChange));

    QAccessible::State disabled;
    disabled.disabled = true;
    QAccessibleStateChangeEvent disabledChange(button, disabled);
    button->setEnabled(false);
    QVERIFY(QTestAccessibility::containsEvent(&disabledChange));
}

namespace {

// How often the notice appeared to a screen reader, and as what (read now).
QStringList appearances(const ScreenReaderNotice *notice)
{
    QStringList told;
    for (const QAccessibleEvent *event : QTestAccessibility::events())
        if (event->object() == notice && event->type() == QAccessible::ObjectShow)
            told << event->accessibleInterface()->text(QAccessible::Name);
    return told;
}

} // namespace

void tst_FlatAccessible::noticeIsReadWhenItAppears()
{
    auto *field = hourField();
    auto *notice = new ScreenReaderNotice(m_form.get());
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    const QImage before = m_form->grab().toImage();

    // No screen reader: nothing appears.
    QTestAccessibility::clearEvents();
    notice->tell(u"Alarm ist aktiv"_s);
    QVERIFY(notice->isHidden());

    FakeScreenReader screenReader;
    QAccessibleInterface *iface = accessible(notice);
    QCOMPARE(int(iface->role()), int(QAccessible::Notification));
    // Each text appears, the same one again too.
    for (const QString &text : {u"Alarm ist aktiv, 12:31:00 Uhr"_s, u"Alarm aus"_s, u"Alarm aus"_s}) {
        QTestAccessibility::clearEvents();
        notice->tell(text);
        QCOMPARE(appearances(notice), QStringList{text});
    }

    // Nothing to see, nothing to reach.
    QCOMPARE(m_form->grab().toImage(), before);
    QVERIFY(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(!notice->hasFocus());
}

void tst_FlatAccessible::noticeWaitsForItsWindow()
{
    FakeScreenReader screenReader;
    auto *notice = new ScreenReaderNotice(m_form.get());
    m_form->show();
    QWidget box;
    box.resize(100, 50);
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    QTestAccessibility::clearEvents();

    notice->tell(u"Alarm ist aktiv"_s);
    notice->tell(u"Alarm aus"_s); // the latest text is the one read
    QVERIFY(appearances(notice).isEmpty());
    box.hide();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QTRY_COMPARE(appearances(notice), QStringList{u"Alarm aus"_s});

    // Told while the window stays inactive too long: dropped.
    notice->setWaitMSecs(50);
    box.show();
    box.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&box));
    notice->tell(u"Alarm ist aktiv"_s);
    QTest::qWait(150);
    QTestAccessibility::clearEvents();
    box.hide();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCoreApplication::processEvents();
    QVERIFY(appearances(notice).isEmpty());
}

QTEST_MAIN(tst_FlatAccessible)
#include "tst_flataccessible.moc"
