#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What a command line asks of the running clock. Each request is carried out
// by the same code as the menu and the toggle button.
struct ClockCommand
{
    struct Time
    {
        quint8 hour = 0; // a time of day, read with the toggle's rules
        quint8 minute = 0;
        quint8 second = 0;
    };

    std::optional<QString> message; // --meldung: the alarm message
    std::optional<qint32> inMinutes; // --in: "Alarm in" -> "Weitere"
    std::optional<Time> at; // --um: the three fields, then armed
    bool disarm = false; // --aus

    bool isEmpty() const { return !message && !inMinutes && !at && !disarm; }
};

// The program's command line, read before any window exists.
struct CommandLine
{
    enum class Action { Run, Help, Version, Fail };

    Action action = Action::Run;
    // For Fail: the German one-line reason and the exit status (2 for a
    // command line that cannot be read, 1 for a value the clock refuses).
    QString error;
    int exitCode = 0;

    ClockCommand command;
    // What reaches the running clock when another one is already running: the
    // program's own options, without the window system's.
    QStringList forwarded;
    // The X display named by -display and the platform named by -platform,
    // empty when none was given.
    QString displayName;
    QString platformName;
};

// The window system's own options (-display NAME, -platform NAME, -style NAME,
// -reverse, ...) are set aside, as the application object consumes them;
// -display is noted. arguments[0] is the program.
CommandLine parseCommandLine(const QStringList &arguments);

// The German usage text for --help, and the text for --version.
QString usageText();
QString versionText();

// The program's name in messages on the console.
inline constexpr char ProgramName[] = "brenvik-timer";
