// Plays a melody through the real tone path and prints, per step, when it
// started against the written time line and how long it lasted:
//     steptimes FILE NAME
// Lets the step timing through the sound card be measured by hand.

#include "platform/audiobackend.h"
#include "platform/osversion.h"
#include "platform/speakerports.h"
#include "platform/tickcounter.h"
#include "platform/toneoutput.h"
#include "sound/tspeakerbeeper.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cmath>
#include <cstdio>
#include <exception>

namespace {

class TimedBeeper final : public TSpeakerBeeper
{
public:
    using TSpeakerBeeper::TSpeakerBeeper;
    void PlayTone(quint16 frequency, qint32 duration) override
    {
        if (!clock.isValid())
            clock.start();
        const double start = clock.nsecsElapsed() / 1e6;
        TSpeakerBeeper::PlayTone(frequency, duration);
        const double took = clock.nsecsElapsed() / 1e6 - start;
        const double deviation = start - written;
        worst = std::max(worst, std::max(std::fabs(deviation), std::fabs(took - duration)));
        std::printf("%5u Hz %5d ms  start %+7.2f ms  lasted %8.2f ms\n", unsigned(frequency), int(duration),
                    deviation, took);
        written += duration;
    }
    QElapsedTimer clock;
    double written = 0;
    double worst = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    TimedBeeper beeper(nullptr, {platform::ToneOutput::system(), platform::SpeakerPorts::system(),
                                 platform::TickCounter::system(), platform::OsVersion::system()});
    QElapsedTimer total;
    total.start();
    try {
        beeper.PlayMelody(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
    }
    std::printf("worst deviation %.2f ms, %lld ms in all\n", beeper.worst, static_cast<long long>(total.elapsed()));
    if (platform::AudioBackend *backend = platform::AudioBackend::loaded())
        backend->shutdown(0);
    return 0;
}
