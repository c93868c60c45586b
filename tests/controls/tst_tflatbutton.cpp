#include "controls/flatcolors.h"
#include "controls/tflatbutton.h"
#include "controls/tflatspeedbutton.h"
#include "tests/fakes/pointer.h"

#include <QDialog>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;
using enum Flat::TButtonLayout;
using enum Flat::TFlatButtonState;
using enum Flat::TTransparentMode;

// Both flat buttons share their behaviour; most cases run for each of them.
class tst_TFlatButton : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void defaults_data();
    void defaults();
    void pressMoveRelease_data();
    void pressMoveRelease();
    void lostReleaseEndsPress_data();
    void lostReleaseEndsPress();
    void groups_data();
    void groups();
    void allowAllUpReleasesLatchedButton();
    void spaceClicksOnRelease();
    void enterAndEscapeDoNothing();
    void modalResultGoesToDialog_data();
    void modalResultGoesToDialog();
    void numGlyphsFromGlyph_data();
    void numGlyphsFromGlyph();
    void paintedFaces_data();
    void paintedFaces();
    void disabledLooksEngraved();
    void advColorsOnWhite();
    void hoverTimerRunsOnlyWhileHovered();
    void oneHoverOwnerPerFamily();
    void hoverEndsWhenPointerTakenAway_data();
    void hoverEndsWhenPointerTakenAway();
    void acceleratorClicks();
    void parentColourFollowed();
    void transparentModes_data();
    void transparentModes();
    void clickHandlerMayDeleteButton_data();
    void clickHandlerMayDeleteButton();

private:
    FakePointer *m_pointer = nullptr;
    QWidget *m_form = nullptr;
    FlatButtonBase *make(const QString &kind, QWidget *parent = nullptr);
};

void tst_TFlatButton::init()
{
    m_pointer = new FakePointer;
    m_form = new QWidget;
    m_form->resize(200, 100);
    QPalette palette = m_form->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m_form->setPalette(palette);
}

void tst_TFlatButton::cleanup()
{
    delete m_form;
    delete m_pointer;
}

FlatButtonBase *tst_TFlatButton::make(const QString &kind, QWidget *parent)
{
    FlatButtonBase *button = nullptr;
    if (kind == u"TFlatButton"_s)
        button = new TFlatButton(parent ? parent : m_form);
    else
        button = new TFlatSpeedButton(parent ? parent : m_form);
    button->setGeometry(10, 10, 60, 20);
    return button;
}

static void addKinds()
{
    QTest::addColumn<QString>("kind");
}

void tst_TFlatButton::defaults_data()
{
    addKinds();
    QTest::newRow("speed button") << u"TFlatSpeedButton"_s;
    QTest::newRow("button") << u"TFlatButton"_s;
}

void tst_TFlatButton::defaults()
{
    QFETCH(QString, kind);
    FlatButtonBase *b = make(kind);
    const QList<std::pair<const char *, QVariant>> expected = {
        {"Color", QColor(Qt::white)},  // the parent's colour
        {"ParentColor", true},
        {"ColorFocused", QColor(235, 234, 225)},
        {"ColorDown", QColor(217, 214, 197)},
        {"ColorBorder", QColor(160, 150, 131)},
        {"ColorHighLight", QColor(Qt::white)},
        {"ColorShadow", QColor(Qt::black)},
        {"UseAdvColors", false},
        {"AdvColorFocused", 10},
        {"AdvColorDown", 10},
        {"AdvColorBorder", 50},
        {"NumGlyphs", 1},
        {"Margin", -1},
        {"Spacing", 4},
        {"GroupIndex", 0},
        {"Down", false},
        {"AllowAllUp", false},
        {"ModalResult", 0},
    };
    for (const auto &[name, value] : expected)
        QVERIFY2(b->property(name) == value, name);
    QCOMPARE(b->property("Layout").toInt(), int(blGlyphTop));
    QCOMPARE(b->property("TransparentMode").toInt(), int(tmNone));
    QCOMPARE(b->state(), fbsUp);
    delete b;
    QCOMPARE(make(kind, nullptr)->parentWidget(), m_form);
    auto *orphan = kind == u"TFlatButton"_s ? static_cast<FlatButtonBase *>(new TFlatButton)
                                           : new TFlatSpeedButton;
    QCOMPARE(orphan->size(), QSize(25, 25));
    delete orphan;
}

void tst_TFlatButton::pressMoveRelease_data()
{
    addKinds();
    QTest::newRow("speed button") << u"TFlatSpeedButton"_s;
    QTest::newRow("button") << u"TFlatButton"_s;
}

void tst_TFlatButton::pressMoveRelease()
{
    QFETCH(QString, kind);
    FlatButtonBase *b = make(kind);
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    m_pointer->move(b, {5, 5});
    QVERIFY(b->mouseInside());
    m_pointer->press(b, {5, 5});
    QCOMPARE(b->state(), fbsPressed);
    QVERIFY(b->pressing());

    m_pointer->move(b, {80, 5}, Qt::LeftButton);
    QCOMPARE(b->state(), fbsUp);
    QVERIFY2(b->mouseInside(), "held outside it keeps its hover look");
    m_pointer->move(b, {5, 20}, Qt::LeftButton); // the row below counts as inside
    QCOMPARE(b->state(), fbsPressed);
    m_pointer->move(b, {5, 21}, Qt::LeftButton);
    QCOMPARE(b->state(), fbsUp);
    m_pointer->release(b, {5, 21});
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!b->mouseInside());
    QVERIFY(!b->pressing());

    m_pointer->move(b, {5, 5});
    m_pointer->press(b, {5, 5});
    m_pointer->move(b, {80, 5}, Qt::LeftButton);
    m_pointer->move(b, {6, 6}, Qt::LeftButton);
    m_pointer->release(b, {6, 6});
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<QObject *>(), b);
    QCOMPARE(b->state(), fbsUp);
    QVERIFY2(b->mouseInside(), "released over it: hover look again");

    // Right button neither presses nor clicks.
    m_pointer->press(b, {5, 5}, Qt::RightButton);
    QCOMPARE(b->state(), fbsUp);
    m_pointer->release(b, {5, 5}, Qt::RightButton);
    QCOMPARE(clicks.count(), 1);
}

void tst_TFlatButton::groups_data()
{
    addKinds();
    QTest::newRow("speed buttons") << u"TFlatSpeedButton"_s;
    QTest::newRow("buttons") << u"TFlatButton"_s;
}

void tst_TFlatButton::groups()
{
    QFETCH(QString, kind);
    FlatButtonBase *a = make(kind);
    FlatButtonBase *b = make(kind);
    FlatButtonBase *other = make(kind);
    a->setGroupIndex(1);
    b->setGroupIndex(1);
    other->setGroupIndex(2);
    other->setDown(true);
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);

    m_pointer->click(a, {5, 5});
    QVERIFY(a->isDown());
    QCOMPARE(a->state(), fbsLatched);
    m_pointer->click(b, {5, 5});
    QVERIFY(b->isDown());
    QVERIFY2(!a->isDown(), "latching one releases the other");
    QCOMPARE(a->state(), fbsUp);
    QVERIFY2(other->isDown(), "another group is not affected");
    m_pointer->click(b, {5, 5});
    QVERIFY2(b->isDown(), "the last latched button stays down");
    QCOMPARE(clicks.count(), 2);

    b->setDown(false);
    QVERIFY2(b->isDown(), "writing false cannot release it either");

    FlatButtonBase *ungrouped = make(kind);
    ungrouped->setDown(true);
    QVERIFY2(!ungrouped->isDown(), "outside a group Down stays false");
}

void tst_TFlatButton::allowAllUpReleasesLatchedButton()
{
    FlatButtonBase *a = make(u"TFlatSpeedButton"_s);
    FlatButtonBase *b = make(u"TFlatSpeedButton"_s);
    a->setGroupIndex(3);
    b->setGroupIndex(3);
    b->setAllowAllUp(true);
    QVERIFY2(a->allowAllUp(), "the group takes the sender's AllowAllUp");
    m_pointer->click(a, {5, 5});
    QVERIFY(a->isDown());
    m_pointer->click(a, {5, 5});
    QVERIFY(!a->isDown());
    QVERIFY(!b->isDown());
    QCOMPARE(a->state(), fbsUp);

    // A speed button and a windowed button never form one group.
    FlatButtonBase *windowed = make(u"TFlatButton"_s);
    windowed->setGroupIndex(3);
    windowed->setAllowAllUp(false);
    QVERIFY(a->allowAllUp());
    a->setDown(true);
    windowed->setDown(true);
    QVERIFY(a->isDown());
}

void tst_TFlatButton::spaceClicksOnRelease()
{
    auto *b = static_cast<TFlatButton *>(make(u"TFlatButton"_s));
    m_form->show();
    b->setFocus();
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    QTest::keyPress(b, Qt::Key_Space);
    QCOMPARE(b->state(), fbsPressed);
    QCOMPARE(clicks.count(), 0);
    QTest::keyRelease(b, Qt::Key_Space);
    QCOMPARE(b->state(), fbsUp);
    QCOMPARE(clicks.count(), 1);

    b->setGroupIndex(1);
    b->setAllowAllUp(true);
    QTest::keyPress(b, Qt::Key_Space);
    QVERIFY(b->isDown());
    QTest::keyRelease(b, Qt::Key_Space);
    QVERIFY(!b->isDown());
    QCOMPARE(clicks.count(), 2);
}

void tst_TFlatButton::enterAndEscapeDoNothing()
{
    auto *b = static_cast<TFlatButton *>(make(u"TFlatButton"_s));
    b->setDefault(true);
    m_form->show();
    b->setFocus();
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        QTest::keyClick(b, Qt::Key(key));
    QCOMPARE(clicks.count(), 0);
    QCOMPARE(b->state(), fbsUp);
}

void tst_TFlatButton::modalResultGoesToDialog_data()
{
    QTest::addColumn<int>("modalResult");
    QTest::addColumn<bool>("closes");
    QTest::newRow("OK button closes with 1") << 1 << true;
    QTest::newRow("0 keeps the dialog open") << 0 << false;
    QTest::newRow("any other value closes with it") << 7 << true;
}

void tst_TFlatButton::modalResultGoesToDialog()
{
    QFETCH(int, modalResult);
    QFETCH(bool, closes);
    QDialog dialog;
    auto *b = new TFlatButton(&dialog);
    b->setModalResult(modalResult);
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    QSignalSpy finished(&dialog, &QDialog::finished);
    QTimer::singleShot(0, b, [b] { b->click(); });
    if (!closes)
        QTimer::singleShot(50, &dialog, [&dialog] { dialog.done(-5); });
    const int result = dialog.exec();
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(result, closes ? modalResult : -5);

    // Not inside any dialog: still clicks.
    TFlatButton loose;
    loose.setModalResult(1);
    QSignalSpy looseClicks(&loose, &FlatButtonBase::OnClick);
    loose.click();
    QCOMPARE(looseClicks.count(), 1);
}

void tst_TFlatButton::numGlyphsFromGlyph_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("numGlyphs");
    QTest::newRow("64 x 16 holds 4") << QSize(64, 16) << 4;
    QTest::newRow("80 x 16 would be 5: 1") << QSize(80, 16) << 1;
    QTest::newRow("32 x 16 holds 2") << QSize(32, 16) << 2;
    QTest::newRow("40 x 16 not a multiple: unchanged") << QSize(40, 16) << 3;
}

void tst_TFlatButton::numGlyphsFromGlyph()
{
    QFETCH(QSize, size);
    QFETCH(int, numGlyphs);
    FlatButtonBase *b = make(u"TFlatSpeedButton"_s);
    b->setNumGlyphs(3);
    QPixmap pixmap(size);
    pixmap.fill(Qt::red);
    b->setGlyph(pixmap);
    QCOMPARE(b->numGlyphs(), numGlyphs);
}

void tst_TFlatButton::paintedFaces_data()
{
    addKinds();
    QTest::addColumn<QString>("look");
    QTest::addColumn<QColor>("face");
    QTest::addColumn<QColor>("topLeft");
    QTest::addColumn<QColor>("bottomRight");
    for (const QString &kind : {u"TFlatSpeedButton"_s, u"TFlatButton"_s}) {
        const QByteArray k = kind.toLatin1();
        QTest::newRow(k + ": idle") << kind << u"idle"_s << QColor(Qt::white)
                                  << QColor(160, 150, 131) << QColor(160, 150, 131);
        QTest::newRow(k + ": hover") << kind << u"hover"_s << QColor(235, 234, 225)
                                   << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow(k + ": pressed") << kind << u"pressed"_s << QColor(217, 214, 197)
                                     << QColor(Qt::black) << QColor(Qt::white);
        QTest::newRow(k + ": disabled") << kind << u"disabled"_s << QColor(Qt::white)
                                      << QColor(160, 150, 131) << QColor(160, 150, 131);
    }
}

void tst_TFlatButton::paintedFaces()
{
    QFETCH(QString, kind);
    QFETCH(QString, look);
    QFETCH(QColor, face);
    QFETCH(QColor, topLeft);
    QFETCH(QColor, bottomRight);
    FlatButtonBase *b = make(kind);
    if (look == u"hover"_s)
        m_pointer->move(b, {5, 5});
    if (look == u"pressed"_s) {
        m_pointer->move(b, {5, 5});
        m_pointer->press(b, {5, 5});
    }
    if (look == u"disabled"_s)
        b->setEnabled(false);
    const QImage image = b->grab().toImage();
    QCOMPARE(image.pixelColor(30, 3), face);
    QCOMPARE(image.pixelColor(0, 0), topLeft);
    QCOMPARE(image.pixelColor(59, 19), bottomRight);
}

void tst_TFlatButton::disabledLooksEngraved()
{
    FlatButtonBase *b = make(u"TFlatSpeedButton"_s);
    b->resize(40, 40);
    QImage strip(8, 8, QImage::Format_RGB32);
    strip.fill(QColor(128, 128, 0));
    strip.setPixelColor(3, 3, Qt::black);
    b->setGlyph(QPixmap::fromImage(strip));
    b->setCaption(u"X"_s);
    b->setEnabled(false);
    QImage image = b->grab().toImage();
    QCOMPARE(b->state(), fbsDisabled);
    const QPoint g = b->glyphOrigin();
    QCOMPARE(image.pixelColor(g + QPoint(3, 3)).rgb(), FlatColors::btnShadow().rgb());
    QCOMPARE(image.pixelColor(g + QPoint(4, 4)).rgb(), FlatColors::btnHighlight().rgb());
    // The engraved image's background is left out like the glyph's olive.
    QCOMPARE(image.pixelColor(g + QPoint(0, 0)), QColor(Qt::white));
    bool shadowInCaption = false;
    const QRect caption = b->captionRect();
    for (int y = caption.top(); y <= caption.bottom(); ++y)
        for (int x = caption.left(); x <= caption.right(); ++x)
            shadowInCaption |= image.pixelColor(x, y).rgb() == FlatColors::btnShadow().rgb();
    QVERIFY(shadowInCaption);

    b->setEnabled(true);
    image = b->grab().toImage();
    QCOMPARE(b->state(), fbsUp);
    QCOMPARE(image.pixelColor(g + QPoint(3, 3)), QColor(Qt::black));
    QCOMPARE(image.pixelColor(g + QPoint(0, 0)), QColor(Qt::white)); // olive left out
}

void tst_TFlatButton::advColorsOnWhite()
{
    FlatButtonBase *b = make(u"TFlatButton"_s);
    b->setUseAdvColors(true);
    QVERIFY(b->parentColor());
    QCOMPARE(b->colorFocused(), QColor(106, 106, 106));
    QCOMPARE(b->colorDown(), QColor(255, 255, 255));
    QCOMPARE(b->colorBorder(), QColor(212, 212, 212));
    b->setAdvColorDown(50);
    QCOMPARE(b->colorDown(), QColor(212, 212, 212));
    m_pointer->move(b, {5, 5});
    QCOMPARE(b->grab().toImage().pixelColor(30, 3), QColor(106, 106, 106));
}

void tst_TFlatButton::hoverTimerRunsOnlyWhileHovered()
{
    FlatButtonBase *b = make(u"TFlatButton"_s);
    HoverFamily &family = TFlatButton::family();
    QVERIFY(family.timer());
    QVERIFY(!family.timer()->isActive());
    m_pointer->move(b, {5, 5});
    QVERIFY(family.timer()->isActive());
    QCOMPARE(family.timer()->interval(), 100);
    QCOMPARE(family.owner(), b);

    family.check(); // still over it
    QVERIFY(b->mouseInside());
    m_pointer->over = nullptr;
    family.check();
    QVERIFY(!b->mouseInside());
    QVERIFY2(!family.timer()->isActive(), "nothing hovered: no timer");
    QCOMPARE(family.owner(), nullptr);

    // Without an active window the pointer is not tracked.
    m_pointer->active = false;
    m_pointer->move(b, {6, 6});
    QVERIFY(!family.timer()->isActive());
    QVERIFY(!b->mouseInside());

    // The poll's leave step waits while the button is held.
    m_pointer->active = true;
    m_pointer->move(b, {5, 5});
    m_pointer->press(b, {5, 5});
    m_pointer->over = nullptr;
    family.check();
    QVERIFY(b->mouseInside());
    QVERIFY(family.timer()->isActive());
    m_pointer->release(b, {90, 5});
    QVERIFY(!b->mouseInside());
    QVERIFY(!family.timer()->isActive());

    const int before = family.instances();
    delete b;
    QCOMPARE(family.instances(), before - 1);
}

void tst_TFlatButton::oneHoverOwnerPerFamily()
{
    FlatButtonBase *a = make(u"TFlatSpeedButton"_s);
    FlatButtonBase *b = make(u"TFlatSpeedButton"_s);
    FlatButtonBase *w = make(u"TFlatButton"_s);
    m_pointer->move(a, {5, 5});
    m_pointer->move(b, {5, 5});
    QVERIFY2(!a->mouseInside(), "the new owner makes the old one leave");
    QVERIFY(b->mouseInside());
    QCOMPARE(TFlatSpeedButton::family().owner(), b);
    m_pointer->move(w, {5, 5});
    QVERIFY2(b->mouseInside(), "another family keeps its own owner");
    QCOMPARE(TFlatButton::family().owner(), w);
    delete b;
    QCOMPARE(TFlatSpeedButton::family().owner(), nullptr);
    QVERIFY(!TFlatSpeedButton::family().timer()->isActive());
}

void tst_TFlatButton::acceleratorClicks()
{
    auto *b = static_cast<TFlatButton *>(make(u"TFlatButton"_s));
    b->setCaption(u"&Meldung"_s);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    QTest::keyClick(m_form, Qt::Key_M, Qt::AltModifier);
    QCOMPARE(clicks.count(), 1);
    b->setEnabled(false);
    QTest::keyClick(m_form, Qt::Key_M, Qt::AltModifier);
    QCOMPARE(clicks.count(), 1);
}

void tst_TFlatButton::parentColourFollowed()
{
    FlatButtonBase *b = make(u"TFlatButton"_s);
    QPalette palette = m_form->palette();
    palette.setColor(QPalette::Window, Qt::green);
    m_form->setPalette(palette);
    QCOMPARE(b->color(), QColor(Qt::green));
    b->setColor(Qt::blue);
    QVERIFY(!b->parentColor());
    palette.setColor(QPalette::Window, Qt::red);
    m_form->setPalette(palette);
    QCOMPARE(b->color(), QColor(Qt::blue));
    b->setParentColor(true);
    QCOMPARE(b->color(), QColor(Qt::red));
}

void tst_TFlatButton::transparentModes_data()
{
    addKinds();
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("hovered");
    QTest::addColumn<QColor>("face");
    const QColor parent(200, 10, 10);
    for (const QString &kind : {u"TFlatSpeedButton"_s, u"TFlatButton"_s}) {
        const QByteArray k = kind.toLatin1();
        QTest::newRow(k + ": always, the parent shows") << kind << int(tmAlways) << true << parent;
        QTest::newRow(k + ": not focused, idle") << kind << int(tmNotFocused) << false << parent;
        QTest::newRow(k + ": not focused, hovered")
            << kind << int(tmNotFocused) << true << QColor(235, 234, 225);
        QTest::newRow(k + ": none, own colour") << kind << int(tmNone) << false << QColor(Qt::green);
    }
}

void tst_TFlatButton::transparentModes()
{
    QFETCH(QString, kind);
    QFETCH(int, mode);
    QFETCH(bool, hovered);
    QFETCH(QColor, face);
    auto *panel = new QWidget(m_form);
    panel->setGeometry(0, 0, 100, 50);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(200, 10, 10));
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
    FlatButtonBase *b = make(kind, panel);
    b->setColor(Qt::green);
    b->setTransparentMode(Flat::TTransparentMode(mode));
    if (hovered)
        m_pointer->move(b, {5, 5});
    QCOMPARE(panel->grab().toImage().pixelColor(b->geometry().center()), face);
}

void tst_TFlatButton::clickHandlerMayDeleteButton_data()
{
    addKinds();
    QTest::newRow("speed button") << u"TFlatSpeedButton"_s;
    QTest::newRow("button") << u"TFlatButton"_s;
}

void tst_TFlatButton::clickHandlerMayDeleteButton()
{
    QFETCH(QString, kind);
    QPointer<FlatButtonBase> b = make(kind);
    connect(b, &FlatButtonBase::OnClick, this, [b] { delete b.data(); });
    m_pointer->click(b, {5, 5});
    QVERIFY(!b);
    QCOMPARE(TFlatButton::family().owner(), nullptr);
    QCOMPARE(TFlatSpeedButton::family().owner(), nullptr);
}

void tst_TFlatButton::lostReleaseEndsPress_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("loss");
    for (const QString &kind : {u"TFlatSpeedButton"_s, u"TFlatButton"_s}) {
        const QByteArray k = kind.toUtf8();
        QTest::newRow(k + ": a modal window opens") << kind << u"modal"_s;
        QTest::newRow(k + ": hidden") << kind << u"hidden"_s;
        QTest::newRow(k + ": the poll finds the button up") << kind << u"released elsewhere"_s;
    }
}

void tst_TFlatButton::lostReleaseEndsPress()
{
    QFETCH(QString, kind);
    QFETCH(QString, loss);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    FlatButtonBase *b = make(kind);
    b->show();
    QSignalSpy clicks(b, &FlatButtonBase::OnClick);
    m_pointer->move(b, {5, 5});
    m_pointer->press(b, {5, 5});
    QCOMPARE(b->state(), fbsPressed);

    QDialog box(m_form);
    if (loss == u"modal"_s) {
        box.setModal(true);
        box.show();
    } else if (loss == u"hidden"_s) {
        b->hide();
    } else {
        m_pointer->held = Qt::NoButton;
        b->hoverFamily().check();
    }
    QVERIFY(!b->pressing());
    QCOMPARE(b->state(), fbsUp);
    QCOMPARE(clicks.count(), 0);

    // The hover look leaves with the pointer again.
    box.hide();
    b->show();
    m_pointer->held = Qt::NoButton;
    m_pointer->over = nullptr;
    b->hoverFamily().check();
    QVERIFY(!b->mouseInside());
    QVERIFY(!b->hoverFamily().timer()->isActive());
    QCOMPARE(b->grab().toImage().pixelColor(30, 10), QColor(Qt::white));
}

void tst_TFlatButton::hoverEndsWhenPointerTakenAway_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("a menu opens") << u"menu"_s;
    QTest::newRow("the window is deactivated") << u"deactivated"_s;
    QTest::newRow("the focus returns from a menu") << u"focus back"_s;
}

void tst_TFlatButton::hoverEndsWhenPointerTakenAway()
{
    QFETCH(QString, how);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
    FlatButtonBase *b = make(u"TFlatButton"_s);
    b->setCaption(u"Meldung"_s);
    b->show();
    HoverFamily &family = TFlatButton::family();
    m_pointer->move(b, {5, 5});
    QVERIFY(b->mouseInside());

    QMenu menu(m_form);
    menu.addAction(u"Optionen"_s);
    if (how == u"menu"_s) {
        menu.popup(m_form->mapToGlobal(QPoint(0, 60)));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
    } else if (how == u"deactivated"_s) {
        m_pointer->active = false;
    } else {
        // A click gave it the focus; the menu takes it and gives it back.
        b->setFocus(Qt::MouseFocusReason);
        m_pointer->over = nullptr;
        QFocusEvent out(QEvent::FocusOut, Qt::PopupFocusReason);
        QApplication::sendEvent(b, &out);
        QFocusEvent in(QEvent::FocusIn, Qt::PopupFocusReason);
        QApplication::sendEvent(b, &in);
    }
    family.check();
    QVERIFY(!b->mouseInside());
    QCOMPARE(b->grab().toImage().pixelColor(3, 10), QColor(Qt::white));
}

QTEST_MAIN(tst_TFlatButton)
#include "tst_tflatbutton.moc"
