#include "settings/settingsfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <array>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(SettingsFile::WriteCalls)

namespace {

// The text in UTF-16 with its byte-order mark.
QByteArray utf16(const QString &text, bool littleEndian)
{
    QByteArray bytes;
    for (const QChar ch : u"\uFEFF"_s + text) {
        const char lo = char(ch.unicode() & 0xFF), hi = char(ch.unicode() >> 8);
        bytes.append(littleEndian ? lo : hi).append(littleEndian ? hi : lo);
    }
    return bytes;
}

} // namespace

class tst_SettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsAsWindowsDid_data();
    void readsAsWindowsDid();
    void readsAgainWhenTheFileChanges();
    void readsBooleans_data();
    void readsBooleans();

    void writes_data();
    void writes();
    void writeKeepsAHandWrittenFileByteForByte();
    void writeKeepsTheBytesOfOtherLines_data();
    void writeKeepsTheBytesOfOtherLines();
    void writeChangesOnlyItsKeyInRandomFiles();
    void writeKeepsPermissionsAndLeavesNoTemporaryFile();
    void writeFollowsASymbolicLink();
    void writeRefusesALinkOfAnotherUser();
    void writeDoesNotWaitForALockHeldElsewhere();
    void failedWriteRaisesWithTheFullPath_data();
    void failedWriteRaisesWithTheFullPath();
    void failedWriteLeavesTheOldFile_data();
    void failedWriteLeavesTheOldFile();
    void fullDiskLeavesTheOldFile();
    void notARegularFile_data();
    void notARegularFile();
    void saveIsWholeWhenKilled();

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
    QTest::newRow("CR line ends") << "[Meldung]\rStunde=7\r[Sound]\rFile=x\rSong=y\r"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("mixed line ends") << "[Meldung]\r\nStunde=7\r[Sound]\n\rFile=x\r\n"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("UTF-16 LE with its mark")
        << utf16(u"[Sound]\r\nFile=törö€.wav\r\n"_s, true) << u"Sound"_s << u"File"_s << u"törö€.wav"_s;
    QTest::newRow("UTF-16 BE with its mark")
        << utf16(u"[Sound]\nFile=ä"_s, false) << u"Sound"_s << u"File"_s << u"ä"_s;
    QTest::newRow("no line end at the end") << "[Sound]\r\nFile=x"_ba << u"Sound"_s << u"File"_s << u"x"_s;
    QTest::newRow("Windows-1252 umlauts") << "[Sound]\r\nFile=t\xF6r\xF6.wav\r\n"_ba << u"Sound"_s << u"File"_s << u"törö.wav"_s;
    QTest::newRow("Windows-1252 euro and quotes") << "[Meldung]\nAlarmMeldung=\x80 \x84z\x93\n"_ba << u"Meldung"_s << u"AlarmMeldung"_s << u"€ „z“"_s;
    QTest::newRow("UTF-8 umlauts") << "[Sound]\nFile=törö.wav\n"_ba << u"Sound"_s << u"File"_s << u"törö.wav"_s;
    QTest::newRow("umlaut in a section name") << "[Grüße]\nA=1\n"_ba << u"GRÜSSE"_s << u"A"_s << d;
    QTest::newRow("umlaut section in another case") << "[grüße]\nA=1\n"_ba << u"Grüße"_s << u"A"_s << u"1"_s;
    QTest::newRow("value cut to 2047 characters")
        << "[Sound]\nFile="_ba + QByteArray(3000, 'x') + "\n"_ba << u"Sound"_s << u"File"_s << QString(2047, u'x');
    QTest::newRow("a key past the first megabyte is missing")
        << "[Sound]\n"_ba + QByteArray(SettingsFile::MaxFileSize, ';') + "\nFile=x\n"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("a key cut by the first megabyte is missing")
        << "[Sound]\n"_ba + QByteArray(SettingsFile::MaxFileSize - 12, ';') + "\nFile=abcdefghijk\n"_ba << u"Sound"_s << u"File"_s << d;
    QTest::newRow("a key within the first megabyte of a bigger file")
        << "[Sound]\nFile=x\n"_ba + QByteArray(SettingsFile::MaxFileSize, ';') << u"Sound"_s << u"File"_s << u"x"_s;
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

void tst_SettingsFile::readsAgainWhenTheFileChanges()
{
    // Changed in place, to the same size: the object must not answer from what it read before.
    put("[Sound]\nFile=a\n");
    const SettingsFile settings(iniPath());
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, {}), u"a"_s);
    put("[Sound]\nFile=b\n");
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, {}), u"b"_s);
    QFile::remove(iniPath());
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, u"dflt"_s), u"dflt"_s);
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
    QTest::newRow("CR line ends stay CR")
        << "[Sound]\rFile=a\rSong=y\r"_ba << u"Sound"_s << u"Ohne"_s << u"1"_s
        << "[Sound]\rFile=a\rSong=y\rOhne=1\r"_ba << u"1"_s;
    QTest::newRow("mixed line ends stay as they were")
        << "[Meldung]\r\nStunde=7\r[Sound]\nFile=a\n\r"_ba << u"Sound"_s << u"File"_s << u"b"_s
        << "[Meldung]\r\nStunde=7\r[Sound]\nFile=b\n\r"_ba << u"b"_s;
    QTest::newRow("Windows-1252 file whose only high byte is overwritten keeps its other keys")
        << "[Meldung]\nAlarmMeldung=\xC3\x84rger\n[Sound]\nFile=t\xF6r\xF6.wav\n"_ba << u"Sound"_s << u"File"_s << u"a.wav"_s
        << "[Meldung]\nAlarmMeldung=\xC3\x83\xE2\x80\x9Erger\n[Sound]\nFile=a.wav\n"_ba << u"a.wav"_s;
    QTest::newRow("UTF-16 LE file stays UTF-16 LE")
        << utf16(u"[Sound]\r\nFile=a\r\n"_s, true) << u"Sound"_s << u"File"_s << u"ä€"_s
        << utf16(u"[Sound]\r\nFile=ä€\r\n"_s, true) << u"ä€"_s;
    QTest::newRow("UTF-16 BE file stays UTF-16 BE")
        << utf16(u"[Meldung]\nA=1"_s, false) << u"Sound"_s << u"File"_s << u"日本"_s
        << utf16(u"[Meldung]\nA=1\n[Sound]\nFile=日本\n"_s, false) << u"日本"_s;
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

void tst_SettingsFile::writeKeepsTheBytesOfOtherLines_data()
{
    // Bytes that are no UTF-8 in a file that says it is: what the user had on
    // the lines a save does not write stays exactly as it was.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    const QByteArray bom = "\xEF\xBB\xBF";
    QTest::newRow("marked UTF-8, invalid bytes in another section")
        << bom + "[Meldung]\r\nAlarmMeldung=Caf\xE9 \xFF\r\n[Sound]\r\nFile=a.wav\r\n"
        << bom + "[Meldung]\r\nAlarmMeldung=Caf\xE9 \xFF\r\n[Sound]\r\nFile=b.wav\r\n";
    QTest::newRow("marked UTF-8, invalid bytes beside the key written")
        << bom + "[Sound]\nSong=\xC3\nFile=a.wav\n; \x80\x81\n"
        << bom + "[Sound]\nSong=\xC3\nFile=b.wav\n; \x80\x81\n";
    QTest::newRow("marked UTF-8, invalid last line that gets its line end")
        << bom + "[Sound]\nSong=\xE4"
        << bom + "[Sound]\nSong=\xE4\nFile=b.wav\n";
    QTest::newRow("marked UTF-8, a cut sequence before the line end")
        << bom + "[Meldung]\nStunde=\xE2\x82\r\n"
        << bom + "[Meldung]\nStunde=\xE2\x82\r\n[Sound]\nFile=b.wav\n";
    QTest::newRow("UTF-16 with a lone surrogate")
        << utf16(u"[Meldung]\nA=\xD800\n[Sound]\nFile=a.wav\n"_s, true)
        << utf16(u"[Meldung]\nA=\xD800\n[Sound]\nFile=b.wav\n"_s, true);
}

void tst_SettingsFile::writeKeepsTheBytesOfOtherLines()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    put(before);
    SettingsFile settings(iniPath());
    settings.writeString(u"Sound"_s, u"File"_s, u"b.wav"_s);
    QCOMPARE(contents(), after);
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, QString()), u"b.wav"_s);
}

void tst_SettingsFile::writeChangesOnlyItsKeyInRandomFiles()
{
    // Files pieced together from lines that real Timer.ini files hold; after any
    // write the written key reads back and every other key reads as before.
    const QList<QByteArray> pieces = {
        "[Sound]", "[sound]", " [ SOUND ] ", "[Meldung]", "[Other]", "", "   ", "; File=c",
        "File=a", " file = b ", "File", "Ohne=1", "Song=\"x\"", "Stunde=7", "Stunde =",
        "Gr\xC3\xBC\xC3\x9F" "e=\xC3\xA4", "[", "=v", "Song='Für'",
        "AlarmMeldung=\xC3\x84rger", "File=t\xF6r\xF6", "Stunde=\x80", "Song=\xE2\x82\xAC"};
    const QList<std::pair<QString, QString>> keys = {
        {u"Sound"_s, u"File"_s}, {u"Sound"_s, u"Ohne"_s}, {u"Sound"_s, u"Song"_s},
        {u"Meldung"_s, u"Stunde"_s}, {u"Meldung"_s, u"AlarmMeldung"_s}, {u"Other"_s, u"File"_s},
        {u"Neu"_s, u"Key"_s}};
    const QStringList values = {u"x.wav"_s, u"1"_s, QString(), u"Grüße"_s, u" a "_s, u"\"q\""_s,
                                u"a=b"_s, u";"_s};
    QRandomGenerator random(20261210);
    for (int round = 0; round < 400; ++round) {
        QByteArray before;
        const int lines = random.bounded(12);
        for (int i = 0; i < lines; ++i) {
            before += pieces[random.bounded(pieces.size())];
            if (i + 1 < lines || random.bounded(2))
                before += std::array{"\r\n", "\n", "\r"}[random.bounded(3)];
        }
        put(before);
        SettingsFile settings(iniPath());
        QStringList readBefore;
        for (const auto &[section, key] : keys)
            readBefore << settings.readString(section, key, u"<none>"_s);

        const auto written = random.bounded(keys.size());
        const QString value = values[random.bounded(values.size())];
        settings.writeString(keys[written].first, keys[written].second, value);

        const QByteArray after = contents();
        for (qsizetype k = 0; k < keys.size(); ++k) {
            const QString expected = k == written ? value : readBefore[k];
            const QString actual = settings.readString(keys[k].first, keys[k].second, u"<none>"_s);
            if (actual != expected) {
                qWarning("before: %s\nafter: %s", before.toPercentEncoding(" =[];").constData(),
                         after.toPercentEncoding(" =[];").constData());
                QCOMPARE(actual, expected);
            }
        }
        const auto lineEnds = [](const QByteArray &bytes) {
            return bytes.count('\n') + bytes.count('\r') - bytes.count("\r\n");
        };
        const auto added = lineEnds(after) - lineEnds(before);
        QVERIFY2(added >= 0 && added <= 3, after.constData()); // a line end, a section, a key
    }
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

void tst_SettingsFile::writeRefusesALinkOfAnotherUser()
{
    // Another user's link chooses the file: the user's notes would be written.
    if (::geteuid() != 0)
        QSKIP("needs root to give a link to another user");
    const QString notes = m_dir->filePath(u"notes.txt"_s);
    QFile t(notes);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("Einkaufen\n");
    t.close();
    QVERIFY(QFile::link(notes, iniPath()));
    QCOMPARE(::lchown(QFile::encodeName(iniPath()).constData(), 65534, 65534), 0);
    try {
        SettingsFile(iniPath()).writeString(u"Sound"_s, u"File"_s, u"b"_s);
        QFAIL("wrote through another user's link");
    } catch (const ESettingsWriteError &error) {
        QCOMPARE(error.message(), u"nach %1 kann nicht geschrieben werden"_s.arg(iniPath()));
    }
    QVERIFY(t.open(QIODevice::ReadOnly));
    QCOMPARE(t.readAll(), "Einkaufen\n"_ba);
}

void tst_SettingsFile::writeDoesNotWaitForALockHeldElsewhere()
{
    // Whoever may open the folder may lock it, and keep it locked: the save
    // fails as any failed save does, and the file stays as it was.
    put("[Sound]\nFile=a\n");
    const int holder = ::open(QFile::encodeName(m_dir->path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    QVERIFY(holder >= 0);
    QCOMPARE(::flock(holder, LOCK_EX), 0);
    SettingsFile settings(iniPath());
    try {
        settings.writeString(u"Sound"_s, u"File"_s, u"b"_s);
        QFAIL("saved under another's lock");
    } catch (const ESettingsWriteError &error) {
        QCOMPARE(error.message(), u"nach %1 kann nicht geschrieben werden"_s.arg(iniPath()));
    }
    QCOMPARE(contents(), "[Sound]\nFile=a\n"_ba);
    ::close(holder);
    settings.writeString(u"Sound"_s, u"File"_s, u"b"_s);
    QCOMPARE(contents(), "[Sound]\nFile=b\n"_ba);
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
    } catch (const ESettingsWriteError &error) {
        QCOMPARE(error.message(), u"nach %1 kann nicht geschrieben werden"_s.arg(path));
    }
    QCOMPARE(QFileInfo(path).isDir(), makeDirectory);
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, u"dflt"_s), u"dflt"_s);
}

void tst_SettingsFile::failedWriteLeavesTheOldFile_data()
{
    using Calls = SettingsFile::WriteCalls;
    QTest::addColumn<Calls>("calls");
    auto failWith = [](int error) {
        return [error](auto...) {
            errno = error;
            return -1;
        };
    };
    Calls diskFull;
    diskFull.write = failWith(ENOSPC);
    QTest::newRow("write: disk full") << diskFull;
    Calls shortThenFull;
    shortThenFull.write = [calls = 0](int fd, const void *data, size_t) mutable -> ssize_t {
        if (calls++ == 0)
            return ::write(fd, data, 3);
        errno = ENOSPC;
        return -1;
    };
    QTest::newRow("write: some bytes, then disk full") << shortThenFull;
    Calls nothingWritten;
    nothingWritten.write = [](int, const void *, size_t) -> ssize_t { return 0; };
    QTest::newRow("write: no progress") << nothingWritten;
    Calls fsyncFails;
    fsyncFails.fsync = failWith(EIO);
    QTest::newRow("fsync") << fsyncFails;
    Calls closeFails;
    closeFails.close = [](int fd) {
        ::close(fd);
        errno = EDQUOT;
        return -1;
    };
    QTest::newRow("close: quota") << closeFails;
    Calls renameFails;
    renameFails.rename = failWith(EXDEV);
    QTest::newRow("rename") << renameFails;
}

void tst_SettingsFile::failedWriteLeavesTheOldFile()
{
    QFETCH(SettingsFile::WriteCalls, calls);
    const QByteArray before = "[Meldung]\nStunde=7\n[Sound]\nFile=alt.wav\nOhne=1\n"_ba;
    put(before);
    SettingsFile settings(iniPath());
    settings.setWriteCalls(calls);
    try {
        settings.writeStrings({{u"Sound"_s, u"File"_s, u"neu.wav"_s}, {u"Sound"_s, u"Ohne"_s, u"0"_s}});
        QFAIL("the write did not fail");
    } catch (const ESettingsWriteError &error) {
        QCOMPARE(error.message(), u"nach %1 kann nicht geschrieben werden"_s.arg(iniPath()));
    }
    QCOMPARE(contents(), before);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"Timer.ini"_s});
}

void tst_SettingsFile::fullDiskLeavesTheOldFile()
{
    // A small file system of its own, filled up to the last block.
    const QString mountPoint = m_dir->filePath(u"small"_s);
    QVERIFY(QDir().mkpath(mountPoint));
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("mounting a tmpfs needs root");
    auto unmount = qScopeGuard([&] { ::umount2(QFile::encodeName(mountPoint).constData(), MNT_DETACH); });
    const QString path = mountPoint + u"/Timer.ini"_s;
    const QByteArray before = "[Meldung]\r\nAlarmMeldung=Aufstehen\r\n[Sound]\r\nFile=alt.wav\r\nOhne=1\r\n"_ba;
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(before), before.size());
    }
    {
        QFile filler(mountPoint + u"/filler"_s);
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) > 0) {
        }
    }
    SettingsFile settings(path);
    QVERIFY_THROWS_EXCEPTION(ESettingsWriteError,
                             settings.writeStrings({{u"Sound"_s, u"File"_s, QString(200, u'n')},
                                                    {u"Sound"_s, u"Ohne"_s, u"0"_s},
                                                    {u"Sound"_s, u"Speaker"_s, u"0"_s},
                                                    {u"Sound"_s, u"Soundkarte"_s, u"1"_s}}));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden),
             QStringList({u"filler"_s, u"Timer.ini"_s}));
}

void tst_SettingsFile::notARegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a FIFO: no hang") << u"fifo"_s;
    QTest::newRow("a link to /dev/zero: no endless read") << u"zero"_s;
    QTest::newRow("a folder") << u"folder"_s;
    QTest::newRow("a file bigger than read") << u"big"_s;
}

void tst_SettingsFile::notARegularFile()
{
    QFETCH(QString, kind);
    const QByteArray name = QFile::encodeName(iniPath());
    QByteArray big;
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(name.constData(), 0644), 0);
    else if (kind == u"zero")
        QVERIFY(QFile::link(u"/dev/zero"_s, iniPath()));
    else if (kind == u"folder")
        QVERIFY(QDir().mkpath(iniPath()));
    else {
        big = "[Sound]\nFile=a\n"_ba + QByteArray(3 * SettingsFile::MaxFileSize, '\n') + "Ohne=0\n"_ba;
        put(big);
    }
    struct stat before = {};
    QCOMPARE(::lstat(name.constData(), &before), 0);

    SettingsFile settings(iniPath());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(settings.readString(u"Sound"_s, u"File"_s, u"dflt"_s), kind == u"big" ? u"a"_s : u"dflt"_s);
    QCOMPARE(settings.readBool(u"Sound"_s, u"Ohne"_s, true), true);
    QVERIFY_THROWS_EXCEPTION(ESettingsWriteError,
                             settings.writeString(u"Sound"_s, u"File"_s, u"b"_s));
    QVERIFY2(timer.elapsed() < 10000, "reading took too long");

    struct stat after = {};
    QCOMPARE(::lstat(name.constData(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
    if (kind == u"big")
        QCOMPARE(contents(), big);
}

void tst_SettingsFile::saveIsWholeWhenKilled()
{
    // Two programs save whole choices in a loop and are killed at random
    // moments: the file must always hold one whole choice, never a mix.
    const QByteArray base = "[Meldung]\nAlarmMeldung=Aufstehen\n[Sound]\nFile=x\nOhne=1\nSpeaker=0\nSoundkarte=0\nSong=Entertainer\n"_ba;
    QList<QByteArray> whole{base};
    for (const char *state : {"0", "1", "2", "3"}) {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Timer.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(base);
        file.close();
        QProcess once;
        once.start(QStringLiteral(SETTINGS_SAVE_DRIVER), {path, QString::fromLatin1(state), u"once"_s});
        QVERIFY(once.waitForFinished());
        QCOMPARE(once.exitCode(), 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        whole << file.readAll();
    }
    put(base);
    QRandomGenerator random(4711);
    for (int kill = 0; kill < 60; ++kill) {
        QProcess first, second;
        first.start(QStringLiteral(SETTINGS_SAVE_DRIVER), {iniPath(), u"0"_s, u"1"_s});
        second.start(QStringLiteral(SETTINGS_SAVE_DRIVER), {iniPath(), u"2"_s, u"3"_s});
        QVERIFY(first.waitForReadyRead(20000) && second.waitForReadyRead(20000));
        QThread::usleep(random.bounded(20000));
        ::kill(pid_t(first.processId()), SIGKILL);
        QThread::usleep(random.bounded(3000));
        ::kill(pid_t(second.processId()), SIGKILL);
        QVERIFY(first.waitForFinished() && second.waitForFinished());
        const QByteArray now = contents();
        QVERIFY2(whole.contains(now), now.constData());
    }
}

QTEST_GUILESS_MAIN(tst_SettingsFile)
#include "tst_settingsfile.moc"
