#include "app/messageboxcopy.h"

#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_MessageBoxCopy : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qApp->installEventFilter(new MessageBoxCopy(qApp)); }
    void ctrlCCopiesTheBox();
    void otherWindowsKeepTheirKeys();
};

void tst_MessageBoxCopy::ctrlCCopiesTheBox()
{
    QMessageBox box(QMessageBox::Question, u"Beenden..."_s, u"Zeile eins\nZeile zwei"_s,
                    QMessageBox::Yes | QMessageBox::No);
    box.button(QMessageBox::Yes)->setText(u"&Ja"_s);
    box.button(QMessageBox::No)->setText(u"&Nein"_s);
    box.show();
    QGuiApplication::clipboard()->clear();
    // The key reaches the focused button first.
    QTest::keyClick(box.button(QMessageBox::Yes), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             u"---------------------------\nBeenden...\n---------------------------\n"
             "Zeile eins\nZeile zwei\n---------------------------\nJa   Nein   \n"
             "---------------------------\n"_s);
    QVERIFY(box.isVisible());
}

void tst_MessageBoxCopy::otherWindowsKeepTheirKeys()
{
    QWidget window;
    window.show();
    QGuiApplication::clipboard()->setText(u"vorher"_s);
    QTest::keyClick(&window, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"vorher"_s);
}

QTEST_MAIN(tst_MessageBoxCopy)
#include "tst_messageboxcopy.moc"
