// The start-up cost of the layout face in a fresh process, offscreen: the font
// database's population (which the first text needs anyway), the face step
// after it (only the check when fontconfig lists the face; the check and the
// registration of two files when it does not), and the first text in the face.
// Prints key=value lines in milliseconds.

#include "platform/layoutface.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    const int families = int(QFontDatabase::families().size());
    const double populated = double(timer.nsecsElapsed()) / 1e6;
    const int registered = int(platform::setUpLayoutFace().size());
    const double provided = double(timer.nsecsElapsed()) / 1e6;
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(13);
    const int width = QFontMetrics(font).horizontalAdvance(QStringLiteral("Aktuelle Zeit"));
    const double texted = double(timer.nsecsElapsed()) / 1e6;
    std::printf("families=%d\nregistered=%d\ntext width=%d\n", families, registered, width);
    std::printf("population ms=%.3f\nface step ms=%.3f\nfirst text ms=%.3f\n", populated,
                provided - populated, texted - provided);
    return 0;
}
