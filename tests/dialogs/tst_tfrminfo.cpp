#include "dialogs/tfrminfo.h"

#include "controls/flataccessible.h"
#include "controls/tflatbutton.h"
#include "base/maker.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/part.h"

#include <QAccessible>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

class tst_TfrmInfo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FlatAccessible::install(); }
    void windowAndControls_data();
    void windowAndControls();
    void showSetsTitleAndLinks();
    void mailLabelGrowsToTheLeft_data();
    void mailLabelGrowsToTheLeft();
    void linksShareOneLine();
    void linksAskTheDesktopShell_data();
    void linksAskTheDesktopShell();
    void noRequestWithoutAClick_data();
    void noRequestWithoutAClick();
    void onlyTheButtonTakesTheFocus();
    void keysThatCloseAndKeysThatDoNot();
    void openedPlacedAndReleased_data();
    void openedPlacedAndReleased();
};

void tst_TfrmInfo::windowAndControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Image1") << u"Image1"_s << QRect(50, 3, 258, 100);
    QTest::newRow("Bevel1") << u"Bevel1"_s << QRect(8, 144, 345, 2);
    QTest::newRow("Label1") << u"Label1"_s << QRect(8, 152, 131, 28);
    QTest::newRow("BitBtn1") << u"BitBtn1"_s << QRect(272, 152, 75, 25);
}

void tst_TfrmInfo::windowAndControls()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    QCOMPARE(info.size(), QSize(368, 187));
    QVERIFY(info.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!info.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(info.font().pixelSize(), 13);
    const QMap<QString, QWidget *> controls{{u"Image1"_s, part<QLabel>(info, u"Image1"_s)},
                                           {u"Bevel1"_s, part<QFrame>(info, u"Bevel1"_s)},
                                           {u"Label1"_s, part<QLabel>(info, u"Label1"_s)},
                                           {u"BitBtn1"_s, part<TFlatButton>(info, u"BitBtn1"_s)}};
    QCOMPARE(controls.value(name)->geometry(), geometry);
}

void tst_TfrmInfo::showSetsTitleAndLinks()
{
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    QVERIFY(info.windowTitle() != u"Brenvik Timer"_s);
    info.show();
    QCOMPARE(info.windowTitle(), u"Brenvik Timer"_s);
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->text(), u"www.brenvik.example"_s);
    QCOMPARE(part<QLabel>(info, u"lMail"_s)->text(), u"info@brenvik.example"_s);
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->pos(), QPoint(57, 112));
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->height(), 16);
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->width(), part<QLabel>(info, u"lURL"_s)->fontMetrics().horizontalAdvance(part<QLabel>(info, u"lURL"_s)->text()));
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QVERIFY(part<QLabel>(info, u"lURL"_s)->font().underline());
    QCOMPARE(part<QLabel>(info, u"lMail"_s)->palette().color(QPalette::WindowText), QColor(Qt::blue));
    QCOMPARE(part<TFlatButton>(info, u"BitBtn1"_s)->caption(), u"OK"_s);
    QCOMPARE(part<TFlatButton>(info, u"BitBtn1"_s)->modalResult(), 1);
    QVERIFY(!part<TFlatButton>(info, u"BitBtn1"_s)->isDefault());
    const QStringList notice = part<QLabel>(info, u"Label1"_s)->text().split(u'\n');
    QCOMPARE(notice.size(), 2);
    for (const QString &line : notice)
        QVERIFY2(part<QLabel>(info, u"Label1"_s)->fontMetrics().horizontalAdvance(line) <= 131, qPrintable(line));
}

void tst_TfrmInfo::mailLabelGrowsToTheLeft_data()
{
    QTest::addColumn<QString>("mail");
    QTest::newRow("the maker's address") << Maker::MailText;
    QTest::newRow("short") << u"a@b.c"_s;
    QTest::newRow("long") << u"zeitansagen-und-wecker@sehr-lange-adresse.example"_s;
}

void tst_TfrmInfo::mailLabelGrowsToTheLeft()
{
    QFETCH(QString, mail);
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell, Maker::WebText, mail);
    info.show();
    const QRect label = part<QLabel>(info, u"lMail"_s)->geometry();
    QCOMPARE(label.x() + label.width(), 314);
    QCOMPARE(label.width(), part<QLabel>(info, u"lMail"_s)->fontMetrics().horizontalAdvance(mail));
    QCOMPARE(label.y(), 112);
    QVERIFY(part<QLabel>(info, u"lMail"_s)->alignment().testFlag(Qt::AlignRight));
}

namespace {

// The first and last rows of a label's blue text and underline, in window
// coordinates, as drawn on the screen.
QPair<int, int> inkRows(const QImage &window, const QRect &label)
{
    int first = -1;
    int last = -1;
    for (int y = label.top(); y <= label.bottom(); ++y) {
        for (int x = label.left(); x <= label.right(); ++x) {
            const QColor c = window.pixelColor(x, y);
            if (c.blue() > 128 && c.red() < 100 && c.green() < 100) {
                if (first < 0)
                    first = y;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

} // namespace

void tst_TfrmInfo::linksShareOneLine()
{
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QCOMPARE(part<QLabel>(info, u"lURL"_s)->geometry(), QRect(QPoint(57, 112), part<QLabel>(info, u"lURL"_s)->size()));
    QCOMPARE(part<QLabel>(info, u"lMail"_s)->geometry().topRight(), QPoint(313, 112));
    QCOMPARE(part<QLabel>(info, u"lMail"_s)->height(), 16);
    // Both fit beside each other on the one line.
    QVERIFY(part<QLabel>(info, u"lURL"_s)->geometry().right() < part<QLabel>(info, u"lMail"_s)->geometry().left());

    QImage shot = info.grab().toImage();
    shot.setDevicePixelRatio(1);
    const qreal ratio = info.devicePixelRatioF();
    const auto scaled = [ratio](const QRect &r) {
        return QRect((QPointF(r.topLeft()) * ratio).toPoint(), (QSizeF(r.size()) * ratio).toSize());
    };
    const QPair<int, int> url = inkRows(shot, scaled(part<QLabel>(info, u"lURL"_s)->geometry()));
    const QPair<int, int> mail = inkRows(shot, scaled(part<QLabel>(info, u"lMail"_s)->geometry()));
    QVERIFY(url.first >= 0);
    QVERIFY(mail.first >= 0);
    // Same text top and same underline.
    QCOMPARE(url, mail);
}

void tst_TfrmInfo::linksAskTheDesktopShell_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("screenReader");
    QTest::newRow("logo") << u"Image1"_s << Maker::WebAddress << false;
    QTest::newRow("web label") << u"lURL"_s << Maker::WebAddress << false;
    QTest::newRow("mail label") << u"lMail"_s << Maker::MailAddress << false;
    QTest::newRow("web label, followed by a screen reader") << u"lURL"_s << Maker::WebAddress << true;
    QTest::newRow("mail label, followed by a screen reader") << u"lMail"_s << Maker::MailAddress << true;
}

void tst_TfrmInfo::linksAskTheDesktopShell()
{
    QFETCH(QString, control);
    QFETCH(QString, address);
    QFETCH(bool, screenReader);
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    auto *target = info.findChild<QLabel *>(control);
    QVERIFY(target);
    // A screen reader sees a link named by its text, and follows it.
    QAccessibleInterface *link = QAccessible::queryAccessibleInterface(target);
    const auto click = [&] {
        if (screenReader)
            link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        else
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(3, 3));
    };
    if (screenReader) {
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), target->text());
    }
    click();
    QTRY_COMPARE(shell.opened, QStringList{address});
    QVERIFY(info.isVisible());
    click();
    QTRY_COMPARE(shell.opened, (QStringList{address, address}));
}

void tst_TfrmInfo::noRequestWithoutAClick_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::newRow("right button") << int(Qt::RightButton) << QPoint(3, 3);
    QTest::newRow("released outside") << int(Qt::LeftButton) << QPoint(-20, 3);
}

void tst_TfrmInfo::noRequestWithoutAClick()
{
    QFETCH(int, button);
    QFETCH(QPoint, releaseAt);
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    info.show();
    QVERIFY(QTest::qWaitForWindowExposed(&info));
    QTest::mousePress(part<QLabel>(info, u"lURL"_s), Qt::MouseButton(button), {}, QPoint(3, 3));
    QTest::mouseRelease(part<QLabel>(info, u"lURL"_s), Qt::MouseButton(button), {}, releaseAt);
    QVERIFY(shell.opened.isEmpty());
}

void tst_TfrmInfo::onlyTheButtonTakesTheFocus()
{
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    const QList<QWidget *> children = info.findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child != part<TFlatButton>(info, u"BitBtn1"_s))
            QVERIFY2(child->focusPolicy() == Qt::NoFocus, qPrintable(child->objectName()));
    }
    QVERIFY(part<TFlatButton>(info, u"BitBtn1"_s)->focusPolicy() & Qt::TabFocus);
}

void tst_TfrmInfo::keysThatCloseAndKeysThatDoNot()
{
    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    int result = -1;
    bool openAfterEnterAndEscape = false;
    QTimer::singleShot(0, &info, [&] {
        part<TFlatButton>(info, u"BitBtn1"_s)->setFocus();
        QTest::keyClick(part<TFlatButton>(info, u"BitBtn1"_s), Qt::Key_Return);
        QTest::keyClick(part<TFlatButton>(info, u"BitBtn1"_s), Qt::Key_Escape);
        openAfterEnterAndEscape = info.isVisible();
        QTest::keyClick(part<TFlatButton>(info, u"BitBtn1"_s), Qt::Key_Space);
    });
    result = info.exec();
    QVERIFY(openAfterEnterAndEscape);
    QCOMPARE(result, 1);
    QVERIFY(shell.opened.isEmpty());
}

void tst_TfrmInfo::openedPlacedAndReleased_data()
{
    QTest::addColumn<QPoint>("mainAt");
    QTest::addColumn<QPoint>("infoAt");
    const int w = 1024, h = 768;
    QTest::newRow("centred main window") << QPoint(371, 244) << QPoint(371, 244);
    QTest::newRow("300 from the right") << QPoint(w - 300, 100) << QPoint(w - 377, 100);
    QTest::newRow("200 above the bottom") << QPoint(100, h - 200) << QPoint(100, h - 215);
    QTest::newRow("214 above the bottom") << QPoint(100, h - 214) << QPoint(100, h - 214);
}

void tst_TfrmInfo::openedPlacedAndReleased()
{
    QFETCH(QPoint, mainAt);
    QFETCH(QPoint, infoAt);
    QWidget mainWindow;
    mainWindow.move(mainAt);
    FakeDesktopShell shell;
    QPoint seenAt;
    QString seenTitle;
    QWidget *seenOwner = nullptr;
    QTimer::singleShot(0, &mainWindow, [&] {
        auto *info = mainWindow.findChild<TfrmInfo *>(u"frmInfo"_s);
        seenAt = info->pos();
        seenTitle = info->windowTitle();
        seenOwner = info->parentWidget();
        part<TFlatButton>(*info, u"BitBtn1"_s)->click();
    });
    OpenInfo(&mainWindow, QSize(1024, 768), shell);
    QCOMPARE(seenAt, infoAt);
    QCOMPARE(seenTitle, u"Brenvik Timer"_s);
    QCOMPARE(seenOwner, &mainWindow);
    QTRY_VERIFY(!mainWindow.findChild<TfrmInfo *>());
}

QTEST_MAIN(tst_TfrmInfo)
#include "tst_tfrminfo.moc"
