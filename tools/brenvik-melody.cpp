// brenvik-melody: plays a melody of a melody file the way the alarm does, or
// with --dry-run prints its steps, so melody files can be written and checked.

#include "base/errors.h"
#include "platform/audiobackend.h"
#include "platform/osversion.h"
#include "platform/speakerports.h"
#include "platform/tickcounter.h"
#include "platform/toneoutput.h"
#include "sound/tspeakerbeeper.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the sound card during a dry run: nothing is opened.
class NoToneOutput final : public platform::ToneOutput
{
public:
    bool beep(quint16, quint32) override { return true; }
};

// Prints each step instead of sounding it.
class PrintingBeeper final : public TSpeakerBeeper
{
public:
    using TSpeakerBeeper::TSpeakerBeeper;
    void PlayTone(quint16 frequency, qint32 duration) override
    {
        std::printf("%u %d\n", unsigned(frequency), int(duration));
        std::fflush(stdout);
    }
};

void ignoreMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

int usage()
{
    std::fputs("Aufruf: brenvik-melody [--dry-run] DATEI NAME\n"
               "Spielt die Melodie NAME aus der Melodiedatei DATEI wie der Alarm;\n"
               "NAME \"Default\" spielt den Standardklang. --dry-run spielt nichts und\n"
               "gibt jeden Schritt als \"<Frequenz> <Dauer>\" aus.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(ignoreMessages);
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool dryRun = !args.isEmpty() && args.first() == u"--dry-run"_s;
    if (dryRun)
        args.removeFirst();
    if (args.size() != 2)
        return usage();

    static NoToneOutput noTones;
    const TSpeakerBeeper::Services services{
        dryRun ? static_cast<platform::ToneOutput &>(noTones) : platform::ToneOutput::system(),
        platform::SpeakerPorts::system(), platform::TickCounter::system(), platform::OsVersion::system()};
    std::unique_ptr<TSpeakerBeeper> beeper;
    if (dryRun)
        beeper = std::make_unique<PrintingBeeper>(nullptr, services);
    else
        beeper = std::make_unique<TSpeakerBeeper>(nullptr, services);

    int status = 0;
    try {
        // As the alarm does: the name "Default" is the default preset sound.
        if (args.at(1) == u"Default"_s)
            beeper->PlayDefaultSound();
        else
            beeper->PlayMelody(args.at(0), args.at(1));
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", error.message().toLocal8Bit().constData());
        status = 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        status = 1;
    }
    // The last tone plays out and the audio thread ends before the
    // application object, and Qt Multimedia with it, goes away.
    if (platform::AudioBackend *backend = platform::AudioBackend::loaded())
        backend->shutdown(3000);
    return status;
}
