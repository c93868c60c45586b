#include "app/standarddialogs.h"

#include "app/messageboxcopy.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

class tst_StandardDialogs : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxAtAPoint_data();
    void messageBoxAtAPoint();
    void inputQuery_data();
    void inputQuery();
    void inputBoxGivesTheStartingTextOnCancel();
    void question_data();
    void question();
    void boxesFitTheirTextAndCaption_data();
    void boxesFitTheirTextAndCaption();
    void messageIsPlainText_data();
    void messageIsPlainText();
    void wrappedWordIsCopiedAndReadWhole();

private:
    // Runs act on the modal dialog as soon as it is open.
    void whenModal(std::function<void(QWidget *)> act)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, act] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            act(modal);
        });
        poll->start(5);
    }

    // Runs act on the question box as soon as it is shown; it is no modal widget.
    void whenQuestionShown(std::function<void(QMessageBox *)> act)
    {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, act] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *box = qobject_cast<QMessageBox *>(widget);
                if (!box || !box->isVisible())
                    continue;
                poll->stop();
                poll->deleteLater();
                act(box);
                return;
            }
        });
        poll->start(5);
    }

    static QStringList buttonTexts(QWidget *dialog)
    {
        QStringList texts;
        for (auto *button : dialog->findChildren<QPushButton *>())
            texts << button->text();
        texts.sort();
        return texts;
    }
};

void tst_StandardDialogs::messageBoxAtAPoint_data()
{
    QTest::addColumn<QPoint>("requested");
    QTest::addColumn<bool>("centreX");
    QTest::addColumn<bool>("centreY");
    QTest::newRow("at the point") << QPoint(100, 50) << false << false;
    QTest::newRow("at the origin") << QPoint(0, 0) << false << false;
    QTest::newRow("negative left: centred across") << QPoint(-40, 70) << true << false;
    QTest::newRow("negative top: centred down") << QPoint(100, -1) << false << true;
    QTest::newRow("both negative: centred") << QPoint(-1, -1) << true << true;
}

void tst_StandardDialogs::messageBoxAtAPoint()
{
    QFETCH(QPoint, requested);
    QFETCH(bool, centreX);
    QFETCH(bool, centreY);
    QPoint shownAt;
    QString caption;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QSize size;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        shownAt = box->frameGeometry().topLeft();
        size = box->frameGeometry().size();
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = buttonTexts(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    StandardDialogs::system().showMessageAt(u"Alarmzeit erreicht!"_s, requested);
    QCOMPARE(caption, u"Information"_s);
    QCOMPARE(text, u"Alarmzeit erreicht!"_s);
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QStringList{u"OK"_s});
    // The point and the centring are the frame's, title bar included.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint centred((screen.width() - size.width()) / 2, (screen.height() - size.height()) / 2);
    QCOMPARE(shownAt.x(), centreX ? centred.x() : requested.x());
    QCOMPARE(shownAt.y(), centreY ? centred.y() : requested.y());
}

void tst_StandardDialogs::inputQuery_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QByteArray>("typed"); // replaces the selected starting text
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("result");
    QTest::newRow("Enter is OK") << u"0"_s << "15"_ba << int(Qt::Key_Return) << true << u"15"_s;
    QTest::newRow("Escape is Abbrechen") << u"0"_s << "15"_ba << int(Qt::Key_Escape) << false << u"0"_s;
    QTest::newRow("OK with nothing typed keeps the start") << u"abc"_s << ""_ba << int(Qt::Key_Return) << true << u"abc"_s;
    QTest::newRow("at most 255 characters") << QString() << QByteArray(300, 'x') << int(Qt::Key_Return)
                                            << true << QString(255, u'x');
}

void tst_StandardDialogs::inputQuery()
{
    QFETCH(QString, start);
    QFETCH(QByteArray, typed);
    QFETCH(int, key);
    QFETCH(bool, ok);
    QFETCH(QString, result);
    QString caption;
    QString selected;
    QStringList labels;
    QStringList buttons;
    QRect frame;
    whenModal([&](QWidget *dialog) {
        caption = dialog->windowTitle();
        for (auto *label : dialog->findChildren<QLabel *>())
            labels << label->text();
        buttons = buttonTexts(dialog);
        auto *edit = dialog->findChild<QLineEdit *>();
        QVERIFY(edit);
        selected = edit->selectedText();
        frame = dialog->frameGeometry();
        if (!typed.isEmpty())
            QTest::keyClicks(edit, QString::fromLatin1(typed));
        QTest::keyClick(edit, Qt::Key(key));
    });
    QString value = start;
    QCOMPARE(StandardDialogs::system().inputQuery(u"Alarm in"_s, u"Geben Sie die Anzahl der Minuten ein"_s, value), ok);
    QCOMPARE(value, result);
    QCOMPARE(caption, u"Alarm in"_s);
    QCOMPARE(labels, QStringList{u"Geben Sie die Anzahl der Minuten ein"_s});
    QCOMPARE(buttons, (QStringList{u"Abbrechen"_s, u"OK"_s}));
    QCOMPARE(selected, start);
    // Centred on the screen by its frame.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(frame.topLeft(), QPoint((screen.width() - frame.width()) / 2,
                                     (screen.height() - frame.height()) / 2));
}

void tst_StandardDialogs::inputBoxGivesTheStartingTextOnCancel()
{
    whenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(StandardDialogs::system().inputBox(u"Beim Alarm"_s, u"Meldung"_s, u"alt"_s), u"alt"_s);
    whenModal([](QWidget *dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit *>(), u"neu"_s);
        QTest::keyClick(dialog->findChild<QLineEdit *>(), Qt::Key_Enter);
    });
    QCOMPARE(StandardDialogs::system().inputBox(u"Beim Alarm"_s, u"Meldung"_s, u"alt"_s), u"neu"_s);
}

void tst_StandardDialogs::question_data()
{
    QTest::addColumn<QString>("answer"); // a key or a button's text
    QTest::addColumn<bool>("yes");
    QTest::newRow("Enter is Ja") << u"Enter"_s << true;
    QTest::newRow("Ja") << u"Ja"_s << true;
    QTest::newRow("Nein") << u"Nein"_s << false;
    QTest::newRow("Escape is Nein") << u"Escape"_s << false;
}

void tst_StandardDialogs::question()
{
    QFETCH(QString, answer);
    QFETCH(bool, yes);
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool hasOwner = true;
    QWidget *modal = nullptr;
    // Another window of the program, as the main window is.
    QPushButton other(u"Anderes Fenster"_s);
    int otherClicks = 0;
    connect(&other, &QPushButton::clicked, this, [&otherClicks] { ++otherClicks; });
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    whenQuestionShown([&](QMessageBox *box) {
        buttons = buttonTexts(box);
        icon = box->icon();
        hasOwner = box->parentWidget() != nullptr;
        modal = QApplication::activeModalWidget();
        // The other window takes input while the question waits.
        QTest::mouseClick(&other, Qt::LeftButton);
        if (answer == u"Enter"_s) {
            QTest::keyClick(box, Qt::Key_Return);
        } else if (answer == u"Escape"_s) {
            QTest::keyClick(box, Qt::Key_Escape);
        } else {
            for (auto *button : box->findChildren<QPushButton *>()) {
                if (button->text() == answer)
                    button->click();
            }
        }
    });
    QCOMPARE(StandardDialogs::system().askYesNo(u"Beenden..."_s, u"Frage"_s), yes);
    QCOMPARE(buttons, (QStringList{u"Ja"_s, u"Nein"_s}));
    QCOMPARE(icon, QMessageBox::Question);
    QVERIFY(!hasOwner);
    QCOMPARE(modal, nullptr);
    QCOMPARE(otherClicks, 1);
}

void tst_StandardDialogs::boxesFitTheirTextAndCaption_data()
{
    QTest::addColumn<bool>("question");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("linesKept"); // each line of the text on one line of the box
    QTest::newRow("close question: its two lines")
        << true << u"Beenden..."_s
        << u"Der Timer ist aktiv. Alarm wird nur ausgelöst, wenn das Programm läuft.\n"
           u"Programm trotzdem verlassen?"_s << true;
    QTest::newRow("alarm message: a short text under the whole caption")
        << false << u"Information"_s << u"Tee"_s << true;
    QTest::newRow("alarm message: a late alarm's two lines")
        << false << u"Information"_s
        << u"Zeit für die Besprechung mit dem Vertrieb im zweiten Stock\n(fällig um 07:00:00)"_s
        << true;
    QTest::newRow("alarm message: 255 characters wrap within the screen")
        << false << u"Information"_s << QString(51, u'x').repeated(5).replace(u"xxxxx"_s, u"Wort "_s) << false;
    QTest::newRow("alarm message: 255 characters without a blank wrap within the box")
        << false << u"Information"_s << QString(255, u'W') << false;
    QTest::newRow("alarm message: a long address after a late alarm's line")
        << false << u"Information"_s
        << u"Besprechung:\nhttps://example.org/"_s + QString(200, u'a') + u"\n(fällig um 07:00:00)"_s << false;
}

void tst_StandardDialogs::boxesFitTheirTextAndCaption()
{
    QFETCH(bool, question);
    QFETCH(QString, caption);
    QFETCH(QString, text);
    QFETCH(bool, linesKept);
    QSize size;
    QList<int> lineWidths;
    int labelWidth = 0;
    QSize labelNeeds;
    QRect labelArea;
    QRect boxArea;
    const auto look = [&](QMessageBox *box) {
        size = box->size();
        const auto *label = box->findChild<QLabel *>(u"qt_msgbox_label"_s);
        QVERIFY(label);
        labelWidth = label->contentsRect().width() - 2 * label->margin();
        for (const QString &line : text.split(u'\n'))
            lineWidths << label->fontMetrics().horizontalAdvance(line);
        // Its narrowest and, at its width, its height: what must fit for nothing to be cut.
        labelNeeds = {label->minimumSizeHint().width(), label->heightForWidth(label->width())};
        labelArea = label->geometry();
        boxArea = box->rect();
        QTest::keyClick(box, Qt::Key_Return);
    };
    if (question) {
        whenQuestionShown(look);
        StandardDialogs::system().askYesNo(caption, text);
    } else {
        whenModal([&](QWidget *modal) { look(qobject_cast<QMessageBox *>(modal)); });
        StandardDialogs::system().showMessageAt(text, {10, 10});
    }
    QVERIFY(!lineWidths.isEmpty());
    QCOMPARE(std::all_of(lineWidths.cbegin(), lineWidths.cend(), [&](int width) { return width <= labelWidth; }),
             linesKept);
    // Nothing of the text is cut off, at the side or at the bottom.
    QVERIFY2(labelNeeds.width() <= labelArea.width(),
             qPrintable(u"needs %1 pixels, has %2"_s.arg(labelNeeds.width()).arg(labelArea.width())));
    QVERIFY(labelNeeds.height() <= labelArea.height());
    QVERIFY(boxArea.contains(labelArea));
    // The title bar holds the caption in a bold face beside the window's icon
    // and three buttons; Qt leaves 50 pixels for all of them.
    QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    titleFont.setBold(true);
    const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(caption);
    QVERIFY2(size.width() >= captionWidth + 90,
             qPrintable(u"%1 pixels wide for a caption of %2"_s.arg(size.width()).arg(captionWidth)));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(size.width() <= screen.width());
}

// The message is the user's text: what looks like markup shows as typed, and
// each line of it, and the lines added after it, start a line of the box.
void tst_StandardDialogs::messageIsPlainText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("tags") << u"<b>Termin</b> um 9 Uhr"_s << QStringList{u"<b>Termin</b> um 9 Uhr"_s};
    QTest::newRow("tags, then a late alarm's line")
        << u"<b>Termin</b> um 9 Uhr\n(fällig um 07:00:00)"_s
        << QStringList{u"<b>Termin</b> um 9 Uhr"_s, u"(fällig um 07:00:00)"_s};
    QTest::newRow("an entity and a line break tag")
        << u"Tee &amp; Kuchen<br>um 4"_s << QStringList{u"Tee &amp; Kuchen<br>um 4"_s};
}

void tst_StandardDialogs::messageIsPlainText()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    QSize shown;
    QFontMetrics metrics(QApplication::font());
    whenModal([&](QWidget *modal) {
        const auto *label = modal->findChild<QLabel *>(u"qt_msgbox_label"_s);
        QVERIFY(label);
        shown = label->size();
        metrics = label->fontMetrics();
        QTest::keyClick(modal, Qt::Key_Return);
    });
    StandardDialogs::system().showMessageAt(text, {10, 10});
    int widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    QVERIFY2(shown.width() >= widest, qPrintable(u"%1 pixels for %2"_s.arg(shown.width()).arg(widest)));
    QVERIFY(shown.height() >= lines.size() * metrics.height());
    QVERIFY(shown.height() < (lines.size() + 1) * metrics.height());
}

// Where a word wraps is the box's business: a copy and a screen reader get
// the word as it was written.
void tst_StandardDialogs::wrappedWordIsCopiedAndReadWhole()
{
    MessageBoxCopy copy;
    qApp->installEventFilter(&copy);
    const QString word(255, u'W');
    QString copied;
    QString spoken;
    whenModal([&](QWidget *modal) {
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(modal, Qt::Key_C, Qt::ControlModifier);
        copied = QGuiApplication::clipboard()->text();
        auto *label = modal->findChild<QLabel *>(u"qt_msgbox_label"_s);
        spoken = QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        QTest::keyClick(modal, Qt::Key_Return);
    });
    StandardDialogs::system().showMessageAt(word, {10, 10});
    qApp->removeEventFilter(&copy);
    QVERIFY2(copied.contains(u'\n' + word + u'\n'), qPrintable(copied));
    QCOMPARE(spoken, word);
}

QTEST_MAIN(tst_StandardDialogs)
#include "tst_standarddialogs.moc"
