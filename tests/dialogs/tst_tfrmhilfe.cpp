#include "dialogs/tfrmhilfe.h"

#include "controls/tflatbutton.h"
#include "controls/tflatmemo.h"
#include "base/maker.h"
#include "tests/fakes/part.h"

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_TfrmHilfe : public QObject
{
    Q_OBJECT

private slots:
    void fixedLinesAsWritten_data();
    void fixedLinesAsWritten();
    void linesLeftToUsKeepTheirRoles();
    void memoHoldsTheTextAndNothingElse();
    void windowAndControls();
    void everyLineFitsTheMemo();
    void typingChangesNothingButSelectingWorks();
    void keysThatCloseAndKeysThatDoNot();
    void tabMovesBetweenMemoAndButton();
    void openedTwiceSameTextAndTitle();
    void openedPlacedAndReleased_data();
    void openedPlacedAndReleased();
};

void tst_TfrmHilfe::fixedLinesAsWritten_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    const QList<std::pair<int, QString>> lines{
        {1, u"Mit dem Klingo können Sie sich zu einem "_s},
        {2, u"festgelegten Zeitpunkt benachrichtigen lassen. Wenn Sie "_s},
        {3, u"so wollen ist der Timer ein Wecker."_s},
        {4, QString()},
        {5, u"Ist der von Ihnen eingestellte Alarm-Zeitpunkt erreicht, "_s},
        {6, u"benachrichtigt Sie der Klingo darüber. Auf Wunsch "_s},
        {7, u"werden Sie zusätzlich durch akustische Signale darauf "_s},
        {8, u"aufmerksam gemacht. Wählen Sie dazu im Menü "_s},
        {9, u"Optionen aus, ob die akustische Ausgabe über den PC "_s},
        {10, u"Speaker oder die Soundkarte erfolgen soll."_s},
        {11, QString()},
        {12, u"Um die Alarmzeit einzustellen, geben Sie direkt unter der "_s},
        {13, u"laufenden Uhr in die drei Felder die gewünschte Uhrzeit "_s},
        {14, u"in Stunde, Minute und gegebenenfalls Sekunde ein. "_s},
        {15, u"Klicken Sie anschließend die darunter befindliche "_s},
        {16, u"Schaltfläche \"Alarmstatuts\". Sie arbeitet wie ein Schalter. "_s},
        {17, u"Sie können über dieser Schaltfläche den Alarm ein- oder "_s},
        {18, u"ausschalten. Die Beschriftungen \"Alarm aus\" bedeutet, es "_s},
        {19, u"wird kein Alarm ausgelöst. Die Beschriftung \"Alarm aktiv\" "_s},
        {20, u"bedeutet, der Timer wird zur eingestellten Zeit aktiv."_s},
        {21, QString()},
        {25, QString()},
        {29, QString()},
        {30, u"Für Profis: In der Datei \"Timer.ini\" im Ordner, in dem der "_s},
        {31, u"Klingo installiert wurde, kann der Timer umfassend "_s},
        {32, u"konfiguriert werden."_s},
        {33, QString()},
        {38, QString()},
        {42, QString()},
    };
    for (const auto &[line, text] : lines)
        QTest::addRow("line %d", line) << line << text;
}

void tst_TfrmHilfe::fixedLinesAsWritten()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    const QStringList lines = TfrmHilfe::HelpLines();
    QCOMPARE(lines.size(), 42);
    QCOMPARE(lines.at(line - 1), text);
}

void tst_TfrmHilfe::linesLeftToUsKeepTheirRoles()
{
    const QStringList lines = TfrmHilfe::HelpLines();
    // The paragraphs we wrote: no empty line inside, a paragraph's last line
    // without the trailing blank of a continued line.
    for (const auto &[first, last] : {std::pair{22, 24}, {26, 28}, {34, 37}, {39, 41}}) {
        for (int line = first; line <= last; ++line)
            QVERIFY2(!lines.at(line - 1).trimmed().isEmpty(), qPrintable(QString::number(line)));
        QVERIFY(!lines.at(last - 1).endsWith(u' '));
    }
    QVERIFY(lines.at(22 - 1).contains(u"Werbeaufdruck"_s));
    QVERIFY(lines.at(24 - 1).contains(u"Ende"_s));
    QVERIFY(lines.at(26 - 1).contains(u"Gewähr"_s));
    QVERIFY(lines.at(28 - 1).contains(u"Risiko"_s));
    QVERIFY(lines.at(34 - 1).contains(u"weitergegeben"_s));
    QVERIFY(lines.at(39 - 1).startsWith(u"Brenvik"_s));
    QVERIFY(lines.at(40 - 1).contains(Maker::WebText));
    QVERIFY(lines.at(40 - 1).contains(Maker::MailText));
    QVERIFY(lines.at(41 - 1).contains(u"Rechte"_s));
}

void tst_TfrmHilfe::memoHoldsTheTextAndNothingElse()
{
    TfrmHilfe help(nullptr);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->toPlainText().split(u'\n'), TfrmHilfe::HelpLines());
}

void tst_TfrmHilfe::windowAndControls()
{
    TfrmHilfe help(nullptr);
    QCOMPARE(help.size(), QSize(358, 332));
    QCOMPARE(help.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(help.font().pixelSize(), 10);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->geometry(), QRect(7, 7, 345, 293));
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->font().pixelSize(), 12);
    QVERIFY(part<TFlatMemo>(help, u"Memo1"_s)->isReadOnly());
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->colorFlat(), FlatColors::btnFace());
    QCOMPARE(part<TFlatButton>(help, u"BitBtn1"_s)->geometry(), QRect(149, 306, 61, 20));
    QCOMPARE(part<TFlatButton>(help, u"BitBtn1"_s)->caption(), u"OK"_s);
    QVERIFY(part<TFlatButton>(help, u"BitBtn1"_s)->isDefault());
    QCOMPARE(part<TFlatButton>(help, u"BitBtn1"_s)->modalResult(), 1);
    QCOMPARE(part<TFlatButton>(help, u"BitBtn1"_s)->layout(), Flat::blGlyphLeft);
    QCOMPARE(part<TFlatButton>(help, u"BitBtn1"_s)->font().pixelSize(), 10);
}

void tst_TfrmHilfe::everyLineFitsTheMemo()
{
    // Lines were broken for the memo's width; word wrap must not break them again.
    TfrmHilfe help(nullptr);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    const QTextDocument *document = part<TFlatMemo>(help, u"Memo1"_s)->document();
    int number = 1;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next(), ++number)
        QVERIFY2(block.layout()->lineCount() <= 1, qPrintable(u"line %1: %2"_s.arg(number).arg(block.text())));
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->horizontalScrollBar()->maximum(), 0);
}

void tst_TfrmHilfe::typingChangesNothingButSelectingWorks()
{
    TfrmHilfe help(nullptr);
    help.show();
    QVERIFY(QTest::qWaitForWindowExposed(&help));
    const QString before = part<TFlatMemo>(help, u"Memo1"_s)->toPlainText();
    part<TFlatMemo>(help, u"Memo1"_s)->setFocus();
    QTest::keyClicks(part<TFlatMemo>(help, u"Memo1"_s), u"xyz"_s);
    QTest::keyClick(part<TFlatMemo>(help, u"Memo1"_s), Qt::Key_Backspace);
    QTest::keyClick(part<TFlatMemo>(help, u"Memo1"_s), Qt::Key_Delete);
    QTest::keyClick(part<TFlatMemo>(help, u"Memo1"_s), Qt::Key_Return);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->toPlainText(), before);
    QTest::keyClick(part<TFlatMemo>(help, u"Memo1"_s), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(part<TFlatMemo>(help, u"Memo1"_s)->textCursor().selectedText().size(), before.size());
}

void tst_TfrmHilfe::keysThatCloseAndKeysThatDoNot()
{
    TfrmHilfe help(nullptr);
    int result = -1;
    bool openAfterEnterAndEscape = false;
    QTimer::singleShot(0, &help, [&] {
        for (QWidget *target : {static_cast<QWidget *>(part<TFlatMemo>(help, u"Memo1"_s)), static_cast<QWidget *>(part<TFlatButton>(help, u"BitBtn1"_s))}) {
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Escape);
        }
        openAfterEnterAndEscape = help.isVisible();
        QTest::keyClick(part<TFlatButton>(help, u"BitBtn1"_s), Qt::Key_Space);
    });
    result = help.exec();
    QVERIFY(openAfterEnterAndEscape);
    QCOMPARE(result, 1);
}

void tst_TfrmHilfe::tabMovesBetweenMemoAndButton()
{
    TfrmHilfe help(nullptr);
    help.show();
    QVERIFY(QTest::qWaitForWindowActive(&help));
    part<TFlatMemo>(help, u"Memo1"_s)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(part<TFlatMemo>(help, u"Memo1"_s), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), part<TFlatButton>(help, u"BitBtn1"_s));
    QTest::keyClick(part<TFlatButton>(help, u"BitBtn1"_s), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), part<TFlatMemo>(help, u"Memo1"_s));
}

void tst_TfrmHilfe::openedTwiceSameTextAndTitle()
{
    QWidget mainWindow;
    QStringList titles, texts;
    for (int opening = 0; opening < 2; ++opening) {
        QTimer::singleShot(0, &mainWindow, [&] {
            auto *help = mainWindow.findChild<TfrmHilfe *>(u"frmHilfe"_s);
            titles << help->windowTitle();
            texts << part<TFlatMemo>(*help, u"Memo1"_s)->toPlainText();
            part<TFlatButton>(*help, u"BitBtn1"_s)->click();
        });
        OpenHilfe(&mainWindow, QSize(1024, 768));
        QTRY_VERIFY(!mainWindow.findChild<TfrmHilfe *>());
    }
    QCOMPARE(titles, (QStringList{u"Brenvik Timer"_s, u"Brenvik Timer"_s}));
    QCOMPARE(texts.at(0), texts.at(1));
    QCOMPARE(texts.at(0), TfrmHilfe::HelpLines().join(u'\n'));
}

void tst_TfrmHilfe::openedPlacedAndReleased_data()
{
    QTest::addColumn<QPoint>("mainAt");
    QTest::addColumn<QPoint>("helpAt");
    const int w = 1024, h = 768;
    QTest::newRow("centred main window") << QPoint(371, 244) << QPoint(371, 244);
    QTest::newRow("300 from the right") << QPoint(w - 300, 100) << QPoint(w - 449, 100);
    QTest::newRow("200 above the bottom") << QPoint(100, h - 200) << QPoint(100, h - 435);
    QTest::newRow("bottom right corner") << QPoint(w - 10, h - 10) << QPoint(w - 449, h - 435);
}

void tst_TfrmHilfe::openedPlacedAndReleased()
{
    QFETCH(QPoint, mainAt);
    QFETCH(QPoint, helpAt);
    QWidget mainWindow;
    mainWindow.move(mainAt);
    QPoint seenAt;
    QWidget *seenOwner = nullptr;
    QTimer::singleShot(0, &mainWindow, [&] {
        auto *help = mainWindow.findChild<TfrmHilfe *>(u"frmHilfe"_s);
        seenAt = help->pos();
        seenOwner = help->parentWidget();
        help->close();
    });
    OpenHilfe(&mainWindow, QSize(1024, 768));
    QCOMPARE(seenAt, helpAt);
    QCOMPARE(seenOwner, &mainWindow);
    QTRY_VERIFY(!mainWindow.findChild<TfrmHilfe *>());
}

QTEST_MAIN(tst_TfrmHilfe)
#include "tst_tfrmhilfe.moc"
