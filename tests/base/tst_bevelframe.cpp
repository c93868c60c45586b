#include "base/bevelframe.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

// The 3-D frame that the flat controls and the clock both draw.
class tst_BevelFrame : public QObject
{
    Q_OBJECT

private slots:
    void bevelFrameCorners_data();
    void bevelFrameCorners();
    void scaledFrameIsEven_data();
    void scaledFrameIsEven();
};

void tst_BevelFrame::bevelFrameCorners_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QColor>("expected");
    const QColor first(Qt::red), second(Qt::blue), inner(Qt::white);
    QTest::newRow("top-left corner: first") << 1 << QPoint(0, 0) << first;
    QTest::newRow("top edge: first") << 1 << QPoint(5, 0) << first;
    QTest::newRow("left edge: first") << 1 << QPoint(0, 5) << first;
    QTest::newRow("top-right corner: second") << 1 << QPoint(9, 0) << second;
    QTest::newRow("bottom-left corner: second") << 1 << QPoint(0, 7) << second;
    QTest::newRow("bottom-right corner: second") << 1 << QPoint(9, 7) << second;
    QTest::newRow("inside untouched") << 1 << QPoint(1, 1) << inner;
    QTest::newRow("two wide: second ring top-left") << 2 << QPoint(1, 1) << first;
    QTest::newRow("two wide: second ring bottom-right") << 2 << QPoint(8, 6) << second;
    QTest::newRow("two wide: second ring top-right") << 2 << QPoint(8, 1) << second;
    QTest::newRow("two wide: inside untouched") << 2 << QPoint(2, 2) << inner;
}

void tst_BevelFrame::bevelFrameCorners()
{
    QFETCH(int, width);
    QFETCH(QPoint, pixel);
    QFETCH(QColor, expected);
    QImage image(10, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawBevelFrame(painter, image.rect(), Qt::red, Qt::blue, width);
    }
    QCOMPARE(image.pixelColor(pixel), expected);
}

// How many device pixels of `colour` run inwards from an edge, along the
// middle row or column.
static int runFromEdge(const QImage &image, const QColor &colour, int dx, int dy)
{
    int x = dx < 0 ? image.width() - 1 : dx > 0 ? 0 : image.width() / 2;
    int y = dy < 0 ? image.height() - 1 : dy > 0 ? 0 : image.height() / 2;
    int run = 0;
    while (x >= 0 && y >= 0 && x < image.width() && y < image.height()
           && image.pixelColor(x, y) == colour) {
        ++run;
        x += dx;
        y += dy;
    }
    return run;
}

void tst_BevelFrame::scaledFrameIsEven_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("thickness");
    QTest::newRow("1.5: two device pixels on every side") << 1.5 << 1 << 2;
    QTest::newRow("1.5, two wide") << 1.5 << 2 << 3;
    QTest::newRow("1.25") << 1.25 << 1 << 1;
    QTest::newRow("2: two device pixels") << 2.0 << 1 << 2;
}

void tst_BevelFrame::scaledFrameIsEven()
{
    QFETCH(qreal, ratio);
    QFETCH(int, width);
    QFETCH(int, thickness);
    // A frame of one colour, so that each side's run is its whole thickness.
    QImage image(QSize(25, 19) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawBevelFrame(painter, QRect(0, 0, 25, 19), Qt::red, Qt::red, width);
    }
    const QColor red(Qt::red);
    QCOMPARE(runFromEdge(image, red, 0, 1), thickness);   // top
    QCOMPARE(runFromEdge(image, red, 1, 0), thickness);   // left
    QCOMPARE(runFromEdge(image, red, 0, -1), thickness);  // bottom
    QCOMPARE(runFromEdge(image, red, -1, 0), thickness);  // right
}

QTEST_MAIN(tst_BevelFrame)
#include "tst_bevelframe.moc"
