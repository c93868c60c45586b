#include "platform/layoutface.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Run under a font configuration of the system's font folders alone (see
// CMakeLists.txt), which does not list the layout face.
class tst_LayoutFace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusesWhatIsNotTheFace_data();
    void refusesWhatIsNotTheFace();
    void listedFamilyIsLeftAlone();
    void registersTheFaceOnce();

private:
    static bool listed(const QString &family) { return QFontDatabase::families().contains(family); }

    QTemporaryDir m_dir;
};

void tst_LayoutFace::initTestCase()
{
    QVERIFY2(!listed(u"Tahoma"_s), "the font configuration of this test lists Tahoma");
    for (const QString &file : platform::layoutFaceFiles())
        QVERIFY2(QFile::exists(file), qPrintable(file + u" missing: is fonts-wine installed?"_s));
}

void tst_LayoutFace::refusesWhatIsNotTheFace_data()
{
    QTest::addColumn<QString>("file");
    QFile text(m_dir.filePath(u"tahoma.ttf"_s));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("no font\n");
    text.close();
    QTest::newRow("missing file") << m_dir.filePath(u"missing.ttf"_s);
    QTest::newRow("not a font") << text.fileName();
    QTest::newRow("a face of another family") << u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s;
}

void tst_LayoutFace::refusesWhatIsNotTheFace()
{
    QFETCH(QString, file);
    QCOMPARE(platform::provideFace(u"Tahoma"_s, {file}), QList<int>());
    QVERIFY(!listed(u"Tahoma"_s));
}

void tst_LayoutFace::listedFamilyIsLeftAlone()
{
    QVERIFY(listed(u"DejaVu Sans"_s));
    QCOMPARE(platform::provideFace(u"DejaVu Sans"_s, {u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s}),
             QList<int>());
}

void tst_LayoutFace::registersTheFaceOnce()
{
    const QList<int> ids = platform::provideFace(u"Tahoma"_s, platform::layoutFaceFiles());
    QCOMPARE(ids.size(), 2);
    QVERIFY(listed(u"Tahoma"_s));
    QVERIFY(QFontDatabase::styles(u"Tahoma"_s).contains(u"Bold"_s));

    // The metrics the pixel layouts are made for: "8" is 7 x 13 at 13 pixels.
    QFont font(u"Tahoma"_s);
    font.setPixelSize(13);
    QCOMPARE(QFontInfo(font).family(), u"Tahoma"_s);
    QCOMPARE(QFontMetrics(font).horizontalAdvance(u'8'), 7);

    QCOMPARE(platform::provideFace(u"Tahoma"_s, platform::layoutFaceFiles()), QList<int>());
}

QTEST_MAIN(tst_LayoutFace)
#include "tst_layoutface.moc"
