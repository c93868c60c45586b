#include "app/commandline.h"
#include "app/cursorblink.h"
#include "app/mainwindowfactory.h"
#include "app/runapplication.h"
#include "app/standarddialogs.h"
#include "platform/application.h"
#include "platform/desktopshell.h"
#include "platform/displayconnection.h"
#include "platform/keyboard.h"
#include "platform/osversion.h"
#include "platform/platformchoice.h"
#include "platform/singleinstance.h"
#include "platform/speakerports.h"
#include "platform/systemclock.h"
#include "platform/tickcounter.h"
#include "platform/timechangewatcher.h"
#include "platform/toneoutput.h"
#include "platform/wakealarm.h"
#include "platform/waveoutput.h"
#include "platform/windowactivation.h"
#include "platform/windowmanager.h"

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

void print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

int fail(const QString &reason, int exitCode)
{
    print(stderr, QString::fromLatin1(ProgramName) + u": "_s + reason + u'\n');
    return exitCode;
}

} // namespace

int main(int argc, char *argv[])
{
    platform::choosePlatformBeforeQApplication(argc, argv);
    platform::Application::installMessageHandler();

    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments);
    switch (line.action) {
    case CommandLine::Action::Help:
        print(stdout, usageText());
        return 0;
    case CommandLine::Action::Version:
        print(stdout, versionText());
        return 0;
    case CommandLine::Action::Fail:
        return fail(line.error, line.exitCode);
    case CommandLine::Action::Run:
        break;
    }

    if (platform::usesX11(line.platformName) && !platform::canReachDisplay(line.displayName)) {
        QString display = line.displayName.isEmpty() ? qEnvironmentVariable("DISPLAY") : line.displayName;
        if (display.isEmpty())
            display = u"nicht gesetzt"_s;
        return fail(u"Keine Verbindung zur Anzeige (DISPLAY=%1)."_s.arg(display), 1);
    }
    if (platform::usesWayland(line.platformName) && !platform::canReachWaylandDisplay())
        return fail(u"Keine Verbindung zur Anzeige (WAYLAND_DISPLAY=%1)."_s.arg(platform::waylandDisplayName()), 1);
    // Before the application object, which takes them out of the environment.
    const platform::StartupToken startupToken = platform::StartupToken::fromEnvironment();

    // A small window repainted twice a second pays more for the shared-memory
    // images' round trips than for sending its few pixels.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
    platform::Application app(argc, argv);
    CursorBlinkTimeout cursorBlink;

    // Before the splash, so that a second start hands over at once.
    QString displayKey = QGuiApplication::platformName();
    if (displayKey == u"xcb"_s)
        displayKey = line.displayName.isEmpty() ? qEnvironmentVariable("DISPLAY") : line.displayName;
    platform::SingleInstance instance(displayKey);
    if (const auto reply = instance.forwardOrListen({line.forwarded, startupToken})) {
        if (!reply->error.isEmpty())
            return fail(reply->error, reply->exitCode);
        return reply->exitCode;
    }
    if (!instance.problem().isEmpty()) {
        // Better a clock of its own than none: its alarm still comes.
        print(stderr, QString::fromLatin1(ProgramName) + u": "_s + instance.problem()
                  + u" Dieser Wecker läuft für sich; ein weiterer Start findet ihn nicht.\n"_s);
    }

    // The one place that builds the real services; everything below is given
    // them. Built with the window, behind the splash.
    platform::HelperWakeAlarm wakeAlarm;
    platform::SystemTimeChangeWatcher timeChanges;
    const auto createWithRealServices = [&wakeAlarm, &timeChanges] {
        return createMainWindow({
            platform::SystemClock::local(),
            timeChanges,
            platform::DesktopShell::system(),
            platform::WindowActivation::system(),
            platform::WindowManager::system(),
            platform::Keyboard::system(),
            StandardDialogs::system(),
            SettingsLocation::forProgram(),
            platform::WaveOutput::system(),
            {platform::ToneOutput::system(), platform::SpeakerPorts::system(),
             platform::TickCounter::system(), platform::OsVersion::system()},
            wakeAlarm,
        }, /*statusIcon=*/true);
    };
    return runApplication(createWithRealServices, {}, line.command, &instance);
}
