#pragma once

#include "app/commandline.h"
#include "platform/singleinstance.h"
#include "platform/windowactivation.h"

#include <QIcon>
#include <QWidget>

#include <functional>
#include <memory>

// The main window as the start-up sequence sees it.
struct MainWindowParts
{
    std::unique_ptr<QWidget> window;
    // Whether an alarm is armed, i.e. whether closing needs the question.
    std::function<bool()> alarmArmed;
    // Asks the close question; true when the window may close.
    std::function<bool()> closeQuery;
    // Restores, raises and activates the window.
    std::function<void()> bringToFront;
    // Hands the window the launcher's token of a later start, before it is
    // brought to the front.
    std::function<void(const platform::StartupToken &)> completeStartup;
    // Carries out a command line's requests; returns the German reason when
    // one failed, else an empty text.
    std::function<QString(const ClockCommand &)> command;
};

using MainWindowFactory = std::function<MainWindowParts()>;
// Suspends the user-interface thread without handling a message.
using Pause = std::function<void(unsigned long msecs)>;

// The pause during which the splash window stands after the main window exists.
inline constexpr unsigned long SplashPauseMSecs = 1500;

// The program's icon, as the desktop's icon theme has it, in every size drawn.
inline constexpr int programIconSizes[] = {16, 32, 48, 64, 128, 256};
QString programIconFile(int size);
QIcon programIcon();

// Shows the splash window, creates the main window, pauses, removes the splash,
// shows the main window and runs the event loop until it has closed. Returns the
// process's exit code: 0, or 1 when creating the main window failed (reported
// with the application's error report). Needs a QApplication.
// The command is carried out once the window is shown; command lines that later
// starts hand over through the instance are carried out as they arrive, each
// bringing the window to the front.
int runApplication(const MainWindowFactory &createMainWindow, const Pause &pause = {},
                   const ClockCommand &command = {}, platform::SingleInstance *instance = nullptr);

// The running clock's answer to a command line handed over by another start
// (the arguments after the program's name). Nothing changes, the window's
// place included, unless the request's commit() allows it: the other start
// has not given up. A refused command line is only answered.
platform::SingleInstance::Reply answerForwarded(const MainWindowParts &main,
                                                const platform::SingleInstance::Request &request);

// The answer to the session's question whether the program may end (log-out,
// shut-down): asks the close question only with an alarm armed and when the
// session lets the program interact with the user. It is the only question of
// a session's end: when the session then ends, the window closes unasked.
bool sessionMayEnd(const MainWindowParts &main, const std::function<bool()> &allowsInteraction);
