// What one clock tick costs on the UI thread: the tick itself and the repaint it
// causes, within a minute (only the seconds change) and on an hour change.
#include "clock/tdatetime.h"
#include "clock/trxclock.h"
#include "platform/timechangewatcher.h"

#include <QTest>

#include <cstdio>

class TickBench : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void withinMinute();
    void hourChange();

private:
    // Shows the clock as the main window does and ticks it with alternating times.
    void tickBetween(TDateTime a, TDateTime b, const char *areaKey);

    QWidget *m_window = nullptr;
    TRxClock *m_clock = nullptr;
    platform::SystemTimeChangeWatcher m_timeChanges;
    TDateTime m_now = 0;
};

void TickBench::init()
{
    m_window = new QWidget;
    m_window->resize(274, 233);
    m_clock = new TRxClock(m_window, platform::SystemClock::local(), m_timeChanges);
    m_clock->setGeometry(104, 24, 137, 25);
    m_clock->setBevelInner(TRxClock::bvNone);
    m_clock->setBevelOuter(TRxClock::bvNone);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(20);
    m_clock->setFont(font);
    m_clock->OnGetTime = [this](QObject *, TDateTime &time) { time = m_now; };
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TickBench::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TickBench::tickBetween(TDateTime a, TDateTime b, const char *areaKey)
{
    m_now = a;
    m_clock->repaint();
    bool flip = false;
    QBENCHMARK {
        flip = !flip;
        m_now = flip ? b : a;
        m_clock->ClockTick(m_clock);
        QCoreApplication::sendPostedEvents();   // the repaint the tick asked for
    }
    qint64 area = 0;
    for (const QRect &r : m_clock->lastTickRegion())
        area += qint64(r.width()) * r.height();
    std::printf("%s=%lld of %d px\n", areaKey, static_cast<long long>(area),
                m_clock->width() * m_clock->height());
}

void TickBench::withinMinute()
{
    tickBetween(EncodeTime(10, 15, 20), EncodeTime(10, 15, 21), "area redrawn per tick within a minute");
}

void TickBench::hourChange()
{
    tickBetween(EncodeTime(10, 59, 59), EncodeTime(11, 0, 0), "area redrawn per tick on an hour change");
}

QTEST_MAIN(TickBench)
#include "tickbench.moc"
