// Delay from the alarm second to the alarm handler, for alarms armed a few
// seconds ahead on the real clock with the real tick timer.
#include "clock/trxclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTime>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int alarms = argc > 1 ? std::atoi(argv[1]) : 20;
    QWidget window;
    auto *clock = new TRxClock(&window);
    clock->setGeometry(104, 24, 137, 25);
    window.show();

    std::vector<int> delays;
    int target = 0;   // msecs since midnight of the armed second
    auto arm = [&] {
        // Two or three seconds ahead, at a varying phase of the 450 ms tick.
        const int now = QTime::currentTime().msecsSinceStartOfDay();
        target = (now / 1000 + 2 + int(delays.size() % 2)) * 1000 % 86'400'000;
        const QTime t = QTime::fromMSecsSinceStartOfDay(target);
        clock->setAlarmHour(quint8(t.hour()));
        clock->setAlarmMinute(quint8(t.minute()));
        clock->setAlarmSecond(quint8(t.second()));
        clock->setAlarmEnabled(true);
    };
    QObject::connect(clock, &TRxClock::OnAlarm, &app, [&](QObject *) {
        int delay = QTime::currentTime().msecsSinceStartOfDay() - target;
        if (delay < -43'200'000)
            delay += 86'400'000;
        delays.push_back(delay);
        clock->setAlarmEnabled(false);
        if (int(delays.size()) == alarms)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        else
            QTimer::singleShot(int(delays.size() * 37 % 450), &app, arm);
    });
    arm();
    QTimer::singleShot((alarms * 4 + 10) * 1000, &app, &QCoreApplication::quit);
    app.exec();

    if (delays.empty()) {
        std::printf("alarms delivered=0 of %d\n", alarms);
        return 1;
    }
    std::sort(delays.begin(), delays.end());
    std::printf("alarms delivered=%zu of %d\n", delays.size(), alarms);
    std::printf("delay min (ms)=%d\n", delays.front());
    std::printf("delay median (ms)=%d\n", delays[delays.size() / 2]);
    std::printf("delay max (ms)=%d\n", delays.back());
    return int(delays.size()) == alarms ? 0 : 1;
}
