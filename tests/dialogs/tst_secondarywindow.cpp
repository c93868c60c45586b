#include "dialogs/secondarywindow.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using namespace Qt::StringLiterals;

class tst_SecondaryWindow : public QObject
{
    Q_OBJECT

private slots:
    void fixedWhiteWindowWithCloseBoxOnly();
    void enterAndEscapeDoNotClose_data();
    void enterAndEscapeDoNotClose();
    void openedAtPlaceAndReleasedAfterItsLoop();
    void releasedWhenPlacingFails();
};

void tst_SecondaryWindow::fixedWhiteWindowWithCloseBoxOnly()
{
    SecondaryWindow window(nullptr, QSize(289, 223), 13);
    QCOMPARE(window.size(), QSize(289, 223));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(window.font().family(), u"Tahoma"_s);
    QCOMPARE(window.font().pixelSize(), 13);
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
}

void tst_SecondaryWindow::enterAndEscapeDoNotClose_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
}

void tst_SecondaryWindow::enterAndEscapeDoNotClose()
{
    QFETCH(int, key);
    SecondaryWindow window(nullptr, QSize(100, 100), 13);
    QSignalSpy finished(&window, &QDialog::finished);
    window.open();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key(key));
    QVERIFY(window.isVisible());
    QCOMPARE(finished.count(), 0);
}

void tst_SecondaryWindow::openedAtPlaceAndReleasedAfterItsLoop()
{
    QWidget owner;
    QPointer<SecondaryWindow> window = new SecondaryWindow(&owner, QSize(100, 80), 13);
    QPoint seenAt;
    bool modal = false;
    QTimer::singleShot(0, window, [&] {
        seenAt = window->pos();
        modal = window->isModal() && window->isVisible();
        window->done(SecondaryWindow::mrOk);
    });
    ShowSecondaryWindow(window.data(), [](const SecondaryWindow &) { return QPoint(-40, 17); });
    QCOMPARE(seenAt, QPoint(-40, 17));
    QVERIFY(modal);
    QCOMPARE(window->parentWidget(), &owner);
    // Released, not destroyed at once: the destruction waits for the event loop.
    QVERIFY(window);
    QTRY_VERIFY(!window);
    QVERIFY(!owner.findChild<SecondaryWindow *>());
}

void tst_SecondaryWindow::releasedWhenPlacingFails()
{
    QPointer<SecondaryWindow> window = new SecondaryWindow(nullptr, QSize(100, 80), 13);
    bool thrown = false;
    try {
        ShowSecondaryWindow(window.data(), [](const SecondaryWindow &) -> QPoint {
            throw std::runtime_error("placement failed");
        });
    } catch (const std::runtime_error &) {
        thrown = true;
    }
    QVERIFY(thrown);
    QVERIFY(window);
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(!window);
}

QTEST_MAIN(tst_SecondaryWindow)
#include "tst_secondarywindow.moc"
