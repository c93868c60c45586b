#include "controls/flatbeep.h"
#include "controls/flatcolors.h"
#include "controls/tflatedit.h"
#include "controls/tflatspineditinteger.h"
#include "controls/tspinbutton.h"
#include "controls/ttimerspeedbutton.h"
#include "tests/fakes/pointer.h"

#include <QClipboard>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_TFlatSpinEditInteger : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void readsValue_data();
    void readsValue();
    void writesClampedValue_data();
    void writesClampedValue();
    void steps_data();
    void steps();
    void typingFilter_data();
    void typingFilter();
    void enterBeepsAndStaysInField();
    void editorDisabledStillSteps();
    void readOnlyBeepsOnSteps();
    void leavingClamps_data();
    void leavingClamps();
    void arrowPressFocusesAndSelects();
    void autoSelectOnlyOnEntry_data();
    void autoSelectOnlyOnEntry();
    void keyboardMenuLeavesFieldAlone_data();
    void keyboardMenuLeavesFieldAlone();
    void repeatsWhileHeld();
    void lostReleaseEndsRepeat_data();
    void lostReleaseEndsRepeat();
    void geometry();
    void heightFollowsFont();
    void colourWriteOrder();
    void paintedLooks_data();
    void paintedLooks();
    void plainEditFocusSuppressesHover();

private:
    QWidget *m_form = nullptr;
    TFlatSpinEditInteger *m_edit = nullptr;
    QLineEdit *m_other = nullptr;
    int m_beeps = 0;
    void showForm();
};

void tst_TFlatSpinEditInteger::initTestCase()
{
    FlatBeep::setHook([this] { ++m_beeps; });
}

void tst_TFlatSpinEditInteger::init()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    m_beeps = 0;
    m_form = new QWidget;
    m_form->resize(300, 120);
    QPalette palette = m_form->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_form->setPalette(palette);
    QFont font(u"Tahoma"_s);
    font.setPixelSize(13);
    m_form->setFont(font);
    m_edit = new TFlatSpinEditInteger(m_form);
    m_edit->setGeometry(96, 80, 49, 23);
    m_edit->setMinValue(0);
    m_edit->setMaxValue(23);
    m_other = new QLineEdit(m_form);
    m_other->setGeometry(10, 10, 50, 20);
}

void tst_TFlatSpinEditInteger::cleanup()
{
    delete m_form;
    QLocale::setDefault(QLocale::c());
}

void tst_TFlatSpinEditInteger::showForm()
{
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void tst_TFlatSpinEditInteger::readsValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("value");
    QTest::newRow("number in range") << u"12"_s << 0 << 12;
    QTest::newRow("above the range: not clamped while typing") << u"99"_s << 0 << 99;
    QTest::newRow("plus sign") << u"+7"_s << 0 << 7;
    QTest::newRow("negative") << u"-5"_s << 0 << -5;
    QTest::newRow("empty reads MinValue") << QString() << 3 << 3;
    QTest::newRow("lone minus reads MinValue") << u"-"_s << 3 << 3;
    QTest::newRow("decimal comma reads MinValue") << u"1,5"_s << 3 << 3;
    QTest::newRow("blank before digits is not a number") << u" 7"_s << 3 << 3;
    QTest::newRow("no hexadecimal") << u"$A"_s << 3 << 3;
    QTest::newRow("int max") << u"2147483647"_s << 0 << 2147483647;
    QTest::newRow("int min") << u"-2147483648"_s << 0 << int(-2147483648LL);
    QTest::newRow("beyond 32 bits reads MinValue") << u"2147483648"_s << 3 << 3;
    QTest::newRow("far beyond 32 bits") << u"99999999999999999999"_s << 3 << 3;
}

void tst_TFlatSpinEditInteger::readsValue()
{
    QFETCH(QString, text);
    QFETCH(int, minValue);
    QFETCH(int, value);
    m_edit->setMinValue(minValue);
    m_edit->setText(text);
    QCOMPARE(m_edit->value(), value);
    QCOMPARE(m_edit->text(), text); // reading never changes the text
}

void tst_TFlatSpinEditInteger::writesClampedValue_data()
{
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("text");
    QTest::newRow("in range") << 0 << 23 << 7 << u"7"_s;
    QTest::newRow("above") << 0 << 23 << 99 << u"23"_s;
    QTest::newRow("below") << 0 << 23 << -5 << u"0"_s;
    QTest::newRow("equal limits: no limit") << 0 << 0 << -123456 << u"-123456"_s;
    QTest::newRow("crossed limits, 7 gives MinValue") << 10 << 5 << 7 << u"10"_s;
    QTest::newRow("crossed limits, 3 gives MinValue") << 10 << 5 << 3 << u"10"_s;
    QTest::newRow("crossed limits, 12 gives MaxValue") << 10 << 5 << 12 << u"5"_s;
}

void tst_TFlatSpinEditInteger::writesClampedValue()
{
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, written);
    QFETCH(QString, text);
    m_edit->setMinValue(minValue);
    m_edit->setMaxValue(maxValue);
    m_edit->setText(text);
    QSignalSpy changes(m_edit, &TCustomFlatEdit::OnChange);
    m_edit->setValue(written);
    QCOMPARE(m_edit->text(), text);
    QCOMPARE(changes.count(), 0); // same text: not replaced
    m_edit->setText(u"x"_s);
    changes.clear();
    m_edit->setValue(written);
    QCOMPARE(m_edit->text(), text);
    QCOMPARE(changes.count(), 1);
}

void tst_TFlatSpinEditInteger::steps_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("minValue");
    QTest::addColumn<int>("maxValue");
    QTest::addColumn<int>("increment");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected");
    QTest::newRow("up key at the top stays") << u"23"_s << 0 << 23 << 1 << u"key up"_s << u"23"_s;
    QTest::newRow("up arrow at the top stays") << u"23"_s << 0 << 23 << 1 << u"arrow up"_s << u"23"_s;
    QTest::newRow("down key") << u"23"_s << 0 << 23 << 1 << u"key down"_s << u"22"_s;
    QTest::newRow("down arrow at the bottom, no wrap") << u"0"_s << 0 << 59 << 1 << u"arrow down"_s << u"0"_s;
    QTest::newRow("empty steps up from MinValue") << QString() << 0 << 23 << 1 << u"key up"_s << u"1"_s;
    QTest::newRow("increment 5") << u"10"_s << 0 << 59 << 5 << u"arrow up"_s << u"15"_s;
    QTest::newRow("unlimited, below zero") << u"0"_s << 0 << 0 << 1 << u"key down"_s << u"-1"_s;
    QTest::newRow("unlimited at int max stops there")
        << u"2147483647"_s << 0 << 0 << 1 << u"arrow up"_s << u"2147483647"_s;
    QTest::newRow("unlimited at int min stops there")
        << u"-2147483648"_s << 0 << 0 << 1 << u"arrow down"_s << u"-2147483648"_s;
    QTest::newRow("out-of-range text is clamped by the step")
        << u"99"_s << 0 << 23 << 1 << u"key down"_s << u"23"_s;
}

void tst_TFlatSpinEditInteger::steps()
{
    QFETCH(QString, text);
    QFETCH(int, minValue);
    QFETCH(int, maxValue);
    QFETCH(int, increment);
    QFETCH(QString, how);
    QFETCH(QString, expected);
    m_edit->setMinValue(minValue);
    m_edit->setMaxValue(maxValue);
    m_edit->setIncrement(increment);
    m_edit->setText(text);
    if (how == u"key up"_s)
        QTest::keyClick(m_edit, Qt::Key_Up);
    else if (how == u"key down"_s)
        QTest::keyClick(m_edit, Qt::Key_Down);
    else
        (how == u"arrow up"_s ? m_edit->button()->upButton() : m_edit->button()->downButton())->click();
    QCOMPARE(m_edit->text(), expected);
    QCOMPARE(m_beeps, 0);
}

void tst_TFlatSpinEditInteger::typingFilter_data()
{
    QTest::addColumn<bool>("german");
    QTest::addColumn<bool>("editorEnabled");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("beeps");
    QTest::newRow("digits and signs") << true << true << u"-1+2"_s << u"-1+2"_s << 0;
    QTest::newRow("letter beeps") << true << true << u"1a2"_s << u"12"_s << 1;
    QTest::newRow("German: comma accepted") << true << true << u"1,5"_s << u"1,5"_s << 0;
    QTest::newRow("German: full stop beeps") << true << true << u"1.5"_s << u"15"_s << 1;
    QTest::newRow("C locale: full stop accepted") << false << true << u"1.5"_s << u"1.5"_s << 0;
    QTest::newRow("C locale: comma beeps") << false << true << u"1,5"_s << u"15"_s << 1;
    QTest::newRow("blank beeps") << true << true << u"1 2"_s << u"12"_s << 1;
    QTest::newRow("backspace deletes") << true << true << u"12\b"_s << u"1"_s << 0;
    QTest::newRow("editor disabled: digits beep") << true << false << u"12"_s << QString() << 2;
    QTest::newRow("editor disabled: backspace beeps") << true << false << u"\b"_s << QString() << 1;
}

void tst_TFlatSpinEditInteger::typingFilter()
{
    QFETCH(bool, german);
    QFETCH(bool, editorEnabled);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, beeps);
    QLocale::setDefault(german ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
    m_edit->setEditorEnabled(editorEnabled);
    m_edit->setText(QString());
    for (QChar ch : typed) {
        if (ch == u'\b')
            QTest::keyClick(m_edit, Qt::Key_Backspace);
        else
            QTest::keyClick(m_edit, ch.toLatin1());
    }
    QCOMPARE(m_edit->text(), expected);
    QCOMPARE(m_beeps, beeps);
}

void tst_TFlatSpinEditInteger::enterBeepsAndStaysInField()
{
    struct KeySink : QWidget
    {
        int keys = 0;
        using QWidget::QWidget;
        void keyPressEvent(QKeyEvent *) override { ++keys; }
    };
    auto *sink = new KeySink(m_form);
    m_edit->setParent(sink);
    m_edit->setText(u"5"_s);
    QSignalSpy returns(m_edit, &QLineEdit::returnPressed);
    QTest::keyClick(m_edit, Qt::Key_Return);
    QTest::keyClick(m_edit, Qt::Key_Enter);
    QCOMPARE(m_beeps, 2);
    QCOMPARE(m_edit->text(), u"5"_s);
    QCOMPARE(sink->keys, 0);
    QCOMPARE(returns.count(), 0);
}

void tst_TFlatSpinEditInteger::editorDisabledStillSteps()
{
    m_edit->setEditorEnabled(false);
    m_edit->setText(u"5"_s);
    QGuiApplication::clipboard()->setText(u"17"_s);
    m_edit->selectAll();
    QTest::keySequence(m_edit, QKeySequence::Paste);
    QTest::keySequence(m_edit, QKeySequence::Cut);
    QCOMPARE(m_edit->text(), u"5"_s);
    QCOMPARE(m_beeps, 0); // ignored without a sound
    QTest::keyClick(m_edit, Qt::Key_Up);
    m_edit->button()->upButton()->click();
    QCOMPARE(m_edit->text(), u"7"_s);

    if (QGuiApplication::clipboard()->text() != u"17"_s)
        QSKIP("no clipboard on this platform");
    m_edit->setEditorEnabled(true);
    m_edit->selectAll();
    QTest::keySequence(m_edit, QKeySequence::Paste);
    QCOMPARE(m_edit->text(), u"17"_s);
}

void tst_TFlatSpinEditInteger::readOnlyBeepsOnSteps()
{
    m_edit->setReadOnly(true);
    m_edit->setText(u"5"_s);
    QTest::keyClick(m_edit, Qt::Key_Up);
    QTest::keyClick(m_edit, Qt::Key_Down);
    m_edit->button()->upButton()->click();
    m_edit->button()->downButton()->click();
    QCOMPARE(m_beeps, 4);
    QTest::keyClick(m_edit, '7');
    QCOMPARE(m_beeps, 4); // passed on to the read-only edit
    QCOMPARE(m_edit->text(), u"5"_s);
}

void tst_TFlatSpinEditInteger::leavingClamps_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("left");
    QTest::newRow("99 becomes 23") << u"99"_s << u"23"_s;
    QTest::newRow("-5 becomes 0") << u"-5"_s << u"0"_s;
    QTest::newRow("empty stays empty") << QString() << QString();
    QTest::newRow("lone minus stays") << u"-"_s << u"-"_s;
    QTest::newRow("in range unchanged") << u"07"_s << u"07"_s;
}

void tst_TFlatSpinEditInteger::leavingClamps()
{
    QFETCH(QString, typed);
    QFETCH(QString, left);
    showForm();
    m_edit->setFocus(Qt::TabFocusReason);
    QVERIFY(m_edit->hasFocus());
    m_edit->setText(typed);
    QString seenOnExit = u"(none)"_s;
    connect(m_edit, &TCustomFlatEdit::OnExit, this, [&] { seenOnExit = m_edit->text(); });
    m_other->setFocus(Qt::TabFocusReason);
    QCOMPARE(seenOnExit, typed);
    QCOMPARE(m_edit->text(), left);
}

void tst_TFlatSpinEditInteger::arrowPressFocusesAndSelects()
{
    showForm();
    m_other->setFocus();
    m_edit->setText(u"12"_s);
    FakePointer pointer;
    TTimerSpeedButton *up = m_edit->button()->upButton();
    pointer.move(up, {5, 5});
    pointer.press(up, {5, 5});
    QVERIFY(m_edit->hasFocus());
    QCOMPARE(m_edit->selectedText(), u"12"_s);
    QCOMPARE(m_edit->text(), u"12"_s); // steps on release
    pointer.release(up, {5, 5});
    QCOMPARE(m_edit->text(), u"13"_s);

    m_edit->setAutoSelect(false);
    m_other->setFocus();
    pointer.press(up, {5, 5});
    QVERIFY(m_edit->hasFocus());
    QVERIFY(!m_edit->hasSelectedText());
    pointer.release(up, {5, 5});
}

void tst_TFlatSpinEditInteger::repeatsWhileHeld()
{
    FakePointer pointer;
    m_edit->setText(u"1"_s);
    TTimerSpeedButton *up = m_edit->button()->upButton();
    QVERIFY(!up->repeatTimer());
    pointer.move(up, {5, 5});
    pointer.press(up, {5, 5});
    QVERIFY(up->repeatTimer());
    QVERIFY(up->repeatTimer()->isActive());
    QCOMPARE(up->repeatTimer()->interval(), 400);
    // A coarse timer may come up to 5 % early or late: 380 to 420 ms.
    QCOMPARE(up->repeatTimer()->timerType(), Qt::PreciseTimer);
    up->repeatTick();
    QCOMPARE(up->repeatTimer()->interval(), 100);
    QCOMPARE(m_edit->text(), u"2"_s);
    up->repeatTick();
    QCOMPARE(m_edit->text(), u"3"_s);
    pointer.move(up, {30, 5}, Qt::LeftButton); // out: repeats pause
    up->repeatTick();
    QCOMPARE(m_edit->text(), u"3"_s);
    pointer.move(up, {5, 5}, Qt::LeftButton);
    up->repeatTick();
    QCOMPARE(m_edit->text(), u"4"_s);
    pointer.release(up, {5, 5});
    QCOMPARE(m_edit->text(), u"5"_s); // and once more on release
    QVERIFY(!up->repeatTimer()->isActive());
}

void tst_TFlatSpinEditInteger::geometry()
{
    m_form->show();
    TSpinButton *pair = m_edit->button();
    QCOMPARE(m_edit->size(), QSize(49, 23));
    QCOMPARE(pair->geometry(), QRect(49 - 22 - 5 + 3, 3, 22, 17));
    QCOMPARE(pair->upButton()->geometry(), QRect(0, 0, 11, 17));
    QCOMPARE(pair->downButton()->geometry(), QRect(10, 0, 11, 17));
    QCOMPARE(m_edit->textMargins().right(), 28); // text ends 3 pixels left of the arrows
    pair->upButton()->grab();
    pair->downButton()->grab();
    QCOMPARE(pair->upButton()->glyphOrigin(), QPoint(3, 2));
    QCOMPARE(pair->downButton()->glyphOrigin(), QPoint(3, 17 - 2 - 5));

    m_edit->resize(60, 5);
    QCOMPARE(m_edit->height(), m_edit->textHeight() + 7);
    m_edit->resize(60, 40);
    QCOMPARE(pair->geometry(), QRect(60 - 24, 3, 22, 34));
}

void tst_TFlatSpinEditInteger::heightFollowsFont()
{
    QFont big = m_form->font();
    big.setPixelSize(30);
    m_edit->setFont(big);
    QCOMPARE(m_edit->height(), m_edit->textHeight() + 7);
    const int tall = m_edit->height();
    m_edit->setAutoSize(false);
    m_edit->resize(49, 50);
    big.setPixelSize(20);
    m_edit->setFont(big);
    QCOMPARE(m_edit->height(), 50);
    QVERIFY(tall > 23);
}

void tst_TFlatSpinEditInteger::colourWriteOrder()
{
    m_edit->setColorFlat(FlatColors::btnFace());
    QVERIFY(!m_edit->parentColor());
    m_edit->setParentColor(true);
    QCOMPARE(m_edit->colorFlat(), QColor(Qt::white));

    m_edit->setColorFlat(Qt::blue);
    QCOMPARE(m_edit->colorFlat(), QColor(Qt::blue));
    QVERIFY(!m_edit->parentColor());

    m_edit->setUseAdvColors(true);
    QVERIFY(m_edit->parentColor());
    QCOMPARE(m_edit->colorFlat(), QColor(Qt::white));
    QCOMPARE(m_edit->colorFocused(), QColor(106, 106, 106));
    QCOMPARE(m_edit->colorBorder(), QColor(212, 212, 212));
}

void tst_TFlatSpinEditInteger::paintedLooks_data()
{
    QTest::addColumn<QString>("look");
    QTest::addColumn<bool>("buttonFace");
    QTest::addColumn<bool>("focusColour");
    QTest::newRow("button-face field idle") << u"idle"_s << true << false;
    QTest::newRow("button-face field focused") << u"focused"_s << true << true;
    QTest::newRow("button-face field hovered") << u"hover"_s << true << true;
    QTest::newRow("button-face field disabled") << u"disabled"_s << true << false;
}

void tst_TFlatSpinEditInteger::paintedLooks()
{
    QFETCH(QString, look);
    QFETCH(bool, buttonFace);
    QFETCH(bool, focusColour);
    FakePointer pointer;
    if (buttonFace)
        m_edit->setColorFlat(FlatColors::btnFace());
    m_edit->setColorFocused(Qt::white);
    showForm();
    m_other->setFocus();
    if (look == u"focused"_s)
        m_edit->setFocus();
    if (look == u"hover"_s) {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(m_edit, &enter);
    }
    if (look == u"disabled"_s)
        m_edit->setEnabled(false);
    const QColor face = focusColour ? QColor(Qt::white) : FlatColors::btnFace();
    const QImage image = m_edit->grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(48, 22), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(1, 1).rgb(), face.rgb());
    QCOMPARE(image.pixelColor(2, 12).rgb(), face.rgb());
    // The arrows: frame in the border colour, background in the field's face.
    QCOMPARE(image.pixelColor(25, 3), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(25 + 5, 3 + 8).rgb(), face.rgb());
    // The up arrow's glyph: the triangle's tip, olive left out around it.
    const QColor tip = look == u"disabled"_s ? FlatColors::btnShadow() : QColor(Qt::black);
    QCOMPARE(image.pixelColor(25 + 3 + 2, 3 + 2 + 1).rgb(), tip.rgb());
    QCOMPARE(image.pixelColor(25 + 3 + 0, 3 + 2 + 1).rgb(), face.rgb());

    if (look == u"hover"_s) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_edit, &leave);
        QCOMPARE(m_edit->grab().toImage().pixelColor(1, 1).rgb(), FlatColors::btnFace().rgb());
    }
}

void tst_TFlatSpinEditInteger::plainEditFocusSuppressesHover()
{
    auto *plain = new TFlatEdit(m_form);
    auto *hovered = new TFlatEdit(m_form);
    plain->move(10, 40);
    hovered->move(150, 40);
    showForm();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    plain->setFocus();
    QApplication::sendEvent(hovered, &enter);
    QVERIFY(hovered->mouseInside());
    QVERIFY(!hovered->showsFocusLook());
    m_edit->setFocus(); // a spin edit with the focus does not suppress it
    QVERIFY(hovered->showsFocusLook());
    QApplication::sendEvent(m_edit, &enter);
    QCOMPARE(plain->height(), plain->textHeight() + 6);
}

void tst_TFlatSpinEditInteger::lostReleaseEndsRepeat_data()
{
    QTest::addColumn<QString>("loss");
    QTest::newRow("a modal window opens") << u"modal"_s;
    QTest::newRow("the field is hidden") << u"hidden"_s;
    QTest::newRow("the button is up at the next repeat") << u"released elsewhere"_s;
}

void tst_TFlatSpinEditInteger::lostReleaseEndsRepeat()
{
    QFETCH(QString, loss);
    showForm();
    m_edit->setMaxValue(59);
    m_edit->setText(u"5"_s);
    FakePointer pointer;
    TTimerSpeedButton *up = m_edit->button()->upButton();
    pointer.move(up, {5, 5});
    pointer.press(up, {5, 5});
    up->repeatTick();
    QCOMPARE(m_edit->text(), u"6"_s);

    // The release goes to the modal window, or to no control at all.
    QDialog box(m_form);
    if (loss == u"modal"_s) {
        box.setModal(true);
        box.show();
    } else if (loss == u"hidden"_s) {
        m_edit->hide();
    }
    if (loss != u"released elsewhere"_s) {
        QVERIFY2(!up->repeatTimer()->isActive(), "stops at once, the button still down");
        QVERIFY(!up->pressing());
    }
    pointer.held = Qt::NoButton;
    box.hide();
    m_edit->show();
    for (int tick = 0; tick < 3; ++tick)
        up->repeatTick();
    QCOMPARE(m_edit->text(), u"6"_s);
    QVERIFY(!up->repeatTimer()->isActive());
    QVERIFY(!up->pressing());
    QCOMPARE(up->state(), Flat::fbsUp);

    // A later click steps once again, and its release stops the repeat.
    pointer.click(up, {5, 5});
    QCOMPARE(m_edit->text(), u"7"_s);
    QVERIFY(!up->repeatTimer()->isActive());
}

void tst_TFlatSpinEditInteger::autoSelectOnlyOnEntry_data()
{
    QTest::addColumn<int>("reason");
    QTest::addColumn<bool>("selects");
    QTest::newRow("Tab") << int(Qt::TabFocusReason) << true;
    QTest::newRow("backtab") << int(Qt::BacktabFocusReason) << true;
    QTest::newRow("shortcut") << int(Qt::ShortcutFocusReason) << true;
    QTest::newRow("arrow press or program") << int(Qt::OtherFocusReason) << true;
    QTest::newRow("click on the field") << int(Qt::MouseFocusReason) << false;
    QTest::newRow("window re-activated") << int(Qt::ActiveWindowFocusReason) << false;
    QTest::newRow("context menu closed") << int(Qt::PopupFocusReason) << false;
}

void tst_TFlatSpinEditInteger::autoSelectOnlyOnEntry()
{
    QFETCH(int, reason);
    QFETCH(bool, selects);
    showForm();
    m_edit->setText(u"12"_s);
    m_edit->setFocus(Qt::MouseFocusReason);
    m_edit->setCursorPosition(1);
    QVERIFY(!m_edit->hasSelectedText());
    QFocusEvent out(QEvent::FocusOut, Qt::FocusReason(reason));
    QApplication::sendEvent(m_edit, &out);
    QFocusEvent in(QEvent::FocusIn, Qt::FocusReason(reason));
    QApplication::sendEvent(m_edit, &in);
    QCOMPARE(m_edit->selectedText(), selects ? u"12"_s : QString());

    // Typing a digit after a re-activation inserts it at the cursor.
    if (!selects && reason != Qt::MouseFocusReason) {
        QTest::keyClick(m_edit, Qt::Key_0);
        QCOMPARE(m_edit->text(), u"102"_s);
    }
}

void tst_TFlatSpinEditInteger::keyboardMenuLeavesFieldAlone_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("selectFrom"); // -1: no selection, the cursor at the end
    QTest::addColumn<bool>("chooseItem"); // or Escape out of the menu bar
    QTest::addColumn<QString>("afterDigit");
    QTest::newRow("out of range stays while the menu is open") << u"99"_s << -1 << false << u"991"_s;
    QTest::newRow("an item chosen from the keyboard") << u"99"_s << -1 << true << u"991"_s;
    QTest::newRow("in range: the next digit is not typed over") << u"34"_s << -1 << false << u"341"_s;
    QTest::newRow("a selection stays selected") << u"34"_s << 1 << false << u"31"_s;
}

void tst_TFlatSpinEditInteger::keyboardMenuLeavesFieldAlone()
{
    QFETCH(QString, typed);
    QFETCH(int, selectFrom);
    QFETCH(bool, chooseItem);
    QFETCH(QString, afterDigit);
    // A menu bar opened from the keyboard, as in the main window: the field
    // keeps the focus in the user's eyes and must neither clamp nor select.
    QMainWindow window;
    QMenu *menu = window.menuBar()->addMenu(u"&Hilfe"_s);
    int chosen = 0;
    connect(menu->addAction(u"&Info"_s), &QAction::triggered, this, [&chosen] { ++chosen; });
    auto *field = new TFlatSpinEditInteger(&window);
    field->setMinValue(0);
    field->setMaxValue(23);
    window.setCentralWidget(field);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus(Qt::TabFocusReason);
    field->setText(QString());
    QTest::keyClicks(field, typed);
    if (selectFrom >= 0)
        field->setSelection(selectFrom, int(typed.size()) - selectFrom);
    int exits = 0;
    connect(field, &TCustomFlatEdit::OnExit, this, [&exits] { ++exits; });

    QTest::keyClick(field, Qt::Key_H, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    if (chooseItem) {
        QTest::keyClick(menu, Qt::Key_I);
        QCOMPARE(chosen, 1);
    } else {
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }
    QTRY_VERIFY(!menu->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), field);
    QCOMPARE(field->text(), typed);
    QCOMPARE(exits, 0);
    QCOMPARE(field->selectedText(), selectFrom >= 0 ? typed.mid(selectFrom) : QString());
    QTest::keyClick(field, Qt::Key_1);
    QCOMPARE(field->text(), afterDigit);
}

QTEST_MAIN(tst_TFlatSpinEditInteger)
#include "tst_tflatspineditinteger.moc"
