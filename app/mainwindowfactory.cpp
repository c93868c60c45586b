#include "app/mainwindowfactory.h"

#include "app/statusicon.h"
#include "base/errors.h"
#include "platform/application.h"
#include "platform/windowactivation.h"

using namespace Qt::StringLiterals;

MainWindowParts createMainWindow(const MainWindowServices &services, bool statusIcon)
{
    auto window = std::make_unique<TfrmMain>(services);
    TfrmMain *frm = window.get();
    if (statusIcon) {
        // A child of the window; where the desktop has no status area it stays unseen.
        auto *icon = new StatusIcon(*frm);
        if (!icon->showInStatusArea())
            delete icon;
    }

    MainWindowParts main;
    main.alarmArmed = [frm] { return frm->isArmed(); };
    main.closeQuery = [frm] { return frm->mayClose(); };
    main.bringToFront = [frm] { frm->bringToFront(); };
    main.completeStartup = [frm, &activation = services.activation](const platform::StartupToken &token) {
        activation.completeStartup(frm, token);
    };
    main.command = [frm](const ClockCommand &command) { return applyClockCommand(*frm, command); };
    main.window = std::move(window);
    return main;
}

QString applyClockCommand(TfrmMain &window, const ClockCommand &command)
{
    try {
        if (command.message)
            window.setMessage(*command.message);
        if (command.inMinutes)
            window.armIn(*command.inMinutes);
        else if (command.at)
            window.armAt(command.at->hour, command.at->minute, command.at->second);
        else if (command.disarm && window.isArmed())
            window.disarm();
    } catch (const Exception &error) {
        return platform::Application::errorReportText(error.message());
    } catch (const std::exception &error) {
        return platform::Application::errorReportText(QString::fromLocal8Bit(error.what()));
    }
    return {};
}
