#include "dialogs/placement.h"

#include <QTest>

class tst_Placement : public QObject
{
    Q_OBJECT

private slots:
    void optionsCentredOverMainWindow_data();
    void optionsCentredOverMainWindow();
    void helpWindow_data();
    void helpWindow();
    void infoWindow_data();
    void infoWindow();
};

void tst_Placement::optionsCentredOverMainWindow_data()
{
    QTest::addColumn<QRect>("mainFrame");
    QTest::addColumn<QSize>("windowFrame");
    QTest::addColumn<QPoint>("topLeft");

    // Main window 282 x 280 with frame, dialog 297 x 251 with frame.
    QTest::newRow("centred on 1024 x 768") << QRect(371, 244, 282, 280) << QSize(297, 251)
                                           << QPoint(371 - 7, 244 + 14);
    QTest::newRow("odd difference truncates toward zero, not down")
        << QRect(100, 100, 282, 280) << QSize(297, 251) << QPoint(93, 114);
    QTest::newRow("same size: same corner") << QRect(10, 20, 300, 200) << QSize(300, 200)
                                            << QPoint(10, 20);
    QTest::newRow("main window at the left edge: dialog pushed off the screen")
        << QRect(0, 0, 282, 280) << QSize(297, 251) << QPoint(-7, 14);
    QTest::newRow("main window past the bottom right: dialog follows it")
        << QRect(900, 700, 282, 280) << QSize(297, 251) << QPoint(893, 714);
    QTest::newRow("main window partly above the screen")
        << QRect(-50, -100, 282, 280) << QSize(297, 251) << QPoint(-57, -86);
    QTest::newRow("negative odd difference: -15/2 is -7") << QRect(0, 0, 100, 100)
                                                           << QSize(115, 115) << QPoint(-7, -7);
}

void tst_Placement::optionsCentredOverMainWindow()
{
    QFETCH(QRect, mainFrame);
    QFETCH(QSize, windowFrame);
    QFETCH(QPoint, topLeft);
    QCOMPARE(Placement::centredOver(mainFrame, windowFrame), topLeft);
}

void tst_Placement::helpWindow_data()
{
    QTest::addColumn<QPoint>("mainTopLeft");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("topLeft");

    const QSize xga(1024, 768);
    QTest::newRow("centred main window: same corner") << QPoint(371, 244) << xga << QPoint(371, 244);
    QTest::newRow("300 from the right edge: 449 from it")
        << QPoint(1024 - 300, 100) << xga << QPoint(1024 - 449, 100);
    QTest::newRow("200 above the bottom: 435 above it")
        << QPoint(100, 768 - 200) << xga << QPoint(100, 768 - 435);
    QTest::newRow("bottom right corner: pulled up and left")
        << QPoint(1000, 760) << xga << QPoint(1024 - 449, 768 - 435);
    QTest::newRow("exactly 449 from the right edge: stays") << QPoint(1024 - 449, 0) << xga
                                                            << QPoint(1024 - 449, 0);
    QTest::newRow("448 from the right edge: pulled left") << QPoint(1024 - 448, 0) << xga
                                                          << QPoint(1024 - 449, 0);
    QTest::newRow("exactly 435 above the bottom: stays") << QPoint(0, 768 - 435) << xga
                                                         << QPoint(0, 768 - 435);
    QTest::newRow("434 above the bottom: pulled up") << QPoint(0, 768 - 434) << xga
                                                     << QPoint(0, 768 - 435);
    QTest::newRow("top left corner: stays") << QPoint(0, 0) << xga << QPoint(0, 0);
    QTest::newRow("off the left and top: stays off") << QPoint(-30, -20) << xga << QPoint(-30, -20);
    QTest::newRow("screen smaller than the window: negative")
        << QPoint(10, 10) << QSize(400, 300) << QPoint(400 - 449, 300 - 435);
}

void tst_Placement::helpWindow()
{
    QFETCH(QPoint, mainTopLeft);
    QFETCH(QSize, screen);
    QFETCH(QPoint, topLeft);
    QCOMPARE(Placement::helpWindow(mainTopLeft, screen), topLeft);
}

void tst_Placement::infoWindow_data()
{
    QTest::addColumn<QPoint>("mainTopLeft");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("topLeft");

    const QSize xga(1024, 768);
    QTest::newRow("centred main window: same corner") << QPoint(371, 244) << xga << QPoint(371, 244);
    QTest::newRow("300 from the right edge: 377 from it")
        << QPoint(1024 - 300, 100) << xga << QPoint(1024 - 377, 100);
    QTest::newRow("200 above the bottom: 215 above it")
        << QPoint(100, 768 - 200) << xga << QPoint(100, 768 - 215);
    QTest::newRow("exactly 214 above the bottom: stays") << QPoint(100, 768 - 214) << xga
                                                         << QPoint(100, 768 - 214);
    QTest::newRow("213 above the bottom: 215 above it, above the main window")
        << QPoint(100, 768 - 213) << xga << QPoint(100, 768 - 215);
    QTest::newRow("exactly 376 from the right edge: stays") << QPoint(1024 - 376, 0) << xga
                                                            << QPoint(1024 - 376, 0);
    QTest::newRow("375 from the right edge: 377 from it") << QPoint(1024 - 375, 0) << xga
                                                          << QPoint(1024 - 377, 0);
    QTest::newRow("bottom right corner: pulled up and left")
        << QPoint(1020, 765) << xga << QPoint(1024 - 377, 768 - 215);
    QTest::newRow("off the left and top: stays off") << QPoint(-5, -8) << xga << QPoint(-5, -8);
    QTest::newRow("screen smaller than the window: negative")
        << QPoint(0, 0) << QSize(320, 200) << QPoint(320 - 377, 200 - 215);
}

void tst_Placement::infoWindow()
{
    QFETCH(QPoint, mainTopLeft);
    QFETCH(QSize, screen);
    QFETCH(QPoint, topLeft);
    QCOMPARE(Placement::infoWindow(mainTopLeft, screen), topLeft);
}

QTEST_APPLESS_MAIN(tst_Placement)
#include "tst_placement.moc"
