#include "settings/talarmsettings.h"
#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "controls/flatcolors.h"
#include "tests/fakes/pointer.h"
#include "tests/fakes/mainwindowfixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The main window's flat look: which face each flat control shows.
class tst_TfrmMainLook : public QObject, public MainWindowFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void fieldFaces_data();
    void fieldFaces();
    void panelFramesClockAndHidesCaption();
    void buttonsHoverAndPress_data();
    void buttonsHoverAndPress();
};

void tst_TfrmMainLook::init()
{
    resetMainWindowFixture();
    m_clock.set(10, 0, 0);
    openMainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frm.get()));
    // Neither the platform's pointer nor the first field's focus shall light a field.
    control(u"ClientArea"_s)->setFocus();
    for (const QString &field : {u"seStunde"_s, u"seMinute"_s, u"seSekunde"_s}) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(control(field), &leave);
    }
}

void tst_TfrmMainLook::cleanup()
{
    closeMainWindow();
}

void tst_TfrmMainLook::fieldFaces_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("buttonFace");
    QTest::newRow("hour: button face") << u"seStunde"_s << true;
    QTest::newRow("minute: the window's white") << u"seMinute"_s << false;
    QTest::newRow("second: the window's white") << u"seSekunde"_s << false;
}

void tst_TfrmMainLook::fieldFaces()
{
    QFETCH(QString, field);
    QFETCH(bool, buttonFace);
    auto *edit = m_frm->findChild<TFlatSpinEditInteger *>(field);
    QVERIFY(edit);
    QCOMPARE(edit->size(), QSize(49, 23));
    QCOMPARE(edit->parentColor(), !buttonFace);
    const QColor face = buttonFace ? FlatColors::btnFace() : QColor(Qt::white);
    QImage image = edit->grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(2, 2).rgb(), face.rgb());
    QCOMPARE(image.pixelColor(26, 14).rgb(), face.rgb()); // under the arrows
    edit->setFocus();
    image = edit->grab().toImage();
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
}

void tst_TfrmMainLook::panelFramesClockAndHidesCaption()
{
    const QImage image = control(u"ClientArea"_s)->grab().toImage();
    const QRect panel = control(u"FlatPanel1"_s)->geometry();
    const QRect clock = rxClock().geometry();
    QCOMPARE(image.pixelColor(panel.topLeft()), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(panel.bottomRight()), QColor(160, 150, 131));
    // Between frame and clock only the panel's white face shows: no caption.
    for (int y = panel.top() + 1; y < panel.bottom(); ++y)
        for (int x = panel.left() + 1; x < panel.right(); ++x)
            if (!clock.contains(x, y))
                QVERIFY2(image.pixelColor(x, y) == QColor(Qt::white),
                         qPrintable(u"%1,%2"_s.arg(x).arg(y)));
}

void tst_TfrmMainLook::buttonsHoverAndPress_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Meldung") << u"Button1"_s;
    QTest::newRow("Alarm aus") << u"btnActivate"_s;
}

void tst_TfrmMainLook::buttonsHoverAndPress()
{
    QFETCH(QString, button);
    auto *b = m_frm->findChild<TFlatButton *>(button);
    QVERIFY(b);
    FakePointer pointer;
    QCOMPARE(b->grab().toImage().pixelColor(40, 5), QColor(Qt::white));
    QCOMPARE(b->grab().toImage().pixelColor(0, 0), QColor(160, 150, 131));
    pointer.move(b, {40, 5});
    QImage image = b->grab().toImage();
    QCOMPARE(image.pixelColor(40, 5), QColor(235, 234, 225));
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(image.pixelColor(b->width() - 1, b->height() - 1), QColor(Qt::black));
    pointer.press(b, {40, 5});
    QCOMPARE(b->grab().toImage().pixelColor(40, 5), QColor(217, 214, 197));
    pointer.move(b, {400, 5}, Qt::LeftButton);
    pointer.release(b, {400, 5}); // outside: no click, nothing opens
    QCOMPARE(b->grab().toImage().pixelColor(40, 5), QColor(Qt::white));
}

QTEST_MAIN(tst_TfrmMainLook)
#include "tst_tfrmmainlook.moc"
