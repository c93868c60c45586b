#include "app/runapplication.h"

#include "app/tsplashform.h"
#include "clock/clockaccessible.h"
#include "controls/flataccessible.h"
#include "platform/application.h"
#include "platform/layoutface.h"
#include "base/errors.h"
#include "app/messageboxcopy.h"
#include "platform/singleinstance.h"
#include "platform/x11window.h"

#include <QIcon>
#include <QPointer>
#include <QSessionManager>
#include <QThread>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Ends the event loop once the main window has closed. A close the window
// refuses leaves it visible; a minimised window is hidden only spontaneously.
class MainWindowCloseWatcher : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && !event->spontaneous()
            && static_cast<QWidget *>(watched)->isHidden())
            QCoreApplication::quit();
        return false;
    }
};

// The session's end: once the session manager lets the program go (the Quit it
// sends at the end of a log-out), the main window closes without the close
// question, which the session's own question has already answered.
class SessionEndWatcher : public QObject
{
public:
    explicit SessionEndWatcher(QWidget *window)
        : m_window(window)
    {
        qApp->installEventFilter(this);
        window->installEventFilter(this);
    }
    ~SessionEndWatcher() override
    {
        qApp->removeEventFilter(this);
        if (m_window)
            m_window->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit && m_window && m_window->isVisible()) {
            m_ending = true;
            // The windows close while the Quit is handled; should one refuse,
            // later closes ask again.
            QTimer::singleShot(0, this, [this] { m_ending = false; });
        }
        if (watched == m_window && event->type() == QEvent::Close && m_ending) {
            event->accept();
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    bool m_ending = false;
};

// The report's text of a failure; empty for a silent abort.
QString startFailureReason(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const EAbort &) {
        return {};
    } catch (const Exception &error) {
        return platform::Application::errorReportText(error.message());
    } catch (const std::exception &error) {
        return platform::Application::errorReportText(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        return u"Unbekannter Fehler."_s;
    }
}

} // namespace

QString programIconFile(int size)
{
    return u":/icon/brenvik-timer-%1.png"_s.arg(size);
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : programIconSizes)
        icon.addFile(programIconFile(size), QSize(size, size));
    return icon;
}

bool sessionMayEnd(const MainWindowParts &main, const std::function<bool()> &allowsInteraction)
{
    if (!main.alarmArmed || !main.alarmArmed())
        return true;
    // Without leave to ask, the session ends as it would for any other program.
    if (!allowsInteraction())
        return true;
    return !main.closeQuery || main.closeQuery();
}

platform::SingleInstance::Reply answerForwarded(const MainWindowParts &main,
                                                const platform::SingleInstance::Request &request)
{
    // Checked again: the other start has read it with the same rules, but the
    // socket is open to any program of the user.
    const CommandLine line = parseCommandLine(QStringList{QString::fromLatin1(ProgramName)} + request.arguments);
    const bool refused = line.action == CommandLine::Action::Fail;
    // A start that has given up has reported failure: its window stays where
    // it is, its alarm as it was.
    if (!refused && request.commit && !request.commit())
        return {};
    // Also for a command line refused: the launcher's feedback ends.
    if (!request.token.isEmpty() && main.completeStartup)
        main.completeStartup(request.token);
    if (main.bringToFront)
        main.bringToFront();
    if (refused)
        return {line.exitCode, line.error};
    if (line.action != CommandLine::Action::Run || line.command.isEmpty() || !main.command)
        return {};
    const QString error = main.command(line.command);
    return {error.isEmpty() ? 0 : 1, error};
}

int runApplication(const MainWindowFactory &createMainWindow, const Pause &pause,
                   const ClockCommand &command, platform::SingleInstance *instance)
{
    // Screen readers see the flat controls and the clock as what they are.
    FlatAccessible::install();
    ClockAccessible::install();

    // Pixels first: no message may be handled before the event loop runs.
    auto splash = std::make_unique<TSplashForm>();
    splash->showAtOnce();

    MainWindowParts main;
    std::exception_ptr failure;
    try {
        // Behind the splash: the windows' pixel layouts need their face, which
        // the font configuration of a plain desktop does not list.
        platform::setUpLayoutFace();
        platform::Application::setTitle(u"Brenvik Timer"_s);
        QApplication::setWindowIcon(programIcon());
        if (!qApp->findChild<MessageBoxCopy *>(QString(), Qt::FindDirectChildrenOnly))
            qApp->installEventFilter(new MessageBoxCopy(qApp));
        main = createMainWindow();
    } catch (...) {
        failure = std::current_exception();
    }

    if (pause)
        pause(SplashPauseMSecs);
    else
        QThread::msleep(SplashPauseMSecs);
    splash.reset();

    if (failure || !main.window) {
        platform::x11::flush();
        if (failure) {
            // Also on standard error: whoever started the program from a
            // console or a script learns why it ended.
            if (const QString reason = startFailureReason(failure); !reason.isEmpty())
                qCritical("%s", qUtf8Printable(u"Der Start ist fehlgeschlagen: "_s + reason));
            platform::Application::reportException(failure);
        }
        return 1;
    }

    // The loop ends with the main window, not with whatever window closes last:
    // the tick worker may still wait in a hand-over that only the loop serves.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    QWidget *window = main.window.get();
    platform::Application::setTitleListener(
        [window](const QString &title) { platform::x11::setIconName(window, title); });
    MainWindowCloseWatcher watcher;
    window->installEventFilter(&watcher);
    SessionEndWatcher sessionEnd(window);
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, window,
                     [&main](QSessionManager &manager) {
                         bool interacting = false;
                         const bool mayEnd = sessionMayEnd(main, [&manager, &interacting] {
                             interacting = manager.allowsInteraction();
                             return interacting;
                         });
                         if (!mayEnd)
                             manager.cancel();
                         if (interacting)
                             manager.release();
                     });

    window->show();
    platform::x11::setIconName(window, platform::Application::title());
    // After the show handler has loaded the settings, which would overwrite
    // the fields and the message; then the starts that came meanwhile, in order.
    QTimer::singleShot(0, window, [&main, command, instance] {
        if (!command.isEmpty() && main.command) {
            const QString error = main.command(command);
            if (!error.isEmpty())
                platform::Application::reportException(EConvertError(error));
        }
        if (instance) {
            instance->setHandler([&main](const platform::SingleInstance::Request &request) {
                return answerForwarded(main, request);
            });
        }
    });
    const int code = QCoreApplication::exec();
    if (instance)
        instance->setHandler({});

    window->removeEventFilter(&watcher);
    platform::Application::setTitleListener({});
    // The main window's clock stops its worker while serving its last hand-over.
    main.window.reset();
    return code;
}
