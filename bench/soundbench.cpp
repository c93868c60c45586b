// A 10-second melody through the real tone path: the processor time it takes
// and how far each step's duration strays from its written duration.
#include "platform/osversion.h"
#include "platform/speakerports.h"
#include "platform/tickcounter.h"
#include "platform/toneoutput.h"
#include "sound/tspeakerbeeper.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto secs = [](const timeval &tv) { return double(tv.tv_sec) + tv.tv_usec / 1e6; };
    return secs(usage.ru_utime) + secs(usage.ru_stime);
}

// Times every step as the melody player hands it on.
class TimedBeeper : public TSpeakerBeeper
{
public:
    using TSpeakerBeeper::TSpeakerBeeper;
    void PlayTone(quint16 frequency, qint32 duration) override
    {
        QElapsedTimer timer;
        timer.start();
        TSpeakerBeeper::PlayTone(frequency, duration);
        const double took = timer.nsecsElapsed() / 1e6;
        worst = std::max(worst, std::fabs(took - duration));
        ++steps;
        written += duration;
    }
    double worst = 0;
    int steps = 0;
    qint64 written = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // 40 steps of 250 ms, tones and rests: 10 s.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.msk"));
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    out.write("Bench\n");
    const char *notes[] = {"C_1", "E_1", "G_1", "REST", "C_2", "G_1", "E_1", "REST"};
    for (int i = 0; i < 40; ++i)
        out.write(QByteArray(notes[i % 8]) + ",250,\n");
    out.write("FINE\n");
    out.close();

    TimedBeeper beeper(nullptr, {platform::ToneOutput::system(), platform::SpeakerPorts::system(), platform::TickCounter::system(),
                           platform::OsVersion::system()});
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    try {
        beeper.PlayMelody(file, QStringLiteral("Bench"));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "melody failed: %s\n", e.what());
        return 1;
    }
    const double cpu = cpuSeconds() - cpu0;
    std::printf("steps=%d (written %lld ms, took %lld ms)\n", beeper.steps,
                static_cast<long long>(beeper.written), static_cast<long long>(wall.elapsed()));
    std::printf("CPU for the melody (s)=%.3f\n", cpu);
    std::printf("largest step deviation (ms)=%.1f\n", beeper.worst);
    return 0;
}
