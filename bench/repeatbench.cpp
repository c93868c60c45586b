// A spin edit's arrow held down on the real event loop: when the first repeat
// comes after the press, and how far apart the later ones are.
#include "controls/tflatspineditinteger.h"
#include "controls/tspinbutton.h"
#include "controls/ttimerspeedbutton.h"
#include "tests/fakes/pointer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int holds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QWidget form;
    auto *field = new TFlatSpinEditInteger(&form);
    field->setGeometry(10, 10, 49, 23);
    form.show();
    TTimerSpeedButton *up = field->button()->upButton();

    FakePointer pointer;
    QElapsedTimer clock;
    std::vector<double> steps;
    QObject::connect(field, &QLineEdit::textChanged, &form,
                     [&] { steps.push_back(clock.nsecsElapsed() / 1e6); });
    std::vector<double> firsts;
    std::vector<double> later;
    for (int hold = 0; hold < holds; ++hold) {
        field->setText(QStringLiteral("0"));
        steps.clear();
        pointer.move(up, {5, 5});
        clock.start();
        pointer.press(up, {5, 5});
        // Held for the first repeat and ten more; an event loop, not a test
        // wait, which sleeps in slices of 10 ms.
        QEventLoop loop;
        QTimer::singleShot(1450, &loop, &QEventLoop::quit);
        loop.exec();
        pointer.release(up, {5, 5});
        steps.pop_back(); // the step of the release
        if (steps.empty())
            return 1;
        firsts.push_back(steps.front());
        for (size_t i = 1; i < steps.size(); ++i)
            later.push_back(steps[i] - steps[i - 1]);
    }
    const auto [firstMin, firstMax] = std::minmax_element(firsts.begin(), firsts.end());
    const auto [laterMin, laterMax] = std::minmax_element(later.begin(), later.end());
    std::printf("holds=%d (%zu later repeats)\n", holds, later.size());
    std::printf("press to the first repeat: min (ms)=%.1f\n", *firstMin);
    std::printf("press to the first repeat: median (ms)=%.1f\n", median(firsts));
    std::printf("press to the first repeat: max (ms)=%.1f\n", *firstMax);
    std::printf("between later repeats: min (ms)=%.1f\n", *laterMin);
    std::printf("between later repeats: median (ms)=%.1f\n", median(later));
    std::printf("between later repeats: max (ms)=%.1f\n", *laterMax);
    return 0;
}
