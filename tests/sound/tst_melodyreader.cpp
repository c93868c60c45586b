#include "sound/melodyreader.h"
#include "base/errors.h"
#include "sound/ebeeperror.h"
#include "sound/notetable.h"
#include "tests/fakes/recordingbeeper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

const QString NotFound = u"Can Not Locate Song %1 in melodies.msk"_s;
const QString WrongChar = u"Beeper: Wrong Char"_s;

// '`' stands for a NUL byte.
QByteArray withNul(QByteArray text)
{
    return text.replace('`', '\0');
}

QString notInteger(const QString &text)
{
    return u"'%1' ist kein gültiger Integerwert"_s.arg(text);
}

} // namespace

class tst_MelodyReader : public QObject
{
    Q_OBJECT

private slots:
    void noteTable();
    void reads_data();
    void reads();
    void playMelodyReadsTheFileAnewEachTime();
    void playMelodyUnopenableFile_data();
    void playMelodyUnopenableFile();
    void playMelodyReadsOnlyTheBeginningOfAHugeFile();
    void playMelodyErrorTypes();
};

void tst_MelodyReader::noteTable()
{
    QCOMPARE(NoteTable.size(), size_t(61));
    QCOMPARE(NoteTable.front().name, "C_0");
    QCOMPARE(NoteTable.front().frequency, 65);
    QCOMPARE(NoteTable[14].name, "D");
    QCOMPARE(NoteTable[14].frequency, 149);
    QCOMPARE(NoteTable[18].name, "Fp");
    QCOMPARE(NoteTable[18].frequency, 189);
    QCOMPARE(NoteTable[33].name, "A_1");
    QCOMPARE(NoteTable[33].frequency, 440);
    QCOMPARE(NoteTable[59].name, "B_3");
    QCOMPARE(NoteTable[59].frequency, 1975);
    QCOMPARE(NoteTable.back().name, "REST");
    QCOMPARE(NoteTable.back().frequency, 1);
}

// Each row: the file's text, the song, the steps played ("frequency/duration")
// and the message raised afterwards (empty: the melody ends normally).
void tst_MelodyReader::reads_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("song");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("error");

    const QByteArray scale = "Tonleiter\nC_1,200, D_1,200, E_1,200, F_1,200,\nG_1,400, REST,200, G_1,400,\nFINE\n";
    QTest::newRow("example") << scale << u"Tonleiter"_s
                             << u"261/200 293/200 329/200 349/200 392/400 1/200 392/400"_s << QString();
    QTest::newRow("not found") << scale << u"Walzer"_s << QString() << NotFound.arg(u"Walzer"_s);
    QTest::newRow("empty name") << scale << QString() << QString() << NotFound.arg(QString());
    QTest::newRow("empty file") << QByteArray() << u"Tonleiter"_s << QString() << NotFound.arg(u"Tonleiter"_s);
    QTest::newRow("case-sensitive name") << scale << u"tonleiter"_s << QString() << NotFound.arg(u"tonleiter"_s);
    QTest::newRow("first occurrence counts, even inside a longer name")
        << QByteArray("Marsch\nC_1,10, FINE\nMar\nD_1,20, FINE") << u"Mar"_s << QString() << WrongChar;
    QTest::newRow("first occurrence counts, even at the end of a longer name")
        << QByteArray("Schlaflied\nC_1,10, FINE\nlied\nD_1,20, FINE") << u"lied"_s << u"261/10"_s << QString();
    QTest::newRow("FINE first plays nothing") << QByteArray("Leer\nFINE C_1,100,") << u"Leer"_s << QString() << QString();
    QTest::newRow("FINEST ends the melody") << QByteArray("M\nC_1,10, FINEST,10, D_1,10,") << u"M"_s << u"261/10"_s << QString();
    QTest::newRow("FINE without commas") << QByteArray("M C_1,10,FINE") << u"M"_s << u"261/10"_s << QString();
    QTest::newRow("unknown, lower-case and blank-padded names are skipped")
        << QByteArray("M\nH_1,100, c_1,100, C_1 ,100, X_9,abc, D_1,50, FINE") << u"M"_s << u"293/50"_s << QString();
    QTest::newRow("REST is a rest") << QByteArray("M\nREST,500, FINE") << u"M"_s << u"1/500"_s << QString();
    QTest::newRow("blank before the comma after earlier notes")
        << QByteArray("M\nC_1,10, D_1,20, C_1,100 , E_1,30, FINE") << u"M"_s << u"261/10 293/20"_s << notInteger(u"100 "_s);
    QTest::newRow("letters as duration") << QByteArray("M\nC_1,abc, FINE") << u"M"_s << QString() << notInteger(u"abc"_s);
    // "$" and "-" are separators where a token is looked for, so only "x"
    // hexadecimal and no sign can reach the conversion.
    QTest::newRow("hexadecimal duration") << QByteArray("M\nC_1,$64, A_1,x1F, FINE") << u"M"_s << u"261/64 440/31"_s << QString();
    QTest::newRow("a minus sign is a separator") << QByteArray("M\nREST,-50, FINE") << u"M"_s << u"1/50"_s << QString();
    QTest::newRow("no comma after the note name") << QByteArray("M\nC_1,10, D_1") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("no comma after the duration") << QByteArray("M\nC_1,10, D_1,20") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("data ends after a note name's comma") << QByteArray("M\nC_1,10, D_1,") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("data ends before FINE") << QByteArray("M\nC_1,10, D_1,20,\n") << u"M"_s << u"261/10 293/20"_s << QString();
    QTest::newRow("data ends right after the name") << QByteArray("Ende") << u"Ende"_s << QString() << QString();
    QTest::newRow("data ends one character after the name") << QByteArray("Ende\n") << u"Ende"_s << QString() << QString();
    QTest::newRow("name directly followed by a token character loses it")
        << QByteArray("TonleiterC_1,100, D_1,100, FINE") << u"Tonleiter"_s << u"293/100"_s << QString();
    QTest::newRow("any separators between entries")
        << QByteArray("M\r\n\tC_1 ,5,;!\"#C_2,20,\xE4\xFC{|}~\x7F D_1,30,.FINE")
        << u"M"_s << u"523/20 293/30"_s << QString();
    QTest::newRow("separators inside a token belong to it")
        << QByteArray("M\nC\n1,10, C_1,1\n0, FINE") << u"M"_s << QString() << notInteger(u"1\n0"_s);
    QTest::newRow("NUL between entries is skipped")
        << withNul("M\nC_1,10,`` D_1,20, FINE") << u"M"_s << u"261/10 293/20"_s << QString();
    QTest::newRow("name after a NUL is not found")
        << withNul("X`M\nC_1,10, FINE") << u"M"_s << QString() << NotFound.arg(u"M"_s);
    QTest::newRow("NUL before the comma")
        << withNul("M\nC_1,10, D_1`,20, FINE") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("NUL inside FINE does not end the melody")
        << withNul("M\nC_1,10, FIN`E") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("note name over 4 characters")
        << QByteArray("M\nC_1,10, Cp_1x,20, FINE") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("duration over 4 characters")
        << QByteArray("M\nC_1,10, D_1,10000, FINE") << u"M"_s << u"261/10"_s << WrongChar;
    QTest::newRow("duration of 4 characters") << QByteArray("M\nD_1,9999, FINE") << u"M"_s << u"293/9999"_s << QString();
    QTest::newRow("UTF-8 name") << QByteArray("T\xC3\xB6r\xC3\xB6\nA_1,10, FINE") << u"Törö"_s << u"440/10"_s << QString();
    QTest::newRow("Latin-1 name") << QByteArray("T\xF6r\xF6\nA_1,10, FINE") << u"Törö"_s << u"440/10"_s << QString();
    QTest::newRow("Windows-1252 euro sign")
        << QByteArray("\x80uro\nA_1,10, FINE") << u"€uro"_s << u"440/10"_s << QString();
    QTest::newRow("Windows-1252 quotes")
        << QByteArray("\x84Wecker\x93\nA_1,10, FINE") << u"„Wecker“"_s << u"440/10"_s << QString();
    QTest::newRow("Windows-1252 caron and umlauts")
        << QByteArray("\x8Akoda Gr\xFC\xDF" "e \xC4\nA_1,10, FINE") << u"Škoda Grüße Ä"_s << u"440/10"_s << QString();
    QTest::newRow("UTF-8 euro sign")
        << QByteArray("\xE2\x82\xACuro\nA_1,10, FINE") << u"€uro"_s << u"440/10"_s << QString();
    // Latin-1 would take U+0080 as byte 0x80, which Windows-1252 reads as the euro sign.
    QTest::newRow("C1 control is no euro sign")
        << QByteArray("\x80uro\nA_1,10, FINE") << u"\u0080uro"_s << QString() << NotFound.arg(u"\u0080uro"_s);
    QTest::newRow("character outside Windows-1252")
        << QByteArray("T\xF6r\xF6 ?\nA_1,10, FINE") << u"Törö Ω"_s << QString() << NotFound.arg(u"Törö Ω"_s);
}

void tst_MelodyReader::reads()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, song);
    QFETCH(QString, steps);
    QFETCH(QString, error);

    QStringList played;
    QString raised;
    try {
        readMelody(text, song, u"melodies.msk"_s, [&](quint16 frequency, qint32 duration) {
            played << u"%1/%2"_s.arg(frequency).arg(duration);
        });
    } catch (const Exception &e) {
        raised = e.message();
    }
    QCOMPARE(played.join(u' '), steps);
    QCOMPARE(raised, error);
}

void tst_MelodyReader::playMelodyReadsTheFileAnewEachTime()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Timer.msk"_s);
    RecordingBeeper beeper;
    for (const char *text : {"Lied\nC_1,100, FINE\n", "Lied\nA_1,50, FINE\n"}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        beeper.PlayMelody(path, u"Lied"_s);
    }
    QCOMPARE(beeper.steps, (QStringList{u"261/100"_s, u"440/50"_s}));
}

void tst_MelodyReader::playMelodyUnopenableFile_data()
{
    // A FIFO nobody writes to would hold the window's thread for good.
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << u"missing"_s;
    QTest::newRow("a FIFO nobody writes to") << u"fifo"_s;
    QTest::newRow("a folder") << u"folder"_s;
    QTest::newRow("a device") << u"device"_s;
}

void tst_MelodyReader::playMelodyUnopenableFile()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QString path = dir.filePath(u"Timer.msk"_s);
    const QByteArray name = QFile::encodeName(path);
    if (kind == u"fifo"_s)
        QCOMPARE(::mkfifo(name.constData(), 0600), 0);
    else if (kind == u"folder"_s)
        QVERIFY(QDir().mkdir(path));
    else if (kind == u"device"_s)
        path = u"/dev/zero"_s;
    RecordingBeeper beeper;
    try {
        beeper.PlayMelody(path, u"Lied"_s);
        QFAIL("no exception");
    } catch (const EFOpenError &e) {
        QCOMPARE(e.message(), u"Datei %1 kann nicht geöffnet werden"_s.arg(path));
    }
    QVERIFY(beeper.steps.isEmpty());
}

void tst_MelodyReader::playMelodyReadsOnlyTheBeginningOfAHugeFile()
{
    // Most of it a hole: big on paper, nothing on the disk.
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Timer.msk"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Vorn\nC_1,100, FINE\n");
    QVERIFY(file.resize(700 * 1024 * 1024));
    QVERIFY(file.seek(700 * 1024 * 1024));
    file.write("Hinten\nA_1,50, FINE\n");
    file.close();
    RecordingBeeper beeper;
    beeper.PlayMelody(path, u"Vorn"_s);
    QCOMPARE(beeper.steps, QStringList{u"261/100"_s});
    // Past the first megabyte, as a key past it in Timer.ini: not there.
    QVERIFY_THROWS_EXCEPTION(EBeepError, beeper.PlayMelody(path, u"Hinten"_s));
}

void tst_MelodyReader::playMelodyErrorTypes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"Timer.msk"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("A\nC_1,x, FINE\nB\nC_1 FINE\n");
    file.close();
    RecordingBeeper beeper;
    QVERIFY_THROWS_EXCEPTION(EConvertError, beeper.PlayMelody(path, u"A"_s));
    QVERIFY_THROWS_EXCEPTION(EBeepError, beeper.PlayMelody(path, u"B"_s));
    QVERIFY_THROWS_EXCEPTION(EBeepError, beeper.PlayMelody(path, u"Z"_s));
}

QTEST_GUILESS_MAIN(tst_MelodyReader)
#include "tst_melodyreader.moc"
