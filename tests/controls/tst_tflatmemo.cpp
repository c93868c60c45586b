#include "controls/tflatmemo.h"

#include <QColor>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_TFlatMemo : public QObject
{
    Q_OBJECT

private slots:
    void defaults();
    void border_data();
    void border();
    void cornerSquareFilled();
    void wantReturns();
    void maxLength();
};

static std::unique_ptr<QWidget> form()
{
    auto w = std::make_unique<QWidget>();
    w->resize(300, 200);
    QPalette palette = w->palette();
    palette.setColor(QPalette::Window, QColor(200, 200, 200));
    w->setPalette(palette);
    // Takes the focus a shown window gives its first control.
    auto *other = new QLineEdit(w.get());
    other->move(250, 180);
    return w;
}

// The platform's pointer may rest over the memo when the window appears.
static void pointerAway(QWidget *memo)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(memo, &leave);
}

void tst_TFlatMemo::defaults()
{
    auto f = form();
    TFlatMemo memo(f.get());
    QCOMPARE(memo.size(), QSize(185, 89));
    QVERIFY(memo.wordWrap());
    QVERIFY(memo.wantReturns());
    QVERIFY(!memo.wantTabs());
    QCOMPARE(memo.scrollBars(), TFlatMemo::ssNone);
    QCOMPARE(memo.colorFlat(), QColor(200, 200, 200));
    QCOMPARE(memo.colorFocused(), QColor(Qt::white));
    QCOMPARE(memo.colorBorder(), QColor(160, 150, 131));
    memo.setLines({u"eins"_s, u"zwei"_s});
    QCOMPARE(memo.toPlainText(), u"eins\nzwei"_s);
    QCOMPARE(memo.lines(), (QStringList{u"eins"_s, u"zwei"_s}));
}

void tst_TFlatMemo::border_data()
{
    QTest::addColumn<bool>("focused");
    QTest::addColumn<QColor>("face");
    QTest::newRow("flat") << false << QColor(200, 200, 200);
    QTest::newRow("focused") << true << QColor(Qt::white);
}

void tst_TFlatMemo::border()
{
    QFETCH(bool, focused);
    QFETCH(QColor, face);
    auto f = form();
    auto *memo = new TFlatMemo(f.get());
    f->show();
    QVERIFY(QTest::qWaitForWindowActive(f.get()));
    pointerAway(memo);
    if (focused)
        memo->setFocus();
    QVERIFY(!memo->mouseInside());
    const QImage image = memo->grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(184, 88), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(1, 1), face);
    QCOMPARE(image.pixelColor(2, 40), face);
    QCOMPARE(image.pixelColor(100, 60), face); // the text area
}

void tst_TFlatMemo::cornerSquareFilled()
{
    auto f = form();
    auto *memo = new TFlatMemo(f.get());
    memo->setScrollBars(TFlatMemo::ssBoth);
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
    pointerAway(memo);
    const QImage image = memo->grab().toImage();
    QCOMPARE(memo->cornerRect(), QRect(185 - 19, 89 - 19, 16, 16));
    QCOMPARE(image.pixelColor(185 - 19 + 8, 89 - 19 + 8), QColor(200, 200, 200));
    QCOMPARE(image.pixelColor(185 - 4, 89 - 4), QColor(200, 200, 200));
}

void tst_TFlatMemo::wantReturns()
{
    auto f = form();
    auto *memo = new TFlatMemo(f.get());
    memo->setPlainText(u"a"_s);
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QCOMPARE(memo->toPlainText(), u"a\n"_s);
    memo->setWantReturns(false);
    QTest::keyClick(memo, Qt::Key_Return);
    QCOMPARE(memo->toPlainText(), u"a\n"_s);
}

void tst_TFlatMemo::maxLength()
{
    auto f = form();
    auto *memo = new TFlatMemo(f.get());
    memo->setMaxLength(3);
    QTest::keyClicks(memo, u"abcdef"_s);
    QCOMPARE(memo->toPlainText(), u"abc"_s);
}

QTEST_MAIN(tst_TFlatMemo)
#include "tst_tflatmemo.moc"
