// Runs the program's platform choice and its alarm attention on whatever
// desktop it is started on, for the end-to-end tests:
//   attentionprobe platform      prints the platform Qt runs on
//   attentionprobe alarm TEXT    a window's alarm: forward, attention with TEXT,
//                                withdrawn a second later
#include "platform/application.h"
#include "platform/platformchoice.h"
#include "platform/windowactivation.h"

#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    platform::choosePlatformBeforeQApplication(argc, argv);
    platform::Application app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
    std::fflush(stdout);
    if (args.value(1) != QLatin1String("alarm"))
        return 0;
    QWidget window;
    window.resize(200, 100);
    window.showMinimized();
    platform::WindowActivation &activation = platform::WindowActivation::system();
    QTimer::singleShot(300, &window, [&] {
        activation.bringToForeground(&window);
        activation.requestAttention(&window, args.value(2));
        QTimer::singleShot(1000, &window, [&] {
            activation.withdrawAttention(&window);
            QTimer::singleShot(1000, &app, &QCoreApplication::quit);
        });
    });
    return QCoreApplication::exec();
}
