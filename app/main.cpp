#include "app/runapplication.h"
#include "platform/application.h"

#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    // The platform plugin speaks while the application object is being built;
    // nothing goes to a console.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    platform::Application app(argc, argv);
    return runApplication([] {
        MainWindowParts main;
        auto window = std::make_unique<QLabel>(u"Brenvik Timer"_s);
        window->setWindowTitle(u"Brenvik Timer"_s);
        window->resize(274, 233);
        main.window = std::move(window);
        return main;
    });
}
