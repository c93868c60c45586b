// Plays a wave file through the wave player and the sound card the way the
// alarm does, then waits: playwave FILE MILLISECONDS. For the audio test.

#include "sound/twavsound.h"

#include <QCoreApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    TWavSound player;
    player.setSoundLoop(false);
    player.setSoundFile(QString::fromLocal8Bit(argv[1]));
    player.setActive(true);
    QTimer::singleShot(QByteArray(argv[2]).toInt(), &app, &QCoreApplication::quit);
    return app.exec();
}
