// Delay from the alarm second to the alarm handler and to its message box
// mapped on the X server, for alarms armed a few seconds ahead on the real
// clock with the real tick timer. The handler shows a modal box as the main
// window's does, so the tick stands still until the box has been closed.
//   alarmlatency [ALARMS]
#include "clock/trxclock.h"
#include "platform/timechangewatcher.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QMessageBox>
#include <QTime>
#include <QTimer>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

int msecsSince(int target)
{
    int delay = QTime::currentTime().msecsSinceStartOfDay() - target;
    if (delay < -43'200'000)
        delay += 86'400'000;
    return delay;
}

// Notes when the X server reports a given window mapped.
class MapFilter : public QAbstractNativeEventFilter
{
public:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t" || !window)
            return false;
        auto *event = static_cast<xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY
            && reinterpret_cast<xcb_map_notify_event_t *>(event)->window == window && onMapped)
            onMapped();
        return false;
    }
    xcb_window_t window = 0;
    std::function<void()> onMapped;
};

void printFigures(const char *what, std::vector<int> delays)
{
    if (delays.empty())
        return;
    std::sort(delays.begin(), delays.end());
    std::printf("%s: min (ms)=%d\n", what, delays.front());
    std::printf("%s: median (ms)=%d\n", what, delays[delays.size() / 2]);
    std::printf("%s: max (ms)=%d\n", what, delays.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const int alarms = argc > 1 ? std::atoi(argv[1]) : 20;
    platform::SystemTimeChangeWatcher timeChanges;
    QWidget window;
    window.resize(274, 233);
    auto *clock = new TRxClock(&window, platform::SystemClock::local(), timeChanges);
    clock->setGeometry(104, 24, 137, 25);
    window.show();

    MapFilter filter;
    app.installNativeEventFilter(&filter);
    std::vector<int> handled;
    std::vector<int> mapped;
    std::vector<int> boxTimes;   // from the handler to the box mapped
    int target = 0;   // msecs since midnight of the armed second
    auto arm = [&] {
        // Two or three seconds ahead, at a varying phase of the 450 ms tick.
        const int now = QTime::currentTime().msecsSinceStartOfDay();
        target = (now / 1000 + 2 + int(handled.size() % 2)) * 1000 % 86'400'000;
        const QTime t = QTime::fromMSecsSinceStartOfDay(target);
        clock->setAlarmHour(quint8(t.hour()));
        clock->setAlarmMinute(quint8(t.minute()));
        clock->setAlarmSecond(quint8(t.second()));
        clock->setAlarmEnabled(true);
    };
    QObject::connect(clock, &TRxClock::OnAlarm, &app, [&](QObject *) {
        handled.push_back(msecsSince(target));
        QMessageBox box(QMessageBox::Information, QStringLiteral("Information"),
                        QStringLiteral("Alarm"), QMessageBox::Ok, &window);
        auto close = [&] {
            mapped.push_back(msecsSince(target));
            boxTimes.push_back(mapped.back() - handled.back());
            filter.window = 0;
            QTimer::singleShot(0, &box, &QDialog::accept);
        };
        if (x11) {
            filter.window = xcb_window_t(box.winId());
            filter.onMapped = close;
        } else {
            QTimer::singleShot(0, &box, close);
        }
        box.exec();
        clock->setAlarmEnabled(false);
        if (int(handled.size()) == alarms)
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
        else
            QTimer::singleShot(int(handled.size() * 37 % 450), &app, arm);
    });
    arm();
    QTimer::singleShot((alarms * 4 + 10) * 1000, &app, &QCoreApplication::quit);
    app.exec();

    std::printf("alarms delivered=%zu of %d\n", handled.size(), alarms);
    printFigures("to the handler", handled);
    if (x11) {
        printFigures("to the box mapped", mapped);
        printFigures("handler to the box mapped", boxTimes);
    }
    const int late = int(std::count_if(mapped.begin(), mapped.end(), [](int d) { return d > 500; }));
    std::printf("%s later than 500 ms=%d\n", x11 ? "boxes mapped" : "boxes shown", late);
    return int(handled.size()) == alarms ? 0 : 1;
}
