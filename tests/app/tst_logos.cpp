#include "app/tfrmmain.h"
#include "app/tsplashform.h"
#include "dialogs/tfrminfo.h"
#include "tests/fakes/fakedesktopshell.h"
#include "tests/fakes/mainwindowfixture.h"
#include "resources/logo.h"
#include "tests/fakes/part.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Runs on a desktop scaled by QT_SCALE_FACTOR (2 unless the environment sets it).
class tst_Logos : public QObject
{
    Q_OBJECT

private slots:
    void pixmapForRatio_data();
    void pixmapForRatio();
    void windowsDrawTheirLogoAtTheScreensPixels();
};

void tst_Logos::pixmapForRatio_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("pixels");
    QTest::newRow("wide, unscaled") << u"logo-wide"_s << 1.0 << QSize(258, 100);
    QTest::newRow("wide, 1.5") << u"logo-wide"_s << 1.5 << QSize(387, 150);
    QTest::newRow("wide, 2") << u"logo-wide"_s << 2.0 << QSize(516, 200);
    QTest::newRow("tall, unscaled") << u"logo-tall"_s << 1.0 << QSize(177, 217);
    QTest::newRow("tall, 1.5") << u"logo-tall"_s << 1.5 << QSize(266, 326);
    QTest::newRow("tall, 2") << u"logo-tall"_s << 2.0 << QSize(354, 434);
    QTest::newRow("tall, 3") << u"logo-tall"_s << 3.0 << QSize(531, 651);
}

void tst_Logos::pixmapForRatio()
{
    QFETCH(QString, name);
    QFETCH(qreal, ratio);
    QFETCH(QSize, pixels);
    const QPixmap logo = logoPixmap(name, ratio);
    QCOMPARE(logo.size(), pixels);
    QCOMPARE(logo.devicePixelRatio(), ratio);
    const QImage base(u":/%1.png"_s.arg(name));
    QCOMPARE(logo.deviceIndependentSize().toSize(), base.size());
    if (ratio > 1) {
        // More than the small picture blown up: drawn from the large one.
        const QImage blownUp = base.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                   .convertToFormat(QImage::Format_RGB32);
        QVERIFY(logo.toImage().convertToFormat(QImage::Format_RGB32) != blownUp);
    }
}

void tst_Logos::windowsDrawTheirLogoAtTheScreensPixels()
{
    QVERIFY(qApp->devicePixelRatio() > 1);

    FakeDesktopShell shell;
    TfrmInfo info(nullptr, shell);
    TSplashForm splash;
    MainWindowFixture fixture;
    fixture.m_clock.set(10, 0, 0);
    TfrmMain &main = fixture.openMainWindow();

    const struct {
        QWidget *window;
        QLabel *image;
        QSize size;
    } logos[] = {{&info, part<QLabel>(info, u"Image1"_s), QSize(258, 100)},
                 {&splash, splash.Image1, QSize(258, 100)},
                 {&main, main.findChild<QLabel *>(u"Image1"_s), QSize(177, 217)}};
    for (const auto &logo : logos) {
        logo.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(logo.window));
        const QPixmap pixmap = logo.image->pixmap();
        const QString name = logo.window->objectName();
        QVERIFY2(pixmap.devicePixelRatio() >= logo.window->devicePixelRatioF(), qPrintable(name));
        // Same place in the layout as unscaled.
        QCOMPARE(pixmap.deviceIndependentSize().toSize(), logo.size);
        QVERIFY2(logo.image->width() >= logo.size.width() && logo.image->height() >= logo.size.height(),
                 qPrintable(name));
    }
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    tst_Logos test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_logos.moc"
