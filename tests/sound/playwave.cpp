// Plays a wave file through the wave player and the sound card the way the
// alarm does, then waits: playwave FILE MILLISECONDS. For the audio test;
// prints how long starting the file held the calling thread.

#include "platform/waveoutput.h"
#include "sound/twavsound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    TWavSound player(nullptr, platform::WaveOutput::system());
    player.setSoundLoop(false);
    player.setSoundFile(QString::fromLocal8Bit(argv[1]));
    // How long the caller's thread is held by starting a file.
    QElapsedTimer held;
    held.start();
    player.setActive(true);
    std::printf("start held the thread %.1f ms\n", held.nsecsElapsed() / 1e6);
    std::fflush(stdout);
    QTimer::singleShot(QByteArray(argv[2]).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}
