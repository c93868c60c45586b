#pragma once

// platform/ at a glance: the operating-system services behind small
// interfaces, each with a fake in tests/fakes/: clock (systemclock.h,
// tickcounter.h, timechangewatcher.h), sound (waveoutput.h, toneoutput.h,
// speakerports.h, audio/ the sound-card module), the desktop (desktopshell.h,
// windowactivation.h, attentionwatch.h, x11window.h, desktopnotification.h,
// platformchoice.h), singleinstance.h, wakealarm.h and this application object.
// Plain helpers with no OS behind them (errors, conversions, the code page)
// live in base/; the settings file's format in settings/.

#include <QApplication>

#include <exception>
#include <functional>

namespace platform {

// The application object: its title (the task bar's text), the quit request
// that sets the program-ending flag (programending.h), and the default error
// report for exceptions that leave an event handler. The state is process-wide, so widgets under test
// use it with a plain QApplication too.
class Application : public QApplication
{
    Q_OBJECT

public:
    Application(int &argc, char **argv);
    ~Application() override;

    // Sends Qt's warnings and failures to standard error, once, before the
    // application object is built (the platform plugin speaks meanwhile).
    static void installMessageHandler();

    // Catches what escapes an event handler and shows it; the program goes on.
    bool notify(QObject *receiver, QEvent *event) override;

    static QString title();
    static void setTitle(const QString &title);
    // Called with every title set; the main window mirrors it to the task bar.
    static void setTitleListener(std::function<void(const QString &)> listener);

    // The message as the report shows it: a full stop is appended when the last
    // character's code is above that of the full stop.
    static QString errorReportText(const QString &message);
    // Shows a stop box with OK, captioned with the title. Call on the UI thread.
    static void reportException(const std::exception &error);
    // For use inside a catch block: reports the exception being handled.
    static void reportCurrentException();
    static void reportException(const std::exception_ptr &error);

    // Replaces the message box (tests record the report instead).
    using ErrorPresenter = std::function<void(const QString &caption, const QString &text)>;
    static void setErrorPresenter(ErrorPresenter presenter);

    // Runs f and reports what it throws. Qt Widgets is built without exception
    // support, so handlers reached through widget code catch at their own
    // boundary instead of unwinding through Qt's frames.
    template<typename F>
    static void guarded(F &&f)
    {
        try {
            f();
        } catch (...) {
            reportCurrentException();
        }
    }
};

} // namespace platform
