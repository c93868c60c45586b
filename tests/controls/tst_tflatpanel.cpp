#include "controls/tflatpanel.h"

#include <QColor>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_TFlatPanel : public QObject
{
    Q_OBJECT

private slots:
    void paintsBorderAndFace_data();
    void paintsBorderAndFace();
    void captionAlignment_data();
    void captionAlignment();
    void colourFollowsParentUntilWritten();
};

static QWidget *whiteForm()
{
    auto *form = new QWidget;
    form->resize(300, 100);
    QPalette palette = form->palette();
    palette.setColor(QPalette::Window, Qt::white);
    form->setPalette(palette);
    return form;
}

void tst_TFlatPanel::paintsBorderAndFace_data()
{
    QTest::addColumn<bool>("transparent");
    QTest::addColumn<QColor>("inner");
    QTest::newRow("opaque: own colour") << false << QColor(Qt::yellow);
    QTest::newRow("transparent: parent shows through") << true << QColor(Qt::white);
}

void tst_TFlatPanel::paintsBorderAndFace()
{
    QFETCH(bool, transparent);
    QFETCH(QColor, inner);
    std::unique_ptr<QWidget> form(whiteForm());
    auto *panel = new TFlatPanel(form.get());
    panel->setGeometry(96, 20, 161, 33);
    panel->setColor(Qt::yellow);
    panel->setTransparent(transparent);
    const QImage image = panel->grab().toImage();
    for (QPoint p : {QPoint(0, 0), QPoint(160, 0), QPoint(0, 32), QPoint(160, 32), QPoint(80, 0)})
        QCOMPARE(image.pixelColor(p), QColor(160, 150, 131));
    QCOMPARE(image.pixelColor(1, 1), inner);
    QCOMPARE(image.pixelColor(159, 31), inner);
}

void tst_TFlatPanel::captionAlignment_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("fromX");
    QTest::addColumn<int>("toX");
    QTest::newRow("centred by default") << int(Flat::taCenter) << 60 << 120;
    QTest::newRow("left") << int(Flat::taLeftJustify) << 0 << 60;
    QTest::newRow("right") << int(Flat::taRightJustify) << 120 << 180;
}

void tst_TFlatPanel::captionAlignment()
{
    QFETCH(int, alignment);
    QFETCH(int, fromX);
    QFETCH(int, toX);
    std::unique_ptr<QWidget> form(whiteForm());
    QFont font(u"Tahoma"_s);
    font.setPixelSize(13);
    form->setFont(font);
    auto *panel = new TFlatPanel(form.get());
    panel->resize(180, 41);
    panel->setCaption(u"FlatPanel1"_s);
    if (alignment != int(Flat::taCenter))
        panel->setAlignment(Flat::TAlignment(alignment));
    const QImage image = panel->grab().toImage();
    int left = 1000, right = -1, top = 1000, bottom = -1;
    for (int y = 1; y < 40; ++y)
        for (int x = 1; x < 179; ++x)
            if (image.pixelColor(x, y).lightness() < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    QVERIFY2(left >= fromX && right < toX, qPrintable(u"%1..%2"_s.arg(left).arg(right)));
    QVERIFY2(std::abs((top + bottom) - 40) <= 4, "vertically centred");
}

void tst_TFlatPanel::colourFollowsParentUntilWritten()
{
    std::unique_ptr<QWidget> form(whiteForm());
    auto *panel = new TFlatPanel(form.get());
    QVERIFY(panel->parentColor());
    QCOMPARE(panel->color(), QColor(Qt::white));
    QCOMPARE(panel->size(), QSize(185, 41));
    panel->setColor(Qt::blue);
    QVERIFY(!panel->parentColor());
    panel->setParentColor(true);
    QCOMPARE(panel->color(), QColor(Qt::white));
}

QTEST_MAIN(tst_TFlatPanel)
#include "tst_tflatpanel.moc"
