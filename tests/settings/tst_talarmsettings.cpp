#include "settings/talarmsettings.h"

#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class tst_TAlarmSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void locationFollowsWhoMayWrite_data();
    void locationFollowsWhoMayWrite();
    void userFileWinsKeyByKey();
    void saveGoesToTheUserFileAndKeepsTheShared();
    void folderOthersMayWrite_data();
    void folderOthersMayWrite();
    void linkOfAnotherUserIsNotWrittenThrough();
    void userFolderIsTheUsersAlone();

private:
    QString programFolder() const { return m_dir->filePath(u"lib/brenvik-timer"_s); }
    QString configHome() const { return m_dir->filePath(u"home/.config"_s); }
    QString beside() const { return programFolder() + u"/Timer.ini"_s; }
    QString userFile() const { return configHome() + u"/brenvik-timer/Timer.ini"_s; }
    static void put(const QString &path, const QByteArray &bytes);
    // Made unwritable even for root; false where that cannot be done.
    bool protect(const QString &path);

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_protected;
    QStringList m_mounted;
};

void tst_TAlarmSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir().mkpath(programFolder()));
}

void tst_TAlarmSettings::cleanup()
{
    for (const QString &path : std::as_const(m_protected))
        QProcess::execute(u"chattr"_s, {u"-i"_s, path});
    m_protected.clear();
    for (const QString &path : std::as_const(m_mounted))
        ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    m_mounted.clear();
}

void tst_TAlarmSettings::put(const QString &path, const QByteArray &bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

bool tst_TAlarmSettings::protect(const QString &path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                    | QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther);
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return true;
    // Permission bits do not stop root: immutable, or else a read-only bind mount.
    if (QProcess::execute(u"chattr"_s, {u"+i"_s, path}) == 0) {
        m_protected << path;
        return true;
    }
    const QByteArray name = QFile::encodeName(path);
    if (::mount(name.constData(), name.constData(), nullptr, MS_BIND, nullptr) != 0)
        return false;
    m_mounted << path;
    return ::mount(nullptr, name.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

void tst_TAlarmSettings::locationFollowsWhoMayWrite_data()
{
    QTest::addColumn<bool>("fileBeside");
    QTest::addColumn<QString>("protectedPart"); // "", "folder" or "file"
    QTest::addColumn<bool>("userFileUsed");
    QTest::newRow("writable folder, no file yet") << false << QString() << false;
    QTest::newRow("writable folder and file: a copy in the user's folder") << true << QString() << false;
    QTest::newRow("installed for everyone: folder not writable") << true << u"folder"_s << true;
    QTest::newRow("folder not writable, no file beside") << false << u"folder"_s << true;
    QTest::newRow("only the file not writable") << true << u"file"_s << true;
}

void tst_TAlarmSettings::locationFollowsWhoMayWrite()
{
    QFETCH(bool, fileBeside);
    QFETCH(QString, protectedPart);
    QFETCH(bool, userFileUsed);
    if (fileBeside)
        put(beside(), "[Sound]\nFile=a.wav\n");
    if (!protectedPart.isEmpty() && !protect(protectedPart == u"folder" ? programFolder() : beside()))
        QSKIP("cannot make a file unwritable here");
    const SettingsLocation location = SettingsLocation::choose(programFolder(), configHome());
    QCOMPARE(location.file, userFileUsed ? userFile() : beside());
    QCOMPARE(location.defaults, userFileUsed ? beside() : QString());
}

void tst_TAlarmSettings::userFileWinsKeyByKey()
{
    put(beside(), "[Meldung]\nAlarmMeldung=Für alle\nStunde=6\n"
                  "[Sound]\nFile=alle.wav\nOhne=0\nSpeaker=1\nSong=Alle meine Entchen\n");
    put(userFile(), "[Sound]\nFile=meine.wav\nSpeaker=0\nSoundkarte=1\n[Meldung]\nMinute=15\n");
    const LoadedSettings loaded = loadSettings({userFile(), beside()});
    QCOMPARE(loaded.record.SoundFile, u"meine.wav"_s);
    QCOMPARE(loaded.record.AlarmMeldung, u"Für alle"_s);
    QCOMPARE(loaded.record.Ohne, false); // from the shared file, not the default true
    QCOMPARE(loaded.record.Speaker, false);
    QCOMPARE(loaded.record.Soundkarte, true);
    QCOMPARE(loaded.record.Song, u"Alle meine Entchen"_s);
    QCOMPARE(loaded.Stunde, u"6"_s);
    QCOMPARE(loaded.Minute, u"15"_s);
    QCOMPARE(loaded.Sekunde, u"0"_s);
}

void tst_TAlarmSettings::saveGoesToTheUserFileAndKeepsTheShared()
{
    const QByteArray shared = "[Sound]\r\nFile=alle.wav\r\nOhne=1\r\nSong=Entertainer\r\n";
    put(beside(), shared);
    if (!protect(programFolder()))
        QSKIP("cannot make a folder unwritable here");
    const SettingsLocation location = SettingsLocation::choose(programFolder(), configHome());
    saveSoundChoice(location, {u"mein.wav"_s, false, false, true});

    QFile file(beside());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), shared);
    const LoadedSettings loaded = loadSettings(location);
    QCOMPARE(loaded.record.SoundFile, u"mein.wav"_s);
    QCOMPARE(loaded.record.Ohne, false);
    QCOMPARE(loaded.record.Soundkarte, true);
    QCOMPARE(loaded.record.Song, u"Entertainer"_s);
    QCOMPARE(SettingsFile(userFile()).readString(u"Sound"_s, u"Song"_s, u"<none>"_s), u"<none>"_s);
}

void tst_TAlarmSettings::folderOthersMayWrite_data()
{
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<int>("folderGroup"); // -1: the user's own
    QTest::addColumn<QString>("file"); // none, own, foreign, own-link, foreign-link
    QTest::addColumn<bool>("userFileUsed");
    // Whether what lies beside the program is read at all: only what no one
    // else could have put there or changed.
    QTest::addColumn<bool>("besideRead");
    constexpr int own = -1;
    constexpr int users = 100;
    QTest::newRow("open to all, no file") << 0777 << own << u"none"_s << true << false;
    QTest::newRow("open to all, a file of the user's own") << 0777 << own << u"own"_s << true << false;
    QTest::newRow("sticky, a file of the user's own") << 01777 << own << u"own"_s << false << true;
    QTest::newRow("sticky, no file") << 01777 << own << u"none"_s << true << false;
    QTest::newRow("sticky, another user's file") << 01777 << own << u"foreign"_s << true << false;
    QTest::newRow("the user's own group may write") << 0775 << own << u"own"_s << false << true;
    QTest::newRow("a shared group may write") << 0775 << users << u"own"_s << true << false;
    QTest::newRow("a link of the user's own") << 0755 << own << u"own-link"_s << false << true;
    QTest::newRow("another user's link") << 0755 << own << u"foreign-link"_s << true << false;
}

void tst_TAlarmSettings::folderOthersMayWrite()
{
    QFETCH(int, folderMode);
    QFETCH(int, folderGroup);
    QFETCH(QString, file);
    QFETCH(bool, userFileUsed);
    QFETCH(bool, besideRead);
    const bool root = ::geteuid() == 0;
    if ((folderGroup >= 0 || file.startsWith(u"foreign")) && !root)
        QSKIP("needs root to give a file or a folder to another user or group");
    const QByteArray folder = QFile::encodeName(programFolder());
    const QByteArray name = QFile::encodeName(beside());
    const QString elsewhere = m_dir->filePath(u"elsewhere.ini"_s);
    const QByteArray alarm = "[Sound]\nFile=a.wav\n[Meldung]\nStunde=3\nMinute=33\nSekunde=0\n";
    if (file == u"own"_s || file == u"foreign"_s)
        put(beside(), alarm);
    if (file == u"foreign"_s) {
        QCOMPARE(::chown(name.constData(), 65534, 65534), 0);
        QCOMPARE(::chmod(name.constData(), 0666), 0);
    }
    if (file.endsWith(u"link"_s)) {
        put(elsewhere, alarm);
        QVERIFY(QFile::link(elsewhere, beside()));
        if (file == u"foreign-link"_s)
            QCOMPARE(::lchown(name.constData(), 65534, 65534), 0);
    }
    if (folderGroup >= 0)
        QCOMPARE(::chown(folder.constData(), uid_t(-1), gid_t(folderGroup)), 0);
    QCOMPARE(::chmod(folder.constData(), mode_t(folderMode)), 0);
    const SettingsLocation location = SettingsLocation::choose(programFolder(), configHome());
    QCOMPARE(location.file, userFileUsed ? userFile() : beside());
    const LoadedSettings loaded = loadSettings(location);
    QCOMPARE(loaded.record.SoundFile, besideRead ? u"a.wav"_s : u"törö.wav"_s);
    QCOMPARE(loaded.Stunde + u':' + loaded.Minute, besideRead ? u"3:33"_s : u"12:30"_s);
}

void tst_TAlarmSettings::linkOfAnotherUserIsNotWrittenThrough()
{
    // A program folder anyone may write, and in it another user's link to
    // this user's notes: the save goes to the user's own file.
    if (::geteuid() != 0)
        QSKIP("needs root to give a link to another user");
    const QString notes = m_dir->filePath(u"home/notes.txt"_s);
    put(notes, "Einkaufen: Milch\n");
    QVERIFY(QFile::link(notes, beside()));
    QCOMPARE(::lchown(QFile::encodeName(beside()).constData(), 65534, 65534), 0);
    QCOMPARE(::chmod(QFile::encodeName(programFolder()).constData(), 0777), 0);
    const SettingsLocation location = SettingsLocation::choose(programFolder(), configHome());
    saveSoundChoice(location, {u"mein.wav"_s, false, false, true});
    QFile file(notes);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), "Einkaufen: Milch\n"_ba);
    QCOMPARE(SettingsFile(userFile()).readString(u"Sound"_s, u"File"_s, QString()), u"mein.wav"_s);
}

void tst_TAlarmSettings::userFolderIsTheUsersAlone()
{
    if (!protect(programFolder()))
        QSKIP("cannot make a folder unwritable here");
    const SettingsLocation location = SettingsLocation::choose(programFolder(), configHome());
    saveSoundChoice(location, {u"mein.wav"_s, false, false, true});
    for (const QString &folder : {configHome(), configHome() + u"/brenvik-timer"_s}) {
        struct stat info = {};
        QCOMPARE(::stat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));
    }
}

QTEST_GUILESS_MAIN(tst_TAlarmSettings)
#include "tst_talarmsettings.moc"
