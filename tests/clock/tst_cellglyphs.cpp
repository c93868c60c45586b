#include "clock/cellglyphs.h"

#include <QPainter>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int Flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip;
const QRgb Background = qRgb(0, 0, 0);
const QRgb Pen = qRgb(0, 255, 0);

QFont pixelFont(const QString &family, int pixels, bool italic = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setItalic(italic);
    return font;
}

// Paints cells as the clock does: copy when kept, otherwise fill, draw, keep.
struct Canvas
{
    QFont font;
    QSize cell;
    QImage image{20 + 12 * cell.width(), 20 + cell.height(), QImage::Format_RGB32};
    CellGlyphs glyphs;

    Canvas(const QFont &f, QSize c) : font(f), cell(c)
    {
        image.fill(qRgb(90, 90, 90));
        glyphs.setStyle({font, Pen, Background, cell, image.logicalDpiY()});
    }
    // Returns whether the cell came from a copy.
    bool paint(int index, QChar c, const QTransform &transform = {})
    {
        QPainter painter(&image);
        painter.setTransform(transform);
        painter.setFont(font);
        painter.setPen(QColor(Pen));
        const QRect r(10 + index * cell.width(), 10, cell.width(), cell.height());
        if (glyphs.copyTo(painter, r, c))
            return true;
        painter.fillRect(r, QColor(Background));
        painter.drawText(r, Flags, QString(c));
        glyphs.keep(painter, r, c, Flags);
        return false;
    }
};

QSize digitCell(const QFont &font)
{
    const QFontMetrics metrics(font);
    return {metrics.horizontalAdvance(u'8'), metrics.height()};
}

} // namespace

class tst_CellGlyphs : public QObject
{
    Q_OBJECT

private slots:
    void copyIsWhatDrawingGives_data();
    void copyIsWhatDrawingGives();
    void overhangingGlyphIsAlwaysDrawn();
    void onlyWholePixelTranslationsCopy_data();
    void onlyWholePixelTranslationsCopy();
    void styleChangeForgetsKeptCells();
};

void tst_CellGlyphs::copyIsWhatDrawingGives_data()
{
    QTest::addColumn<QFont>("font");
    QTest::newRow("Tahoma 20 px, the main window's") << pixelFont(u"Tahoma"_s, 20);
    QTest::newRow("a large font") << pixelFont(u"DejaVu Sans"_s, 41);
    QTest::newRow("a small one") << pixelFont(u"DejaVu Sans"_s, 9);
}

void tst_CellGlyphs::copyIsWhatDrawingGives()
{
    // Every character drawn once in one place and copied to others must give the
    // image of drawing each of them directly.
    QFETCH(QFont, font);
    const QSize cell = digitCell(font);
    const QString text = u"0123:456789"_s;
    Canvas direct(font, cell);
    Canvas copied(font, cell);
    for (int i = 0; i < text.size(); ++i)
        copied.paint(i, text[i]);
    int copies = 0;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[text.size() - 1 - i];   // every character in a new place
        direct.glyphs.clear();
        direct.paint(i, c);
        copies += copied.paint(i, c) ? 1 : 0;
    }
    QCOMPARE(copies, int(text.size()));
    QCOMPARE(copied.image, direct.image);
}

void tst_CellGlyphs::overhangingGlyphIsAlwaysDrawn()
{
    // An italic W in a cell as narrow as an i reaches into its neighbours; a copy
    // of the cell alone would cut it off.
    const QFont font = pixelFont(u"DejaVu Serif"_s, 30, true);
    const QSize cell(QFontMetrics(font).horizontalAdvance(u'i'), QFontMetrics(font).height());
    Canvas canvas(font, cell);
    QVERIFY(!canvas.paint(1, u'W'));
    QVERIFY(!canvas.paint(2, u'W'));
    QCOMPARE(canvas.glyphs.keptCount(), 0);
    QVERIFY(!canvas.paint(3, u'i'));
    QVERIFY(canvas.paint(4, u'i'));
}

void tst_CellGlyphs::onlyWholePixelTranslationsCopy_data()
{
    QTest::addColumn<QTransform>("transform");
    QTest::addColumn<bool>("copies");
    QTest::newRow("none") << QTransform() << true;
    QTest::newRow("whole pixels") << QTransform::fromTranslate(3, 7) << true;
    QTest::newRow("half a pixel") << QTransform::fromTranslate(0.5, 0) << false;
    QTest::newRow("scaled 1.5") << QTransform::fromScale(1.5, 1.5) << false;
    QTest::newRow("scaled 2") << QTransform::fromScale(2, 2) << false;
}

void tst_CellGlyphs::onlyWholePixelTranslationsCopy()
{
    QFETCH(QTransform, transform);
    QFETCH(bool, copies);
    const QFont font = pixelFont(u"Tahoma"_s, 20);
    Canvas canvas(font, digitCell(font));
    QVERIFY(!canvas.paint(0, u'5', transform));
    QCOMPARE(canvas.paint(1, u'5', transform), copies);
}

void tst_CellGlyphs::styleChangeForgetsKeptCells()
{
    const QFont font = pixelFont(u"Tahoma"_s, 20);
    Canvas canvas(font, digitCell(font));
    QVERIFY(!canvas.paint(0, u'5'));
    canvas.glyphs.setStyle({font, Pen, Background, canvas.cell, canvas.image.logicalDpiY()});
    QVERIFY(canvas.paint(1, u'5'));
    canvas.glyphs.setStyle({font, qRgb(255, 0, 0), Background, canvas.cell, canvas.image.logicalDpiY()});
    QVERIFY(!canvas.paint(2, u'5'));
}

QTEST_MAIN(tst_CellGlyphs)
#include "tst_cellglyphs.moc"
