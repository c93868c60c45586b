#include "platform/programending.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"
#include "tests/fakes/fakeosversion.h"
#include "tests/fakes/fakespeakerports.h"
#include "tests/fakes/faketickcounter.h"
#include "tests/fakes/faketoneoutput.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/recordingbeeper.h"

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// A beeper on fake devices, for either path.
struct Rig
{
    explicit Rig(bool beepService, quint32 ticksStart = 0) : os(beepService), ticks(ticksStart)
    {
        beeper = std::make_unique<TSpeakerBeeper>(nullptr, TSpeakerBeeper::Services{tones, ports, ticks, os});
    }
    FakeOsVersion os;
    FakeToneOutput tones;
    FakeSpeakerPorts ports;
    FakeTickCounter ticks;
    std::unique_ptr<TSpeakerBeeper> beeper;
};

// Counts the posted events it receives.
class EventCounter : public QObject
{
public:
    int count = 0;
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User) {
            ++count;
            return true;
        }
        return QObject::event(e);
    }
};

// Posts an event to `counter` with every tone nobody hears: a rest that
// still runs after it handles the event, a skipped one does not.
class FailingToneOutput : public FakeToneOutput
{
public:
    bool beep(quint16 frequency, quint32 durationMs) override
    {
        const bool heard = FakeToneOutput::beep(frequency, durationMs);
        if (!heard && counter)
            QCoreApplication::postEvent(counter, new QEvent(QEvent::User));
        return heard;
    }
    EventCounter *counter = nullptr;
};

// Keeps a quit request from ending anything in the test itself, once the
// watchers installed later have seen it.
class SwallowQuit : public QObject
{
protected:
    bool eventFilter(QObject *, QEvent *event) override { return event->type() == QEvent::Quit; }
};

} // namespace

class tst_TSpeakerBeeper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void defaults();
    void presetSteps_data();
    void presetSteps();
    void presetOutOfRangePlaysNothing();
    void beatDurationChangesNoStep();
    void constructionSetsTheSharedPath();
    void beepServicePath_data();
    void beepServicePath();
    void directPathPortWrites_data();
    void directPathPortWrites();
    void zeroRestReturnsAtOnce();
    void restHandlesEventsAndLastsItsDuration_data();
    void restHandlesEventsAndLastsItsDuration();
    void directToneHandlesEvents();
    void unheardToneSkipsTheRestOfTheSound_data();
    void unheardToneSkipsTheRestOfTheSound();
    void nextSoundTriesAgain();
    void soundThatCannotGetReadyIsSkipped();
    void programEndingStopsTheSound();

private:
    SwallowQuit m_swallowQuit;
    QTemporaryDir m_dir;
};

void tst_TSpeakerBeeper::initTestCase()
{
    // Before any beeper exists, so that their watcher sees the request first.
    QCoreApplication::instance()->installEventFilter(&m_swallowQuit);
    QVERIFY(m_dir.isValid());
}

void tst_TSpeakerBeeper::defaults()
{
    RecordingBeeper beeper;
    QCOMPARE(beeper.property("BeatDuration").value<TSpeakerBeeper::TBeatDuration>(), TSpeakerBeeper::bd_1000);
    QCOMPARE(beeper.property("DefaultSound").value<TSpeakerBeeper::TPresetSound>(), TSpeakerBeeper::psOK);
    beeper.PlayDefaultSound();
    QCOMPARE(beeper.steps, (QStringList{u"932/100"_s, u"988/100"_s, u"1046/100"_s}));
}

void tst_TSpeakerBeeper::presetSteps_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<QString>("steps");
    QTest::newRow("psOK") << 0 << u"932/100 988/100 1046/100"_s;
    QTest::newRow("psError") << 1 << u"92/150 1/200 65/500"_s;
    QTest::newRow("psWelcome") << 2 << u"932/100 988/100 1046/100 1/100 1046/100 988/100 932/100"_s;
    QTest::newRow("psEmergency") << 3 << u"698/200 494/200 698/200 494/200 698/200 494/200 698/200 494/200"_s;
    QTest::newRow("psWrong") << 4
        << u"261/150 247/50 233/50 220/50 207/50 196/50 189/50 174/50 165/50 155/50 149/50 138/50 131/100 65/200"_s;
    QTest::newRow("psCall") << 5 << u"196/650 1/100 165/500"_s;
    QTest::newRow("psOfficial") << 6
        << u"196/200 1/50 196/200 1/50 196/200 1/50 165/700 1/100 261/200 1/50 261/200 1/50 261/200 1/50 131/700"_s;
    QTest::newRow("psDaze") << 7
        << u"329/100 311/100 293/100 311/100 329/100 311/100 293/100 311/100 329/100 311/100 293/100 311/100"_s;
    QTest::newRow("psFall") << 8
        << u"329/100 311/100 293/100 311/100 349/100 329/100 311/100 329/100 370/100 349/100 329/100 349/100"_s;
    QTest::newRow("psChord") << 9 << u"494/80 466/80 440/80 415/80 392/80 370/80 349/80 329/80 311/80 293/80 277/80 261/80"_s;
    QTest::newRow("psWhisle") << 10 << u"523/80 698/80 784/80 1046/80"_s;
    QTest::newRow("psHanging") << 11
        << u"784/80 1046/80 830/80 1109/80 880/80 1174/80 932/80 1244/80 988/80 1318/80 1046/80 1397/80"_s;
    QTest::newRow("psClimb") << 12 << u"261/80 277/80 293/80 311/80 329/80 349/80 370/80 392/80 415/80 440/80 466/80 494/80"_s;
}

void tst_TSpeakerBeeper::presetSteps()
{
    QFETCH(int, preset);
    QFETCH(QString, steps);
    RecordingBeeper beeper;
    beeper.PlayPreset(TSpeakerBeeper::TPresetSound(preset));
    QCOMPARE(beeper.steps, steps.split(u' '));
    // The default sound is whichever preset is set.
    RecordingBeeper other;
    other.setDefaultSound(TSpeakerBeeper::TPresetSound(preset));
    other.PlayDefaultSound();
    QCOMPARE(other.steps, beeper.steps);
}

void tst_TSpeakerBeeper::presetOutOfRangePlaysNothing()
{
    RecordingBeeper beeper;
    beeper.PlayPreset(TSpeakerBeeper::TPresetSound(13));
    beeper.PlayPreset(TSpeakerBeeper::TPresetSound(255));
    QVERIFY(beeper.steps.isEmpty());
}

void tst_TSpeakerBeeper::beatDurationChangesNoStep()
{
    const QMetaEnum presets = QMetaEnum::fromType<TSpeakerBeeper::TPresetSound>();
    RecordingBeeper reference;
    for (int i = 0; i < presets.keyCount(); ++i)
        reference.PlayPreset(TSpeakerBeeper::TPresetSound(presets.value(i)));
    for (auto beat : {TSpeakerBeeper::bd_500, TSpeakerBeeper::bd_1500, TSpeakerBeeper::bd_2000}) {
        RecordingBeeper beeper;
        beeper.setProperty("BeatDuration", QVariant::fromValue(beat));
        for (int i = 0; i < presets.keyCount(); ++i)
            beeper.PlayPreset(TSpeakerBeeper::TPresetSound(presets.value(i)));
        QCOMPARE(beeper.steps, reference.steps);
    }
}

void tst_TSpeakerBeeper::constructionSetsTheSharedPath()
{
    Rig service(true);
    QVERIFY(TSpeakerBeeper::useBeepService());
    Rig ports(false);
    QVERIFY(!TSpeakerBeeper::useBeepService());
    // The flag is shared: the first beeper now takes the port path too.
    service.beeper->PlayTone(440, 1);
    QVERIFY(service.tones.tones.isEmpty());
    QVERIFY(!service.ports.writes.isEmpty());
}

void tst_TSpeakerBeeper::beepServicePath_data()
{
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("duration");
    QTest::addColumn<int>("expectedDuration");
    QTest::newRow("440 Hz") << 440 << 100 << 100;
    QTest::newRow("below the port range, passed on") << 39 << 100 << 100;
    QTest::newRow("above the port range, passed on") << 5001 << 100 << 100;
    QTest::newRow("highest 16-bit frequency") << 65535 << 10 << 10;
    QTest::newRow("zero duration") << 440 << 0 << 0;
    // A negative duration would block the service for some 49 days.
    QTest::newRow("negative duration is no tone") << 440 << -5 << 0;
}

void tst_TSpeakerBeeper::beepServicePath()
{
    QFETCH(int, frequency);
    QFETCH(int, duration);
    QFETCH(int, expectedDuration);
    Rig rig(true);
    rig.beeper->PlayTone(quint16(frequency), duration);
    QCOMPARE(rig.tones.tones.size(), 1);
    QCOMPARE(int(rig.tones.tones.first().first), frequency);
    QCOMPARE(rig.tones.tones.first().second, quint32(expectedDuration));
    QVERIFY(rig.ports.writes.isEmpty());
}

void tst_TSpeakerBeeper::directPathPortWrites_data()
{
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("port61");
    QTest::addColumn<QStringList>("writes");
    QTest::newRow("39 Hz: silent, gate closed at the end") << 39 << 0x00 << QStringList{u"61=00"_s};
    QTest::newRow("5001 Hz: silent, gate closed at the end") << 5001 << 0x00 << QStringList{u"61=00"_s};
    QTest::newRow("40 Hz: divisor 29829 = 133, 116")
        << 40 << 0x00 << QStringList{u"61=03"_s, u"43=b6"_s, u"42=85"_s, u"42=74"_s, u"61=00"_s};
    QTest::newRow("440 Hz: divisor 2711")
        << 440 << 0x00 << QStringList{u"61=03"_s, u"43=b6"_s, u"42=97"_s, u"42=0a"_s, u"61=00"_s};
    QTest::newRow("5000 Hz: divisor 238 = 238, 0")
        << 5000 << 0x00 << QStringList{u"61=03"_s, u"43=b6"_s, u"42=ee"_s, u"42=00"_s, u"61=00"_s};
    QTest::newRow("other bits of 0x61 are kept")
        << 440 << 0xF0 << QStringList{u"61=f3"_s, u"43=b6"_s, u"42=97"_s, u"42=0a"_s, u"61=f0"_s};
    QTest::newRow("gate bit already set: divisor only")
        << 440 << 0x01 << QStringList{u"42=97"_s, u"42=0a"_s, u"61=00"_s};
    QTest::newRow("data bit already set: divisor only")
        << 440 << 0x02 << QStringList{u"42=97"_s, u"42=0a"_s, u"61=00"_s};
    QTest::newRow("both bits already set: divisor only")
        << 440 << 0x23 << QStringList{u"42=97"_s, u"42=0a"_s, u"61=20"_s};
}

void tst_TSpeakerBeeper::directPathPortWrites()
{
    QFETCH(int, frequency);
    QFETCH(int, port61);
    QFETCH(QStringList, writes);
    Rig rig(false);
    rig.ports.values[0x61] = quint8(port61);
    QElapsedTimer timer;
    timer.start();
    rig.beeper->PlayTone(quint16(frequency), 30);
    QVERIFY(timer.elapsed() >= 30); // silent steps last their duration too
    QCOMPARE(rig.ports.writes, writes);
    QVERIFY(rig.tones.tones.isEmpty());
}

void tst_TSpeakerBeeper::zeroRestReturnsAtOnce()
{
    for (bool beepService : {true, false}) {
        Rig rig(beepService);
        EventCounter counter;
        QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
        rig.beeper->PlayTone(1, 0);
        rig.beeper->PlayTone(1, -100);
        QCOMPARE(counter.count, 0);
        QVERIFY(rig.tones.tones.isEmpty());
        QVERIFY(rig.ports.writes.isEmpty());
        QCoreApplication::sendPostedEvents(&counter);
    }
}

void tst_TSpeakerBeeper::restHandlesEventsAndLastsItsDuration_data()
{
    QTest::addColumn<quint32>("ticksStart");
    QTest::newRow("ordinary") << quint32(1000);
    QTest::newRow("across the counter's wrap") << quint32(4294967295u - 50);
    QTest::newRow("starting at the last value") << quint32(4294967295u);
}

void tst_TSpeakerBeeper::restHandlesEventsAndLastsItsDuration()
{
    QFETCH(quint32, ticksStart);
    Rig rig(true, ticksStart);
    EventCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    int timerFired = 0;
    QTimer pending;
    pending.setSingleShot(true);
    connect(&pending, &QTimer::timeout, this, [&] { ++timerFired; });
    pending.start(80);
    QElapsedTimer timer;
    timer.start();
    rig.beeper->PlayTone(1, 200);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(counter.count, 1);
    QCOMPARE(timerFired, 1);
    QVERIFY2(elapsed >= 200, QByteArray::number(elapsed).constData());
    QVERIFY2(elapsed < 2000, QByteArray::number(elapsed).constData());
    QVERIFY(rig.tones.tones.isEmpty());
}

void tst_TSpeakerBeeper::directToneHandlesEvents()
{
    Rig rig(false, 4294967295u - 20);
    QStringList writesDuringTone;
    QTimer pending;
    pending.setSingleShot(true);
    connect(&pending, &QTimer::timeout, this, [&] { writesDuringTone = rig.ports.writes; });
    pending.start(30);
    rig.beeper->PlayTone(440, 100);
    // The gate was open while the event was handled, and closed afterwards.
    QCOMPARE(writesDuringTone, (QStringList{u"61=03"_s, u"43=b6"_s, u"42=97"_s, u"42=0a"_s}));
    QCOMPARE(rig.ports.writes.last(), u"61=00"_s);
}

void tst_TSpeakerBeeper::unheardToneSkipsTheRestOfTheSound_data()
{
    QTest::addColumn<QString>("melody"); // empty: the preset psOfficial
    QTest::addColumn<int>("heard");
    QTest::addColumn<QStringList>("tried");
    QTest::newRow("preset: first tone unheard") << QString() << 0 << QStringList{u"196/200"_s};
    QTest::newRow("preset: third tone unheard, its rests skipped")
        << QString() << 2 << QStringList{u"196/200"_s, u"196/200"_s, u"196/200"_s};
    QTest::newRow("melody: second tone unheard, ends without error")
        << u"Probe\nC_1,100, REST,60, D_1,100, REST,60, E_1,100, REST,60, F_1,100, FINE\n"_s << 1
        << QStringList{u"261/100"_s, u"293/100"_s};
    QTest::newRow("melody: an error after the unheard tone is not reached")
        << u"Probe\nC_1,100, REST,60, D_1,abc, FINE\n"_s << 0 << QStringList{u"261/100"_s};
}

void tst_TSpeakerBeeper::unheardToneSkipsTheRestOfTheSound()
{
    QFETCH(QString, melody);
    QFETCH(int, heard);
    QFETCH(QStringList, tried);
    FakeOsVersion os(true);
    FailingToneOutput tones;
    FakeSpeakerPorts ports;
    FakeTickCounter ticks;
    EventCounter counter;
    tones.counter = &counter;
    tones.heardTones = heard;
    TSpeakerBeeper beeper(nullptr, TSpeakerBeeper::Services{tones, ports, ticks, os});
    if (melody.isEmpty()) {
        beeper.PlayPreset(TSpeakerBeeper::psOfficial);
    } else {
        const QString path = m_dir.filePath(u"probe.msk"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(melody.toUtf8());
        file.close();
        beeper.PlayMelody(path, u"Probe"_s);
    }
    QStringList steps;
    for (const auto &[frequency, duration] : std::as_const(tones.tones))
        steps << u"%1/%2"_s.arg(frequency).arg(duration);
    QCOMPARE(steps, tried);
    QCOMPARE(counter.count, 0); // no rest ran after the unheard tone
    QCoreApplication::sendPostedEvents(&counter);
}

void tst_TSpeakerBeeper::nextSoundTriesAgain()
{
    FakeOsVersion os(true);
    FakeToneOutput tones;
    FakeSpeakerPorts ports;
    FakeTickCounter ticks;
    tones.heardTones = 0;
    TSpeakerBeeper beeper(nullptr, TSpeakerBeeper::Services{tones, ports, ticks, os});
    beeper.PlayPreset(TSpeakerBeeper::psOK);
    QCOMPARE(tones.tones.size(), 1);
    // The sound device may be back: the next sound and a single tone try again.
    tones.heardTones = -1;
    beeper.PlayDefaultSound();
    QCOMPARE(tones.tones.size(), 4);
    tones.heardTones = 0;
    beeper.PlayTone(440, 10);
    beeper.PlayTone(440, 10);
    QCOMPARE(tones.tones.size(), 6);
}

// The output is opened once per sound, before its first step; a sound whose
// output cannot open makes no step at all, rests included.
void tst_TSpeakerBeeper::soundThatCannotGetReadyIsSkipped()
{
    Rig rig(true);
    rig.beeper->PlayPreset(TSpeakerBeeper::psWelcome);
    QCOMPARE(rig.tones.prepares, 1);
    QCOMPARE(rig.tones.tones.size(), 6);
    rig.tones.preparable = false;
    rig.tones.tones.clear();
    EventCounter counter;
    QCoreApplication::postEvent(&counter, new QEvent(QEvent::User));
    rig.beeper->PlayPreset(TSpeakerBeeper::psError); // 92/150, rest, 65/500
    QCOMPARE(rig.tones.prepares, 2);
    QVERIFY(rig.tones.tones.isEmpty());
    QCOMPARE(counter.count, 0);
    QCoreApplication::sendPostedEvents(&counter);
    // The port path needs no preparing.
    Rig ports(false);
    ports.tones.preparable = false;
    ports.beeper->PlayPreset(TSpeakerBeeper::psOK);
    QCOMPARE(ports.tones.prepares, 0);
    QCOMPARE(ports.ports.writes.size(), 3 * 5);
}

void tst_TSpeakerBeeper::programEndingStopsTheSound()
{
    platform::setProgramEnding(false);
    Rig rig(true);
    FakeWaveOutput waves;
    TWavSound wave(nullptr, waves);
    wave.setSoundFile(u"alarm.wav"_s);
    // The window closes during the first rest of the sound.
    QTimer::singleShot(20, this, [] {
        QEvent quit(QEvent::Quit);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
    });
    rig.beeper->PlayPreset(TSpeakerBeeper::psOfficial);
    QCOMPARE(rig.tones.tones.size(), 1);
    rig.beeper->PlayDefaultSound();
    QCOMPARE(rig.tones.tones.size(), 1);
    // Nor does a wave file start any more.
    wave.setActive(true);
    QCOMPARE(waves.calls, (QStringList{u"stop"_s, u"stop"_s}));
    platform::setProgramEnding(false);
}

QTEST_GUILESS_MAIN(tst_TSpeakerBeeper)
#include "tst_tspeakerbeeper.moc"
