// The alarm's sound step through the real outputs, for bench/sound_timing.py:
//     alarmsoundbench MELODY_FILE SONG WAVE_FILE [STALL_MS]
// plays the melody on the speaker output (the sound card here), then starts
// the wave file, as an alarm with both modes set does, and waits for the
// wave file's end. With STALL_MS the UI thread is also kept busy, while it
// handles events, for up to STALL_MS at a time (as a slow repaint or a
// swapped-out page would), so a late thread shows in the recording.

#include "app/alarmsoundstep.h"
#include "platform/audiobackend.h"
#include "platform/osversion.h"
#include "platform/speakerports.h"
#include "platform/tickcounter.h"
#include "platform/toneoutput.h"
#include "platform/waveoutput.h"
#include "settings/talarmsettings.h"
#include "sound/tspeakerbeeper.h"
#include "sound/twavsound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3 && args.size() != 4)
        return 2;
    const int stallMs = args.size() == 4 ? args.at(3).toInt() : 0;

    QTimer stalls;
    int stalled = 0;
    if (stallMs > 0) {
        QObject::connect(&stalls, &QTimer::timeout, &app, [&] {
            QElapsedTimer busy;
            busy.start();
            const qint64 ms = QRandomGenerator::global()->bounded(stallMs + 1);
            while (busy.elapsed() < ms) {
            }
            ++stalled;
        });
        stalls.start(70);
    }

    TAlarmSettings settings;
    settings.Speaker = true;
    settings.Soundkarte = true;
    settings.Song = args.at(1);
    settings.SoundFile = args.at(2);
    TSpeakerBeeper beeper(nullptr, {platform::ToneOutput::system(), platform::SpeakerPorts::system(), platform::TickCounter::system(),
                           platform::OsVersion::system()});
    TWavSound wave(nullptr, platform::WaveOutput::system());
    wave.setSoundLoop(false);
    QElapsedTimer step;
    step.start();
    const AlarmSoundOutcome outcome = playAlarmSound(settings, beeper, wave, args.at(0));
    const qint64 stepMs = step.elapsed();
    std::printf("outcome=%s\n", outcome == AlarmSoundOutcome::Played ? "played"
                                : outcome == AlarmSoundOutcome::Unplayed ? "unplayed" : "wave starting");
    std::printf("sound step (ms)=%lld\n", static_cast<long long>(stepMs));
    std::printf("ui stalls during the melody=%d\n", stalled);
    std::fflush(stdout);

    // The wave file plays to its end (or fails).
    using State = platform::WaveOutput::State;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        const State state = wave.output().state();
        if (state == State::Idle || state == State::Failed) {
            std::printf("wave=%s\n", state == State::Idle ? "played" : "failed");
            QCoreApplication::quit();
        }
    });
    poll.start(50);
    QTimer::singleShot(15000, &app, &QCoreApplication::quit);
    app.exec();
    if (platform::AudioBackend *backend = platform::AudioBackend::loaded())
        backend->shutdown(0);
    return 0;
}
