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
    QStringList m_besideProgram;
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
    for (const QString &file : std::as_const(m_besideProgram))
        QFile::remove(file);
    m_besideProgram.clear();
}

void tst_WaveOutput::touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void tst_WaveOutput::locatesFiles_data()
{
    // Relative to the temporary folder; "program/" stands for the program's folder.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected"); // ditto; "=" means the name unchanged
    const QString wave = u"tst-waveoutput-%1.wav"_s.arg(QCoreApplication::applicationPid());
    // Whoever may write the folder the clock was started from must not choose its sound.
    QTest::newRow("the per-user data folder first") << wave
        << QStringList{u"cwd/"_s + wave, u"program/"_s + wave, u"data/brenvik-timer/"_s + wave}
        << u"data/brenvik-timer/"_s + wave;
    QTest::newRow("then beside the program") << wave
        << QStringList{u"cwd/"_s + wave, u"program/"_s + wave} << u"program/"_s + wave;
    QTest::newRow("the current folder last") << wave << QStringList{u"cwd/"_s + wave} << u"cwd/"_s + wave;
    QTest::newRow("a folder of that name is no file") << u"alarm.wav"_s
        << QStringList{u"data/brenvik-timer/alarm.wav/"_s, u"cwd/alarm.wav"_s} << u"cwd/alarm.wav"_s;
    QTest::newRow("nowhere: the name unchanged") << u"fehlt.wav"_s << QStringList{} << u"="_s;
    QTest::newRow("a name with a folder is used as it is") << u"sub/alarm.wav"_s
        << QStringList{u"data/brenvik-timer/alarm.wav"_s} << u"="_s;
}

void tst_WaveOutput::locatesFiles()
{
    QFETCH(QString, name);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    const auto place = [this](const QString &relative) {
        if (relative.startsWith(u"program/"_s))
            return QCoreApplication::applicationDirPath() + relative.mid(7);
        return m_dir.filePath(relative);
    };
    for (const QString &file : std::as_const(existing)) {
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(place(file)));
        else
            touch(place(file));
        if (file.startsWith(u"program/"_s))
            m_besideProgram << place(file);
    }
    const QString want = expected == u"="_s ? name : place(expected);
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
