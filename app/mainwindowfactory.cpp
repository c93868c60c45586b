#include "mainwindowfactory.h"

#include "settings/talarmsettings.h"
#include "clock/trxclock.h"
#include "platform/application.h"
#include "base/errors.h"
#include "platform/windowactivation.h"

using namespace Qt::StringLiterals;

MainWindowParts createMainWindow(const MainWindowServices &services)
{
    auto window = std::make_unique<TfrmMain>(services);
    TfrmMain *frm = window.get();
    platform::WindowActivation *activation =
        services.activation ? services.activation : &platform::WindowActivation::system();

    MainWindowParts main;
    main.alarmArmed = [frm] { return frm->RxClock1->alarmEnabled(); };
    main.closeQuery = [frm] {
        bool CanClose = true;
        frm->FormCloseQuery(frm, CanClose);
        return CanClose;
    };
    main.bringToFront = [frm, activation] {
        if (frm->isMinimized())
            activation->restore(frm);
        activation->bringToForeground(frm);
    };
    main.completeStartup = [frm, activation](const platform::StartupToken &token) {
        activation->completeStartup(frm, token);
    };
    main.command = [frm](const ClockCommand &command) { return applyClockCommand(*frm, command); };
    main.window = std::move(window);
    return main;
}

QString applyClockCommand(TfrmMain &window, const ClockCommand &command)
{
    TRxClock *clock = window.RxClock1;
    const auto setFields = [&window](const QString &hour, const QString &minute, const QString &second) {
        window.seStunde->setText(hour);
        window.seMinute->setText(minute);
        window.seSekunde->setText(second);
    };
    try {
        if (command.message)
            window.alarmSettings().AlarmMeldung = *command.message;
        if (command.inMinutes) {
            // As "Weitere" computes it: the product in extended precision.
            window.SetzteAlarm(double(static_cast<long double>(*command.inMinutes) * TfrmMain::OffsetPerMinute));
        } else if (command.at) {
            setFields(command.at->hour, command.at->minute, command.at->second);
            // The toggle inverts: an armed alarm is first disarmed with the new
            // time, then armed again.
            if (clock->alarmEnabled())
                window.btnActivateClick(window.btnActivate);
            if (!clock->alarmEnabled())
                window.btnActivateClick(window.btnActivate);
            if (!clock->alarmEnabled())
                return u"Der Alarm ließ sich nicht einschalten."_s;
        } else if (command.disarm && clock->alarmEnabled()) {
            // The fields may hold text the toggle refuses; it then could not
            // disarm. They get the armed time, which the toggle keeps.
            setFields(QString::number(clock->alarmHour()), QString::number(clock->alarmMinute()),
                      QString::number(clock->alarmSecond()));
            window.btnActivateClick(window.btnActivate);
            if (clock->alarmEnabled())
                return u"Der Alarm ließ sich nicht ausschalten."_s;
        }
    } catch (const Exception &error) {
        return platform::Application::errorReportText(error.message());
    } catch (const std::exception &error) {
        return platform::Application::errorReportText(QString::fromLocal8Bit(error.what()));
    }
    return {};
}
