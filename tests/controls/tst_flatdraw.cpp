#include "controls/flatdraw.h"

#include <QColor>
#include <QPainter>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;
using enum Flat::AdvColorDirection;
using enum Flat::TButtonLayout;

class tst_FlatDraw : public QObject
{
    Q_OBJECT

private slots:
    void advancedColor_data();
    void advancedColor();
    void scaledGlyphKeepsWholePixels_data();
    void scaledGlyphKeepsWholePixels();
    void layout_data();
    void layout();
    void disabledGlyphIsEngraved();
    void transparentGlyphDropsBottomLeftColour();
};

void tst_FlatDraw::advancedColor_data()
{
    QTest::addColumn<QColor>("base");
    QTest::addColumn<int>("percentage");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QColor>("expected");
    const QColor white(255, 255, 255);
    QTest::newRow("white lightened stops at lightness 100 of 240")
        << white << 10 << int(Lighten) << QColor(106, 106, 106);
    QTest::newRow("white lightened fully is the same grey")
        << white << 100 << int(Lighten) << QColor(106, 106, 106);
    QTest::newRow("white darkened 10: the +10 cancels out") << white << 10 << int(Darken) << white;
    QTest::newRow("white darkened 50: 212.5 rounds to even")
        << white << 50 << int(Darken) << QColor(212, 212, 212);
    QTest::newRow("white darkened 5 would exceed 255: clamped")
        << white << 5 << int(Darken) << white;
    QTest::newRow("face lightened: 127.5 rounds to even 128")
        << QColor(235, 234, 225) << 10 << int(Lighten) << QColor(128, 123, 85);
    QTest::newRow("face darkened 50 (advanced border)")
        << QColor(235, 234, 225) << 50 << int(Darken) << QColor(201, 198, 173);
    QTest::newRow("face darkened 1 comes out lighter, clamped per component")
        << QColor(235, 234, 225) << 1 << int(Darken) << QColor(242, 242, 236);
    QTest::newRow("border darkened 50")
        << QColor(160, 150, 131) << 50 << int(Darken) << QColor(117, 107, 89);
    QTest::newRow("pressed face darkened 50")
        << QColor(217, 214, 197) << 50 << int(Darken) << QColor(184, 178, 146);
    QTest::newRow("black lightened 10") << QColor(0, 0, 0) << 10 << int(Lighten) << QColor(21, 21, 21);
    QTest::newRow("black darkened 50 bottoms out at 0")
        << QColor(0, 0, 0) << 50 << int(Darken) << QColor(0, 0, 0);
    QTest::newRow("blue hue: blue maximum branch")
        << QColor(0, 0, 255) << 50 << int(Darken) << QColor(0, 1, 170);
    QTest::newRow("olive: green maximum branch")
        << QColor(128, 128, 0) << 100 << int(Lighten) << QColor(212, 212, 0);
}

void tst_FlatDraw::advancedColor()
{
    QFETCH(QColor, base);
    QFETCH(int, percentage);
    QFETCH(int, direction);
    QFETCH(QColor, expected);
    const QColor fallback(1, 2, 3);
    QCOMPARE(AdvancedColor(base, fallback, percentage, Flat::AdvColorDirection(direction)), expected);
    QCOMPARE(AdvancedColor(base, fallback, 0, Flat::AdvColorDirection(direction)), fallback);
}

void tst_FlatDraw::scaledGlyphKeepsWholePixels_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<int>("factor");
    QTest::newRow("1: as it is") << 1.0 << 1;
    QTest::newRow("1.25: one device pixel each") << 1.25 << 1;
    QTest::newRow("1.5: two by two") << 1.5 << 2;
    QTest::newRow("2: two by two") << 2.0 << 2;
}

void tst_FlatDraw::scaledGlyphKeepsWholePixels()
{
    QFETCH(qreal, ratio);
    QFETCH(int, factor);
    // A 5 x 5 glyph with a single black column in the middle.
    QImage glyph(5, 5, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    for (int y = 0; y < 5; ++y)
        glyph.setPixelColor(2, y, Qt::black);
    QImage image(QSize(20, 20) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        DrawGlyph(painter, QPoint(5, 5), glyph);
    }
    int black = 0;
    QSet<int> columns;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == QColor(Qt::black)) {
                ++black;
                columns.insert(x);
            }
    QCOMPARE(columns.size(), factor);
    QCOMPARE(black, 5 * factor * factor);
}

void tst_FlatDraw::layout_data()
{
    // Tahoma at 13 pixels: "OK" measures 17 x 13 here.
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("margin");
    QTest::addColumn<int>("spacing");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("glyph");
    QTest::addColumn<int>("numGlyphs");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("glyphOrigin");
    QTest::addColumn<QRect>("captionRect");
    const QSize g(16, 16);
    // Client rectangle (10, 20, 100 x 40).
    QTest::newRow("left, centred together") << int(blGlyphLeft) << -1 << 4 << u"OK"_s << g << 1
        << QPoint() << QPoint(10 + 32, 20 + 12) << QRect(10 + 52, 20 + 14, 17, 13);
    QTest::newRow("left, margin 2") << int(blGlyphLeft) << 2 << 4 << u"OK"_s << g << 1
        << QPoint() << QPoint(12, 32) << QRect(32, 34, 17, 13);
    QTest::newRow("left, both -1 spread evenly") << int(blGlyphLeft) << -1 << -1 << u"OK"_s << g << 1
        << QPoint() << QPoint(10 + 22, 32) << QRect(10 + 60, 34, 17, 13);
    QTest::newRow("left, spacing -1 fills the rest") << int(blGlyphLeft) << 5 << -1 << u"OK"_s << g << 1
        << QPoint() << QPoint(15, 32) << QRect(10 + 5 + 16 + 31, 34, 17, 13);
    QTest::newRow("right, margin 2") << int(blGlyphRight) << 2 << 4 << u"OK"_s << g << 1
        << QPoint() << QPoint(10 + 82, 32) << QRect(10 + 61, 34, 17, 13);
    QTest::newRow("top, centred together") << int(blGlyphTop) << -1 << 4 << u"OK"_s << g << 1
        << QPoint() << QPoint(10 + 42, 20 + 4) << QRect(10 + 42, 20 + 24, 17, 13);
    QTest::newRow("bottom, margin 2") << int(blGlyphBottom) << 2 << 4 << u"OK"_s << g << 1
        << QPoint() << QPoint(52, 20 + 22) << QRect(52, 20 + 5, 17, 13);
    QTest::newRow("pressed shifts by one") << int(blGlyphLeft) << 2 << 4 << u"OK"_s << g << 1
        << QPoint(1, 1) << QPoint(13, 33) << QRect(33, 35, 17, 13);
    QTest::newRow("strip of 4: one image wide") << int(blGlyphLeft) << 2 << 4 << u"OK"_s
        << QSize(64, 16) << 4 << QPoint() << QPoint(12, 32) << QRect(32, 34, 17, 13);
    QTest::newRow("no caption: spacing ignored, glyph centred") << int(blGlyphLeft) << -1 << 4
        << QString() << g << 1 << QPoint() << QPoint(10 + 42, 32) << QRect(10 + 58, 20 + 20, 0, 0);
    QTest::newRow("no glyph: caption centred") << int(blGlyphTop) << -1 << 4 << u"OK"_s << QSize() << 1
        << QPoint() << QPoint(10 + 50, 20 + 14) << QRect(10 + 42, 20 + 14, 17, 13);
}

void tst_FlatDraw::layout()
{
    QFETCH(int, layout);
    QFETCH(int, margin);
    QFETCH(int, spacing);
    QFETCH(QString, caption);
    QFETCH(QSize, glyph);
    QFETCH(int, numGlyphs);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, glyphOrigin);
    QFETCH(QRect, captionRect);
    QFont font(u"Tahoma"_s);
    font.setPixelSize(13);
    const GlyphCaptionLayout placed = LayoutGlyphAndCaption(
        font, QRect(10, 20, 100, 40), offset, caption, Flat::TButtonLayout(layout), margin, spacing,
        glyph, numGlyphs);
    QCOMPARE(placed.glyphOrigin, glyphOrigin);
    QCOMPARE(placed.captionRect, captionRect);
}

void tst_FlatDraw::disabledGlyphIsEngraved()
{
    QImage glyph(4, 4, QImage::Format_RGB32);
    glyph.fill(QColor(128, 128, 0));
    glyph.setPixelColor(1, 1, Qt::black);
    glyph.setPixelColor(2, 2, Qt::red);
    const QColor bg(1, 1, 1), hi(2, 2, 2), sh(3, 3, 3);
    const QImage out = MakeDisabledGlyph(glyph, Qt::black, bg, hi, sh, true);
    QCOMPARE(out.size(), glyph.size());
    QCOMPARE(out.pixelColor(1, 1), sh);
    QCOMPARE(out.pixelColor(2, 2), hi);  // highlight one pixel right and down
    QCOMPARE(out.pixelColor(0, 0), bg);
    QCOMPARE(out.pixelColor(3, 3), bg);  // the red pixel is not outline
    const QImage flat = MakeDisabledGlyph(glyph, Qt::black, bg, hi, sh, false);
    QCOMPARE(flat.pixelColor(2, 2), bg);

    QImage mono(4, 4, QImage::Format_Mono);
    mono.fill(0);
    mono.setPixel(0, 0, 1);
    const QImage fromMono = MakeDisabledGlyph(mono, Qt::black, bg, hi, sh, true);
    QCOMPARE(fromMono.pixelColor(0, 0), mono.color(1) == qRgb(255, 255, 255) ? sh : bg);
}

void tst_FlatDraw::transparentGlyphDropsBottomLeftColour()
{
    QImage glyph(3, 3, QImage::Format_RGB32);
    glyph.fill(QColor(128, 128, 0));
    glyph.setPixelColor(1, 1, Qt::black);
    const QImage out = TransparentGlyph(glyph);
    QCOMPARE(qAlpha(out.pixel(0, 0)), 0);
    QCOMPARE(out.pixelColor(1, 1), QColor(Qt::black));
}

QTEST_MAIN(tst_FlatDraw)
#include "tst_flatdraw.moc"
