// The least a Qt Widgets clock costs: one label set each second by a timer.
#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLabel label;
    auto tick = [&label] { label.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))); };
    tick();
    label.show();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &label, tick);
    timer.start(1000);
    return app.exec();
}
