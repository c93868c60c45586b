#include "app/runapplication.h"
#include "app/tfrmmain.h"
#include "clock/trxclock.h"
#include "platform/application.h"
#include "platform/platformchoice.h"

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    platform::choosePlatformBeforeQApplication(argc, argv);
    // The platform plugin speaks while the application object is being built;
    // nothing goes to a console.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    platform::Application app(argc, argv);
    return runApplication([] {
        auto window = std::make_unique<TfrmMain>();
        TfrmMain *frm = window.get();
        MainWindowParts main;
        main.alarmArmed = [frm] { return frm->RxClock1->alarmEnabled(); };
        main.closeQuery = [frm] {
            bool CanClose = true;
            frm->FormCloseQuery(frm, CanClose);
            return CanClose;
        };
        main.window = std::move(window);
        return main;
    });
}
