#include "platform/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::SettingsFile;

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsAsWindowsDid_data();
    void readsAsWindowsDid();
    void readsBooleans_data();
    void readsBooleans();

    void writes_data();
    void writes();
    void writeKeepsAHandWrittenFileByteForByte();
    void writeKeepsPermissionsAndLeavesNoTemporaryFile();
    void writeFollowsASymbolicLink();
    void failedWriteRaisesWithTheFullPath_data();
    void failedWriteRaisesWithTheFullPath();

private:
    QString iniPath() const { return m_dir->filePath(u"Timer.ini"_s); }
    void put(const QByteArray &bytes) const;
    QByteArray contents() const;

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_SettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_SettingsFile::put(const QByteArray &bytes) const
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray tst_SettingsFile::contents() const
{
    QFile file(iniPath());
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void tst_SettingsFile::readsAsWindowsDid_data()
{
    QTest::addColumn<QByteArray>("file"); // "<missing>": no file at all
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // "<default>": the default "dflt"

    const QString d = u"<default>"_s;
    QTest::newRow("no file") << "<missing>"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("empty file") << ""_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("names in any case") << "[sOuNd]\nfILE=a.wav\n"_ba << u"Sound"_s << u"File"_s << u"a.wav"_s;
    QTest::newRow("blanks around key and value") << "[Sound]\n  File \t=  a b.wav \t\n"_ba << u"Sound"_s << u"File"_s << u"a b.wav"_s;
    QTest::newRow("blanks around the section name") << "  [ Sound ]  \nFile=x\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("text after the section header") << "[Sound] ; Klang\nFile=x\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("double quotes taken off") << "[Sound]\nFile=\"  x  \"\n"_ba << u"Sound"_s << u"File"_s << u"  x  "_s;
    QTest::newRow("single quotes taken off") << "[Sound]\nFile='x'\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("only one pair taken off") << "[Sound]\nFile=\"\"x\"\"\n"_ba << u"Sound"_s << u"File"_s << u"\"x\""_s;
    QTest::newRow("unmatched quotes kept") << "[Sound]\nFile=\"x'\n"_ba << u"Sound"_s << u"File"_s << u"\"x'"_s;
    QTest::newRow("a lone quote kept") << "[Sound]\nFile=\"\n"_ba << u"Sound"_s << u"File"_s << u"\""_s;
    QTest::newRow("first key wins") << "[Sound]\nFile=a\nFILE=b\n"_ba << u"Sound"_s << u"File"_s << u"a"_s;
    QTest::newRow("first section wins") << "[Sound]\nFile=a\n[SOUND]\nFile=b\n"_ba << u"Sound"_s << u"File"_s << u"a"_s;
    QTest::newRow("a second section of the name is not searched")
        << "[Sound]\nSong=x\n[Meldung]\nStunde=1\n[Sound]\nFile=b\n"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("key of another section") << "[Meldung]\nFile=x\n[Sound]\nSong=y\n"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("keys before any section") << "File=x\n[Sound]\nSong=y\n"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("comment lines") << "[Sound]\n;File=x\n  ; File=y\nFile=z\n"_ba << u"Sound"_s << u"File"_s << u"z"_s;
    QTest::newRow("lines without =") << "[Sound]\nFile\nFile x\nFile=z\n"_ba << u"Sound"_s << u"File"_s << u"z"_s;
    QTest::newRow("empty value is a value") << "[Sound]\nFile=\n"_ba << u"Sound"_s << u"File"_s << QString();
    QTest::newRow("= inside the value") << "[Sound]\nFile=a=b\n"_ba << u"Sound"_s << u"File"_s << u"a=b"_s;
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF[Sound]\nFile=x\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("CRLF line ends") << "[Sound]\r\nFile=x\r\nSong=y\r\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("no line end at the end") << "[Sound]\r\nFile=x"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("Windows-1252 umlauts") << "[Sound]\r\nFile=t\xF6r\xF6.wav\r\n"_ba << u"Sound"_s << u"File"_s << u"törö.wav"_s;
    QTest::newRow("Windows-1252 euro and quotes") << "[Meldung]\nAlarmMeldung=\x80 \x84z\x93\n"_ba << u"Meldung"_s << u"AlarmMeldung"_s << u"€ „z“"_s;
    QTest::newRow("UTF-8 umlauts") << "[Sound]\nFile=törö.wav\n"_ba << u"Sound"_s << u"File"_s << u"törö.wav"_s;
    QTest::newRow("umlaut in a section name") << "[Grüße]\nA=1\n"_ba << u"GRÜSSE"_s << u"A"_s << d;
    QTest::newRow("umlaut section in another case") << "[grüße]\nA=1\n"_ba << u"Grüße"_s << u"A"_s << u"1"_s;
    QTest::newRow("value cut to 2047 characters")
        << "[Sound]\nFile="_ba + QByteArray(3000, 'x') + "\n"_ba << u"Sound"_s << u"File"_s << QString(2047, u'x');
    QTest::newRow("2047 umlauts of UTF-8 stay whole")
        << "[Sound]\nFile="_ba + QString(3000, u'ä').toUtf8() << u"Sound"_s << u"File"_s << QString(2047, u'ä');
}

void tst_SettingsFile::readsAsWindowsDid()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    if (file != "<missing>")
        put(file);
    const SettingsFile settings(iniPath());
    const QString value = settings.readString(section, key, u"dflt"_s);
    QCOMPARE(value, expected == u"<default>"_s ? u"dflt"_s : expected);
}

void tst_SettingsFile::readsBooleans_data()
{
    QTest::addColumn<QByteArray>("line"); // under [Sound]; empty: no key at all
    QTest::addColumn<bool>("defaultValue");
    QTest::addColumn<bool>("expected");

    QTest::newRow("1") << "Speaker=1"_ba << false << true;
    QTest::newRow("-1") << "Speaker=-1"_ba << false << true;
    QTest::newRow("7") << "Speaker=7"_ba << false << true;
    QTest::newRow("0x10") << "Speaker=0x10"_ba << false << true;
    QTest::newRow("0X1") << "Speaker=0X1"_ba << false << true;
    QTest::newRow("$A") << "Speaker=$A"_ba << false << true;
    QTest::newRow("blanks around") << "Speaker =  1 "_ba << false << true;
    QTest::newRow("0 against default true") << "Ohne=0"_ba << true << false;
    QTest::newRow("0x0 against default true") << "Ohne=0x0"_ba << true << false;
    QTest::newRow("yes: default false") << "Speaker=yes"_ba << false << false;
    QTest::newRow("yes: default true") << "Ohne=yes"_ba << true << true;
    QTest::newRow("true: default false") << "Speaker=true"_ba << false << false;
    QTest::newRow("ja: default true") << "Ohne=ja"_ba << true << true;
    QTest::newRow("empty: default true") << "Ohne="_ba << true << true;
    QTest::newRow("empty: default false") << "Speaker="_ba << false << false;
    QTest::newRow("decimal point: default") << "Speaker=1.5"_ba << false << false;
    QTest::newRow("beyond 32 bits: default") << "Ohne=4294967296"_ba << true << true;
    QTest::newRow("missing: default true") << ""_ba << true << true;
}

void tst_SettingsFile::readsBooleans()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, defaultValue);
    QFETCH(bool, expected);
    put("[Sound]\n"_ba + line + "\n"_ba);
    const QString key = line.isEmpty() ? u"Ohne"_s : QString::fromLatin1(line.left(line.indexOf('='))).trimmed();
    QCOMPARE(SettingsFile(iniPath()).readBool(u"Sound"_s, key, defaultValue), expected);
}

void tst_SettingsFile::writes_data()
{
    QTest::addColumn<QByteArray>("before"); // "<missing>": no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("creates the file")
        << "<missing>"_ba << u"Sound"_s << u"File"_s << u"a.wav"_s
        << "[Sound]\nFile=a.wav\n"_ba << u"a.wav"_s;
    QTest::newRow("appends a section with the file's line ends")
        << "[Meldung]\r\nStunde=7\r\n"_ba << u"Sound"_s << u"Ohne"_s << u"1"_s
        << "[Meldung]\r\nStunde=7\r\n[Sound]\r\nOhne=1\r\n"_ba << u"1"_s;
    QTest::newRow("ends the last line first")
        << "[Meldung]\nStunde=7"_ba << u"Sound"_s << u"Ohne"_s << u"0"_s
        << "[Meldung]\nStunde=7\n[Sound]\nOhne=0\n"_ba << u"0"_s;
    QTest::newRow("adds the key after the section's last entry")
        << "[Sound]\nOhne=1\n\n[Meldung]\nStunde=7\n"_ba << u"Sound"_s << u"Speaker"_s << u"0"_s
        << "[Sound]\nOhne=1\nSpeaker=0\n\n[Meldung]\nStunde=7\n"_ba << u"0"_s;
    QTest::newRow("adds the key to an empty section")
        << "[Sound]\n[Meldung]\n"_ba << u"sound"_s << u"File"_s << u"x"_s
        << "[Sound]\nFile=x\n[Meldung]\n"_ba << u"x"_s;
    QTest::newRow("replaces in the first section only")
        << "[Sound]\nFile=old\n[Sound]\nFile=other\n"_ba << u"Sound"_s << u"File"_s << u"new"_s
        << "[Sound]\nFile=new\n[Sound]\nFile=other\n"_ba << u"new"_s;
    QTest::newRow("replaces the first of two keys")
        << "[Sound]\nFile=a\nFile=b\n"_ba << u"Sound"_s << u"File"_s << u"c"_s
        << "[Sound]\nFile=c\nFile=b\n"_ba << u"c"_s;
    QTest::newRow("keeps the key's spelling and blanks")
        << "[sound]\r\n  FILE =  old  \r\n"_ba << u"Sound"_s << u"File"_s << u"new"_s
        << "[sound]\r\n  FILE =  new\r\n"_ba << u"new"_s;
    QTest::newRow("Windows-1252 file stays Windows-1252")
        << "[Meldung]\r\nAlarmMeldung=Gr\xFC\xDF" "e\r\n[Sound]\r\nFile=a\r\n"_ba << u"Sound"_s << u"File"_s << u"törö €.wav"_s
        << "[Meldung]\r\nAlarmMeldung=Gr\xFC\xDF" "e\r\n[Sound]\r\nFile=t\xF6r\xF6 \x80.wav\r\n"_ba << u"törö €.wav"_s;
    QTest::newRow("UTF-8 file stays UTF-8 with its mark")
        << "\xEF\xBB\xBF[Sound]\nFile=ä\n"_ba << u"Sound"_s << u"File"_s << u"törö.wav"_s
        << "\xEF\xBB\xBF[Sound]\nFile=törö.wav\n"_ba << u"törö.wav"_s;
    QTest::newRow("Windows-1252 file becomes UTF-8 for what it cannot hold")
        << "[Meldung]\nAlarmMeldung=Gr\xFC\xDF" "e\n"_ba << u"Sound"_s << u"File"_s << u"日本.wav"_s
        << "[Meldung]\nAlarmMeldung=Grüße\n[Sound]\nFile=日本.wav\n"_ba << u"日本.wav"_s;
    QTest::newRow("a line break cannot start a new line")
        << "[Sound]\nFile=a\n"_ba << u"Sound"_s << u"File"_s << u"x\n[Evil]\r\nk=v"_s
        << "[Sound]\nFile=x [Evil] k=v\n"_ba << u"x [Evil] k=v"_s;
    QTest::newRow("blanks at the ends survive in quotes")
        << "[Sound]\nFile=a\n"_ba << u"Sound"_s << u"File"_s << u" a b "_s
        << "[Sound]\nFile=\" a b \"\n"_ba << u" a b "_s;
    QTest::newRow("a quoted value keeps its quotes")
        << "[Sound]\nFile=a\n"_ba << u"Sound"_s << u"File"_s << u"'x'"_s
        << "[Sound]\nFile=\"'x'\"\n"_ba << u"'x'"_s;
    QTest::newRow("empty value")
        << "[Sound]\nFile=a\n"_ba << u"Sound"_s << u"File"_s << QString()
        << "[Sound]\nFile=\n"_ba << QString();
}

void tst_SettingsFile::writes()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QFETCH(QString, readBack);
    if (before != "<missing>")
        put(before);
    SettingsFile settings(iniPath());
    settings.writeString(section, key, value);
    QCOMPARE(contents(), after);
    QCOMPARE(settings.readString(section, key, u"dflt"_s), readBack);
}

void tst_SettingsFile::writeKeepsAHandWrittenFileByteForByte()
{
    const QByteArray before =
        "; Brenvik Timer\r\n"
        "\r\n"
        "[Meldung]\r\n"
        "AlarmMeldung = \"  Aufstehen!  \"\r\n"
        "Stunde=07\r\n"
        "\r\n"
        "[Sound]\r\n"
        "  file = alt.wav   ; not a comment\r\n"
        "; Ohne=1\r\n"
        "Ohne=1\r\n"
        "Speaker\r\n"
        "\r\n"
        "[Extra]\n"
        "Song=Entertainer"_ba;
    put(before);
    SettingsFile settings(iniPath());
    settings.writeString(u"Sound"_s, u"File"_s, u"neu.wav"_s);
    settings.writeBool(u"Sound"_s, u"Ohne"_s, false);
    settings.writeBool(u"Sound"_s, u"Speaker"_s, true);
    settings.writeBool(u"Sound"_s, u"Soundkarte"_s, false);
    QByteArray expected = before;
    expected.replace("  file = alt.wav   ; not a comment\r\n", "  file = neu.wav\r\n");
    expected.replace("Ohne=1\r\nSpeaker\r\n", "Ohne=0\r\nSpeaker\r\nSpeaker=1\r\nSoundkarte=0\r\n");
    QCOMPARE(contents(), expected);
}

void tst_SettingsFile::writeKeepsPermissionsAndLeavesNoTemporaryFile()
{
    put("[Sound]\nFile=a\n");
    const auto permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(iniPath(), permissions));
    SettingsFile(iniPath()).writeString(u"Sound"_s, u"File"_s, u"b"_s);
    QCOMPARE(QFileInfo(iniPath()).permissions() & 0x7077, permissions); // owner, group, others
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Timer.ini"_s});
}

void tst_SettingsFile::writeFollowsASymbolicLink()
{
    // A Timer.ini linked from elsewhere stays a link; the file it points to changes.
    const QString target = m_dir->filePath(u"shared.ini"_s);
    QFile t(target);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("[Sound]\nFile=a\n");
    t.close();
    QVERIFY(QFile::link(target, iniPath()));
    SettingsFile(iniPath()).writeString(u"Sound"_s, u"File"_s, u"b"_s);
    QVERIFY(QFileInfo(iniPath()).isSymLink());
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), "[Sound]\nFile=b\n"_ba);
}

void tst_SettingsFile::failedWriteRaisesWithTheFullPath_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<bool>("makeDirectory");
    // Permission bits do not stop root, so the failures are made otherwise.
    QTest::newRow("the path is a folder") << u"Timer.ini"_s << true;
    QTest::newRow("the folder is missing") << u"gone/Timer.ini"_s << false;
}

void tst_SettingsFile::failedWriteRaisesWithTheFullPath()
{
    QFETCH(QString, relativePath);
    QFETCH(bool, makeDirectory);
    const QString path = m_dir->filePath(relativePath);
    if (makeDirectory)
        QVERIFY(QDir().mkpath(path));
    SettingsFile settings(path);
    try {
        settings.writeString(u"Sound"_s, u"File"_s, u"x"_s);
        QFAIL("the write did not fail");
    } catch (const platform::ESettingsWriteError &error) {
        QCOMPARE(error.message(), u"nach %1 kann nicht geschrieben werden"_s.arg(path));
    }
    QCOMPARE(QFileInfo(path).isDir(), makeDirectory);
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, u"dflt"_s), u"dflt"_s);
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
