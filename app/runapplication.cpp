#include "runapplication.h"

#include "app/tsplashform.h"
#include "platform/application.h"
#include "platform/messageboxcopy.h"
#include "platform/x11window.h"

#include <QIcon>
#include <QSessionManager>
#include <QThread>

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

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(u":/icon/brenvik-timer-%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

} // namespace

bool sessionMayEnd(const MainWindowParts &main, const std::function<bool()> &allowsInteraction)
{
    if (!main.alarmArmed || !main.alarmArmed())
        return true;
    // Without leave to ask, the session ends as it would for any other program.
    if (!allowsInteraction())
        return true;
    return !main.closeQuery || main.closeQuery();
}

int runApplication(const MainWindowFactory &createMainWindow, const Pause &pause)
{
    // Pixels first: the splash is drawn by the X server from its backdrop, as
    // no message may be handled before the event loop runs.
    auto splash = std::make_unique<TSplashForm>();
    splash->winId();
    platform::x11::setBackdrop(splash.get(), splash->grab().toImage());
    splash->show();
    splash->repaint();
    platform::x11::flush();

    MainWindowParts main;
    std::exception_ptr failure;
    try {
        platform::Application::setTitle(u"Brenvik Timer"_s);
        QApplication::setWindowIcon(programIcon());
        qApp->installEventFilter(new platform::MessageBoxCopy(qApp));
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
        if (failure)
            platform::Application::reportException(failure);
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
    const int code = QCoreApplication::exec();

    window->removeEventFilter(&watcher);
    platform::Application::setTitleListener({});
    // The main window's clock stops its worker while serving its last hand-over.
    main.window.reset();
    return code;
}
