#include "platform/application.h"

#include <QLabel>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    platform::Application app(argc, argv);
    QLabel window(u"Brenvik Timer"_s);
    window.setWindowTitle(u"Brenvik Timer"_s);
    window.resize(274, 233);
    window.show();
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, &app, &QCoreApplication::quit);
    return app.exec();
}
