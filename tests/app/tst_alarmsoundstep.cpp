#include "app/alarmsoundstep.h"
#include "settings/talarmsettings.h"
#include "app/tfrmmain.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"
#include "tests/fakes/fakeosversion.h"
#include "tests/fakes/fakespeakerports.h"
#include "tests/fakes/fakestandarddialogs.h"
#include "tests/fakes/fakesystemclock.h"
#include "tests/fakes/faketickcounter.h"
#include "tests/fakes/faketoneoutput.h"
#include "tests/fakes/fakewaveoutput.h"
#include "tests/fakes/fakewindowactivation.h"
#include "tests/fakes/mainwindowfixture.h"
#include "tests/fakes/recordingbeeper.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString DefaultSound = u"932/100 988/100 1046/100"_s;

} // namespace

class tst_AlarmSoundStep : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void playsInOrder_data();
    void playsInOrder();
    void assignsTheSettingsFileAnew();
    void unheardSpeakerEndsTheSpeakerSound_data();
    void unheardSpeakerEndsTheSpeakerSound();
    void melodyFileOfTheUserFirst_data();
    void melodyFileOfTheUserFirst();
    void mainWindowPlaysThroughItsComponents();
    void outcomeSaysWhetherTheSoundWasHeard_data();
    void outcomeSaysWhetherTheSoundWasHeard();
    void silentAlarmSaysSoInItsMessage_data();
    void silentAlarmSaysSoInItsMessage();

private:
    QTemporaryDir m_dir;
    QString m_melodies;
};

void tst_AlarmSoundStep::initTestCase()
{
    m_melodies = m_dir.filePath(u"Timer.msk"_s);
    QFile file(m_melodies);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Entertainer\nD_1,120, Dp_1,120, FINE\n"
               "default\nA_1,10, FINE\n"
               "Kaputt\nC_1,50, D_1,60, E_1,abc, F_1,10, FINE\n");
}

// One journal holds the speaker steps ("frequency/duration") and the wave
// player's service calls, in the order they happened.
void tst_AlarmSoundStep::playsInOrder_data()
{
    QTest::addColumn<bool>("speaker");
    QTest::addColumn<bool>("soundkarte");
    QTest::addColumn<bool>("ohne");
    QTest::addColumn<QString>("song");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QString>("journal");

    QTest::newRow("speaker, Default: the default preset")
        << true << false << false << u"Default"_s << true << DefaultSound;
    QTest::newRow("speaker, default in lower case is a melody name")
        << true << false << false << u"default"_s << true << u"440/10"_s;
    QTest::newRow("speaker, melody") << true << false << false << u"Entertainer"_s << true << u"293/120 311/120"_s;
    QTest::newRow("speaker, no melody file: default preset")
        << true << false << false << u"Entertainer"_s << false << DefaultSound;
    QTest::newRow("speaker, unknown melody: default preset")
        << true << false << false << u"Walzer"_s << true << DefaultSound;
    QTest::newRow("speaker, broken melody: its first notes, then the default preset")
        << true << false << false << u"Kaputt"_s << true << u"261/50 293/60 "_s + DefaultSound;
    QTest::newRow("sound card only: the wave file starts")
        << false << true << false << u"Entertainer"_s << true << u"stop play alarm.wav"_s;
    QTest::newRow("both: speaker to its end, then the wave file")
        << true << true << false << u"Default"_s << true << DefaultSound + u" stop play alarm.wav"_s;
    QTest::newRow("Ohne is not consulted") << false << true << true << u"Default"_s << true << u"stop play alarm.wav"_s;
    QTest::newRow("neither mode: silence") << false << false << false << u"Default"_s << true << QString();
    QTest::newRow("Ohne alone: silence") << false << false << true << u"Default"_s << true << QString();
}

void tst_AlarmSoundStep::playsInOrder()
{
    QFETCH(bool, speaker);
    QFETCH(bool, soundkarte);
    QFETCH(bool, ohne);
    QFETCH(QString, song);
    QFETCH(bool, fileExists);
    QFETCH(QString, journal);

    QStringList recorded;
    RecordingBeeper beeper;
    beeper.journal = &recorded;
    FakeWaveOutput output;
    output.journal = &recorded;
    TWavSound wave(nullptr, output);

    TAlarmSettings settings;
    settings.Speaker = speaker;
    settings.Soundkarte = soundkarte;
    settings.Ohne = ohne;
    settings.Song = song;
    settings.SoundFile = u"alarm.wav"_s;
    playAlarmSound(settings, beeper, wave, fileExists ? m_melodies : m_dir.filePath(u"fehlt.msk"_s));
    QCOMPARE(recorded.join(u' '), journal);
    QVERIFY(!wave.active());
}

// No sound device: one try per sound, then the wave file (which may still
// play through another path) and the message, without waiting out the melody.
void tst_AlarmSoundStep::unheardSpeakerEndsTheSpeakerSound_data()
{
    QTest::addColumn<QString>("song");
    QTest::addColumn<QStringList>("tried");
    QTest::newRow("melody") << u"Entertainer"_s << QStringList{u"293/120"_s};
    QTest::newRow("Default") << u"Default"_s << QStringList{u"932/100"_s};
    QTest::newRow("broken melody: ends at its unheard first note")
        << u"Kaputt"_s << QStringList{u"261/50"_s};
}

void tst_AlarmSoundStep::unheardSpeakerEndsTheSpeakerSound()
{
    QFETCH(QString, song);
    QFETCH(QStringList, tried);
    FakeOsVersion os(true);
    FakeToneOutput tones;
    tones.heardTones = 0;
    FakeSpeakerPorts ports;
    FakeTickCounter ticks;
    TSpeakerBeeper beeper(nullptr, TSpeakerBeeper::Services{tones, ports, ticks, os});
    FakeWaveOutput output;
    TWavSound wave(nullptr, output);
    TAlarmSettings settings;
    settings.Speaker = true;
    settings.Soundkarte = true;
    settings.Song = song;
    settings.SoundFile = u"alarm.wav"_s;
    playAlarmSound(settings, beeper, wave, m_melodies);
    QStringList steps;
    for (const auto &[frequency, duration] : std::as_const(tones.tones))
        steps << u"%1/%2"_s.arg(frequency).arg(duration);
    QCOMPARE(steps, tried);
    QCOMPARE(output.calls, (QStringList{u"stop"_s, u"play alarm.wav"_s}));
}

void tst_AlarmSoundStep::assignsTheSettingsFileAnew()
{
    RecordingBeeper beeper;
    FakeWaveOutput output;
    TWavSound wave(nullptr, output);
    // The options dialog's test button played another file through it.
    wave.setSoundFile(u"probe.wav"_s);
    wave.setActive(true);
    output.calls.clear();

    TAlarmSettings settings;
    settings.Soundkarte = true;
    settings.SoundFile = u"törö.wav"_s;
    playAlarmSound(settings, beeper, wave, m_melodies);
    QCOMPARE(output.calls, (QStringList{u"stop"_s, u"play törö.wav"_s}));
    QCOMPARE(wave.soundFile(), u"törö.wav"_s);
}

void tst_AlarmSoundStep::melodyFileOfTheUserFirst_data()
{
    QTest::addColumn<QString>("own"); // what lies in the per-user data folder
    QTest::addColumn<bool>("ownWins");
    QTest::newRow("none: beside the program") << QString() << false;
    QTest::newRow("the user's own file") << u"file"_s << true;
    QTest::newRow("a folder named Timer.msk: beside the program") << u"folder"_s << false;
}

void tst_AlarmSoundStep::melodyFileOfTheUserFirst()
{
    QFETCH(QString, own);
    QFETCH(bool, ownWins);
    QTemporaryDir data;
    QVERIFY(QDir(data.path()).mkpath(u"brenvik-timer"_s));
    const QString ownFile = data.filePath(u"brenvik-timer/Timer.msk"_s);
    if (own == u"file"_s) {
        QFile file(ownFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (own == u"folder"_s) {
        QVERIFY(QDir().mkpath(ownFile));
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString path = melodyFilePath();
    qunsetenv("XDG_DATA_HOME");
    QCOMPARE(path, ownWins ? ownFile : QCoreApplication::applicationDirPath() + u"/Timer.msk"_s);
}

void tst_AlarmSoundStep::mainWindowPlaysThroughItsComponents()
{
    MainWindowFixture main;
    QFile ini(main.settingsFile());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Sound]\nFile=t\xC3\xB6r\xC3\xB6.wav\nOhne=0\nSpeaker=1\nSoundkarte=1\nSong=Default\n");
    ini.close();
    TfrmMain &frm = main.openMainWindow();
    frm.show(); // loads the settings

    auto *wavSound = frm.findChild<TWavSound *>(u"WavSound1"_s);
    auto *beeper = frm.findChild<TSpeakerBeeper *>(u"SpeakerBeeper1"_s);
    QVERIFY(wavSound && beeper);
    QCOMPARE(wavSound->parent(), &frm);
    QCOMPARE(beeper->parent(), &frm);
    QCOMPARE(wavSound->property("SoundLoop").toBool(), false);
    QCOMPARE(beeper->property("DefaultSound").value<TSpeakerBeeper::TPresetSound>(), TSpeakerBeeper::psOK);
    QCOMPARE(beeper->property("BeatDuration").value<TSpeakerBeeper::TBeatDuration>(), TSpeakerBeeper::bd_1000);
    QVERIFY(TSpeakerBeeper::useBeepService()); // tones go through the beep service here

    frm.SoundStep();

    QCOMPARE(main.m_toneOutput.tones.size(), 3);
    QCOMPARE(main.m_toneOutput.tones.first(), (QPair<quint16, quint32>(932, 100)));
    QCOMPARE(main.m_waveOutput.calls, (QStringList{u"stop"_s, u"play törö.wav"_s}));
}

using WaveState = platform::WaveOutput::State;

void tst_AlarmSoundStep::outcomeSaysWhetherTheSoundWasHeard_data()
{
    QTest::addColumn<bool>("speaker");
    QTest::addColumn<bool>("soundkarte");
    QTest::addColumn<bool>("preparable");
    QTest::addColumn<int>("heardTones"); // -1: every one
    QTest::addColumn<bool>("playable");
    QTest::addColumn<WaveState>("waveState");
    QTest::addColumn<AlarmSoundOutcome>("outcome");

    QTest::newRow("both heard") << true << true << true << -1 << true << WaveState::Playing
                                << AlarmSoundOutcome::Played;
    QTest::newRow("no sound device for the melody") << true << false << false << -1 << true << WaveState::Idle
                                                    << AlarmSoundOutcome::Unplayed;
    QTest::newRow("melody stream failed midway") << true << false << true << 1 << true << WaveState::Idle
                                                 << AlarmSoundOutcome::Unplayed;
    QTest::newRow("wave file unreadable") << false << true << true << -1 << false << WaveState::Playing
                                          << AlarmSoundOutcome::Unplayed;
    QTest::newRow("wave stream failed at once") << false << true << true << -1 << true << WaveState::Failed
                                                << AlarmSoundOutcome::Unplayed;
    QTest::newRow("wave still starting") << false << true << true << -1 << true << WaveState::Starting
                                         << AlarmSoundOutcome::WaveStarting;
    QTest::newRow("melody unheard, wave starting: already silent in part")
        << true << true << false << -1 << true << WaveState::Starting << AlarmSoundOutcome::Unplayed;
    QTest::newRow("nothing chosen") << false << false << false << 0 << false << WaveState::Failed
                                    << AlarmSoundOutcome::Played;
}

void tst_AlarmSoundStep::outcomeSaysWhetherTheSoundWasHeard()
{
    QFETCH(bool, speaker);
    QFETCH(bool, soundkarte);
    QFETCH(bool, preparable);
    QFETCH(int, heardTones);
    QFETCH(bool, playable);
    QFETCH(WaveState, waveState);
    QFETCH(AlarmSoundOutcome, outcome);
    FakeOsVersion os(true);
    FakeToneOutput tones;
    tones.preparable = preparable;
    tones.heardTones = heardTones;
    FakeSpeakerPorts ports;
    FakeTickCounter ticks;
    TSpeakerBeeper beeper(nullptr, TSpeakerBeeper::Services{tones, ports, ticks, os});
    FakeWaveOutput output;
    output.playable = playable;
    output.playingState = waveState;
    TWavSound wave(nullptr, output);
    TAlarmSettings settings;
    settings.Speaker = speaker;
    settings.Soundkarte = soundkarte;
    settings.Song = u"Entertainer"_s;
    settings.SoundFile = u"alarm.wav"_s;
    QCOMPARE(playAlarmSound(settings, beeper, wave, m_melodies), outcome);
}

// The line goes into the shown text only; a wave file that fails while the
// message is open adds it to the open box through its handle.
void tst_AlarmSoundStep::silentAlarmSaysSoInItsMessage_data()
{
    QTest::addColumn<bool>("preparable");
    QTest::addColumn<WaveState>("waveState");
    QTest::addColumn<WaveState>("laterState");
    QTest::addColumn<bool>("lineAtOnce");
    QTest::addColumn<bool>("lineLater");

    QTest::newRow("heard") << true << WaveState::Playing << WaveState::Playing << false << false;
    QTest::newRow("no sound server") << false << WaveState::Failed << WaveState::Failed << true << true;
    QTest::newRow("wave starts and plays") << true << WaveState::Starting << WaveState::Playing << false << false;
    QTest::newRow("wave starts and fails") << true << WaveState::Starting << WaveState::Failed << false << true;
}

void tst_AlarmSoundStep::silentAlarmSaysSoInItsMessage()
{
    QFETCH(bool, preparable);
    QFETCH(WaveState, waveState);
    QFETCH(WaveState, laterState);
    QFETCH(bool, lineAtOnce);
    QFETCH(bool, lineLater);
    MainWindowFixture main;
    QFile ini(main.settingsFile());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Sound]\nFile=alarm.wav\nOhne=0\nSpeaker=1\nSoundkarte=1\nSong=Default\n"
              "[Meldung]\nAlarmMeldung=Aufstehen!\n");
    ini.close();
    main.m_toneOutput.preparable = preparable;
    main.m_waveOutput.playingState = waveState;
    TfrmMain &frm = main.openMainWindow();
    frm.show();

    main.m_dialogs.whileMessageOpen = [&](const FakeStandardDialogs::Message &) {
        main.m_waveOutput.setState(laterState);
        QTest::qWait(150);
    };
    main.deliverAlarm();

    const QString line = u"\n(Der Alarmton konnte nicht abgespielt werden.)"_s;
    QCOMPARE(main.m_dialogs.messages.size(), 1);
    const FakeStandardDialogs::Message &shown = main.m_dialogs.messages[0];
    QCOMPARE(shown.text, lineAtOnce ? u"Aufstehen!"_s + line : u"Aufstehen!"_s);
    // The open box learns of a wave file that failed meanwhile, once.
    QCOMPARE(shown.laterTexts, (lineLater && !lineAtOnce) ? QStringList{u"Aufstehen!"_s + line} : QStringList());
    QCOMPARE(frm.alarmSettings().AlarmMeldung, u"Aufstehen!"_s);
}

QTEST_MAIN(tst_AlarmSoundStep)
#include "tst_alarmsoundstep.moc"
