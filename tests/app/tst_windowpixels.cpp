#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The windows draw the same pixels whether the font configuration lists the
// layout face or the program has to provide it: windowpictures draws them
// under each configuration, and each picture is compared with the one drawn
// under the machine's own configuration.
class tst_WindowPixels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void sameFaceWhateverTheConfiguration_data();
    void sameFaceWhateverTheConfiguration();
    void samePixelsWhateverTheConfiguration_data();
    void samePixelsWhateverTheConfiguration();

private:
    // Folder of the pictures drawn under a configuration; empty for the machine's own.
    QString folder(const QString &conf) const { return m_dir.filePath(conf.isEmpty() ? u"own"_s : conf); }
    QTemporaryDir m_dir;
};

void tst_WindowPixels::initTestCase()
{
    for (const QString &conf : {u""_s, u"with-face"_s, u"system-folders"_s}) {
        QVERIFY(QDir().mkpath(folder(conf)));
        QProcess draw;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"FONTCONFIG_FILE"_s);
        if (!conf.isEmpty())
            env.insert(u"FONTCONFIG_FILE"_s, u"" TEST_FONTS_DIR "/"_s + conf + u".conf"_s);
        draw.setProcessEnvironment(env);
        draw.setProcessChannelMode(QProcess::ForwardedChannels);
        draw.start(u"" WINDOWPICTURES ""_s, {folder(conf)});
        QVERIFY(draw.waitForFinished(60000));
        QCOMPARE(draw.exitStatus(), QProcess::NormalExit);
        QCOMPARE(draw.exitCode(), 0);
    }
}

void tst_WindowPixels::sameFaceWhateverTheConfiguration_data()
{
    QTest::addColumn<QString>("conf");
    QTest::addColumn<QString>("registered");
    QTest::newRow("face listed: nothing registered") << u"with-face"_s << u"0"_s;
    QTest::newRow("system folders alone: regular and bold registered") << u"system-folders"_s << u"2"_s;
}

void tst_WindowPixels::sameFaceWhateverTheConfiguration()
{
    QFETCH(QString, conf);
    QFETCH(QString, registered);
    QFile report(folder(conf) + u"/face.txt"_s);
    QVERIFY(report.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(report.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines, QStringList({u"registered="_s + registered, u"family=Tahoma"_s}));
}

void tst_WindowPixels::samePixelsWhateverTheConfiguration_data()
{
    QTest::addColumn<QString>("conf");
    QTest::addColumn<QString>("window");
    for (const QString &conf : {u"with-face"_s, u"system-folders"_s})
        for (const QString &window : {u"main"_s, u"options"_s, u"info"_s})
            QTest::addRow("%s, %s", qPrintable(conf), qPrintable(window)) << conf << window;
}

void tst_WindowPixels::samePixelsWhateverTheConfiguration()
{
    QFETCH(QString, conf);
    QFETCH(QString, window);
    const QImage own(folder({}) + u'/' + window + u".png"_s);
    const QImage other(folder(conf) + u'/' + window + u".png"_s);
    QVERIFY(!own.isNull());
    QCOMPARE(other.size(), own.size());
    int differing = 0;
    QPoint first;
    for (int y = 0; y < own.height(); ++y) {
        for (int x = 0; x < own.width(); ++x) {
            if (own.pixel(x, y) != other.pixel(x, y) && differing++ == 0)
                first = QPoint(x, y);
        }
    }
    if (differing) {
        m_dir.setAutoRemove(false);
        QFAIL(qPrintable(u"%1 pixels differ, the first at (%2, %3); pictures in %4"_s.arg(differing)
                             .arg(first.x()).arg(first.y()).arg(m_dir.path())));
    }
}

QTEST_MAIN(tst_WindowPixels)
#include "tst_windowpixels.moc"
