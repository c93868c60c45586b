// Plays a wave file through the wave player and the sound card the way the
// alarm does, then waits:
//     playwave [--first SHORT_FILE] FILE MILLISECONDS
// For the audio test; prints how long starting the file held the calling
// thread, and the longest gap of a 5 ms heartbeat timer on that thread from
// just before the start until 500 ms after it. With --first, SHORT_FILE is
// played and stopped first, so the one-off loading of the sound module is
// not counted.

#include "platform/waveoutput.h"
#include "sound/twavsound.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QString first;
    if (args.size() == 4 && args.at(0) == QLatin1String("--first")) {
        first = args.at(1);
        args = args.mid(2);
    }
    if (args.size() != 2)
        return 2;
    TWavSound player(nullptr, platform::WaveOutput::system());
    player.setSoundLoop(false);
    if (!first.isEmpty()) {
        player.setSoundFile(first);
        player.setActive(true);
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1000)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
        player.setSoundFile(QString()); // stops it
    }
    player.setSoundFile(args.at(0));

    QElapsedTimer clock;
    clock.start();
    qint64 last = -1; // no beat yet
    qint64 longestGap = 0;
    qint64 gapEnd = 0;
    qint64 started = 0;
    bool watching = true;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (watching && last >= 0 && now - last > longestGap) {
            longestGap = now - last;
            gapEnd = now;
        }
        last = now;
    });
    heartbeat.start(5);
    QTimer::singleShot(20, &app, [&] {
        QElapsedTimer held;
        held.start();
        started = clock.nsecsElapsed() / 1000;
        player.setActive(true);
        std::printf("start held the thread %.1f ms\n", held.nsecsElapsed() / 1e6);
        std::fflush(stdout);
        QTimer::singleShot(500, &app, [&] {
            watching = false;
            std::printf("longest heartbeat gap %.1f ms, ending %.1f ms after the start\n", longestGap / 1e3,
                        (gapEnd - started) / 1e3);
            std::fflush(stdout);
        });
    });
    QTimer::singleShot(20 + args.at(1).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}
