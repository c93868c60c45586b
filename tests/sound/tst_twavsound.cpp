#include "sound/twavsound.h"
#include "platform/waveoutput.h"
#include "tests/fakes/fakewaveoutput.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_TWavSound : public QObject
{
    Q_OBJECT

private slots:
    void eventAndServiceSequence_data();
    void eventAndServiceSequence();
    void longNamesAreHandedOnWhole_data();
    void longNamesAreHandedOnWhole();
    void systemOutputIsSilentForUnplayableFiles_data();
    void systemOutputIsSilentForUnplayableFiles();
};

// A script of property writes: "file:NAME", "loop:1", "active:1", "active:0".
// The journal holds the events and the service calls in the order they came.
void tst_TWavSound::eventAndServiceSequence_data()
{
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QStringList>("journal");
    QTest::addColumn<bool>("active");

    QTest::newRow("never assigned: Active stays false, silent")
        << QStringList{u"active:1"_s} << QStringList{} << false;
    QTest::newRow("empty name then Active: two stops, no play")
        << QStringList{u"file:"_s, u"active:1"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"stop"_s, u"AfterPlay"_s} << false;
    QTest::newRow("single play: assignment stops, AfterPlay at once")
        << QStringList{u"file:a.wav"_s, u"active:1"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"play a.wav"_s, u"AfterPlay"_s} << false;
    QTest::newRow("not looping: Active false does nothing")
        << QStringList{u"file:a.wav"_s, u"active:1"_s, u"active:0"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"play a.wav"_s, u"AfterPlay"_s} << false;
    QTest::newRow("loop: stays active, stop raises BeforePlay then AfterPlay")
        << QStringList{u"loop:1"_s, u"file:a.wav"_s, u"active:1"_s, u"active:0"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"loop a.wav"_s,
                       u"BeforePlay"_s, u"stop"_s, u"AfterPlay"_s} << false;
    QTest::newRow("loop activated twice restarts with BeforePlay only")
        << QStringList{u"loop:1"_s, u"file:a.wav"_s, u"active:1"_s, u"active:1"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"loop a.wav"_s,
                       u"BeforePlay"_s, u"loop a.wav"_s} << true;
    QTest::newRow("new file while looping stops but leaves Active true")
        << QStringList{u"loop:1"_s, u"file:a.wav"_s, u"active:1"_s, u"file:b.wav"_s, u"active:0"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"loop a.wav"_s,
                       u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"stop"_s, u"AfterPlay"_s} << false;
    QTest::newRow("unplayable file: state changes as if it played")
        << QStringList{u"file:missing.wav"_s, u"active:1"_s}
        << QStringList{u"BeforePlay"_s, u"stop"_s, u"BeforePlay"_s, u"play missing.wav"_s, u"AfterPlay"_s} << false;
}

void tst_TWavSound::eventAndServiceSequence()
{
    QFETCH(QStringList, script);
    QFETCH(QStringList, journal);
    QFETCH(bool, active);

    QStringList recorded;
    FakeWaveOutput output;
    output.journal = &recorded;
    output.playable = false; // what the player does must not depend on it
    TWavSound player(nullptr, output);
    connect(&player, &TWavSound::BeforePlay, this, [&](QObject *sender) {
        QCOMPARE(sender, &player);
        recorded << u"BeforePlay"_s;
    });
    connect(&player, &TWavSound::AfterPlay, this, [&](QObject *sender) {
        QCOMPARE(sender, &player);
        recorded << u"AfterPlay"_s;
    });

    for (const QString &step : script) {
        const QString value = step.section(u':', 1);
        if (step.startsWith(u"file:"_s))
            player.setProperty("SoundFile", value);
        else if (step.startsWith(u"loop:"_s))
            player.setProperty("SoundLoop", value == u"1"_s);
        else
            player.setProperty("Active", value == u"1"_s);
    }
    QCOMPARE(recorded, journal);
    QCOMPARE(player.property("Active").toBool(), active);
}

void tst_TWavSound::longNamesAreHandedOnWhole_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("131 characters, the old limit") << 131;
    QTest::newRow("132 characters") << 132;
    QTest::newRow("a long path of 1000") << 1000;
}

void tst_TWavSound::longNamesAreHandedOnWhole()
{
    QFETCH(int, length);
    const QString name = u"/"_s + QString(length - 5, u'x') + u".wav"_s;
    QCOMPARE(name.size(), length);
    FakeWaveOutput output;
    TWavSound player(nullptr, output);
    player.setSoundFile(name);
    player.setActive(true);
    QCOMPARE(output.calls.last(), u"play "_s + name);
}

void tst_TWavSound::systemOutputIsSilentForUnplayableFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a wave file") << QByteArray("just some text");
    QTest::newRow("RIFF header only") << QByteArray("RIFF\x04\0\0\0WAVE", 12);
    QTest::newRow("data chunk without format") << QByteArray("RIFF\x10\0\0\0WAVEdata\x04\0\0\0\1\2\3\4", 24);
}

void tst_TWavSound::systemOutputIsSilentForUnplayableFiles()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"broken.wav"_s);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QVERIFY(!platform::WaveOutput::system().play(path, false));
    platform::WaveOutput::system().stop();
}

QTEST_GUILESS_MAIN(tst_TWavSound)
#include "tst_twavsound.moc"
