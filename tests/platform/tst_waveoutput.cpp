#include "platform/waveoutput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Where the wave player finds a file named in the settings.
class tst_WaveOutput : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void locatesFiles_data();
    void locatesFiles();
    void userDataFolderFollowsXdg_data();
    void userDataFolderFollowsXdg();

private:
    void touch(const QString &path);
    QTemporaryDir m_dir;
    QString m_savedCurrent;
};

void tst_WaveOutput::init()
{
    QVERIFY(m_dir.isValid());
    m_savedCurrent = QDir::currentPath();
    QVERIFY(QDir(m_dir.path()).mkpath(u"cwd"_s));
    QVERIFY(QDir(m_dir.path()).mkpath(u"data/brenvik-timer"_s));
    QVERIFY(QDir::setCurrent(m_dir.filePath(u"cwd"_s)));
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.filePath(u"data"_s)));
}

void tst_WaveOutput::cleanup()
{
    QDir::setCurrent(m_savedCurrent);
    qunsetenv("XDG_DATA_HOME");
    QDir(m_dir.filePath(u"cwd"_s)).removeRecursively();
    QDir(m_dir.filePath(u"data"_s)).removeRecursively();
}

void tst_WaveOutput::touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_WaveOutput::locatesFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("existing"); // relative to the temporary folder
    QTest::addColumn<QString>("expected");     // ditto; "=" means the name unchanged
    QTest::newRow("current folder first") << u"törö.wav"_s
        << QStringList{u"cwd/törö.wav"_s, u"data/brenvik-timer/törö.wav"_s} << u"cwd/törö.wav"_s;
    QTest::newRow("then the per-user data folder") << u"törö.wav"_s
        << QStringList{u"data/brenvik-timer/törö.wav"_s} << u"data/brenvik-timer/törö.wav"_s;
    QTest::newRow("a folder of that name is no file") << u"alarm.wav"_s
        << QStringList{u"cwd/alarm.wav/"_s, u"data/brenvik-timer/alarm.wav"_s} << u"data/brenvik-timer/alarm.wav"_s;
    QTest::newRow("nowhere: the name unchanged") << u"fehlt.wav"_s << QStringList{} << u"="_s;
    QTest::newRow("a name with a folder is used as it is") << u"sub/alarm.wav"_s
        << QStringList{u"data/brenvik-timer/alarm.wav"_s} << u"="_s;
}

void tst_WaveOutput::locatesFiles()
{
    QFETCH(QString, name);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    for (const QString &file : std::as_const(existing)) {
        if (file.endsWith(u'/'))
            QVERIFY(QDir(m_dir.path()).mkpath(file));
        else
            touch(m_dir.filePath(file));
    }
    const QString want = expected == u"="_s ? name : m_dir.filePath(expected);
    QCOMPARE(QDir::cleanPath(platform::WaveOutput::locate(name)), QDir::cleanPath(want));
}

void tst_WaveOutput::userDataFolderFollowsXdg_data()
{
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_DATA_HOME") << u"/srv/daten"_s << u"/srv/daten/brenvik-timer"_s;
    QTest::newRow("unset: ~/.local/share") << QString() << QDir::homePath() + u"/.local/share/brenvik-timer"_s;
    QTest::newRow("relative: ignored") << u"daten"_s << QDir::homePath() + u"/.local/share/brenvik-timer"_s;
}

void tst_WaveOutput::userDataFolderFollowsXdg()
{
    QFETCH(QString, xdg);
    QFETCH(QString, expected);
    if (xdg.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", QFile::encodeName(xdg));
    QCOMPARE(platform::userDataFolder(), expected);
}

QTEST_GUILESS_MAIN(tst_WaveOutput)
#include "tst_waveoutput.moc"
