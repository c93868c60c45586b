#pragma once

#include <QObject>
#include <QThread>

#include <chrono>
#include <exception>
#include <functional>
#include <memory>

struct TimerShared;
class TickRelay;

// The worker of a TRxTimer in worker mode. It reads only the shared state,
// never the timer, so a timer may be destroyed while a tick is on its way.
class TTimerThread : public QThread
{
    Q_OBJECT

public:
    explicit TTimerThread(std::shared_ptr<TimerShared> shared);

protected:
    void run() override;

private:
    void DeliverTick();
    void ReportTickError(std::exception_ptr error);

    std::shared_ptr<TimerShared> m_shared;
};

// A component that calls OnTimer every Interval milliseconds, either from its
// own worker thread (the default; with SyncEvent the tick is handed to the UI
// thread and the worker waits for it) or from a UI-thread timer.
//
// Decisions where the behaviour was left open:
// - Pausing: the worker waits on a condition variable before each sleep. A
//   sleep that ends while the worker is paused drops its tick; after the resume
//   a fresh sleep with the new Interval starts. A pause and resume during a
//   sleep (changing Interval on a running timer) leaves that sleep's length.
// - Priorities map in order onto the worker's scheduling policy and nice value
//   (see scheduling()), relative to the nice value the process had when the
//   timer was made; every mapping can be left again without privileges.
// - Window-mode ticks run from an event posted by the UI-thread timer, so a
//   handler that runs a nested event loop is entered again by the next tick.
// - A handler may declare its coming ticks idle (setQuietUntil): ticks due
//   before then are skipped, and the worker sleeps through to the first tick
//   after it. The ticks keep their Interval grid.
// - An exception escaping OnTimer is reported on the UI thread through
//   platform::Application::reportException (EAbort silently) in both worker
//   variants; the worker goes on ticking.
// - The sleep ends early only by destruction (a new quiet period only makes
//   the worker pick its next tick on the same grid again). The destructor wakes the
//   worker and waits for it, serving a hand-over it may be blocked in, so no
//   thread outlives the timer and no event loop is needed for that. Destroyed
//   from inside its own tick (where the worker waits for that very tick), it
//   cannot wait: the worker is told to stop, and once it has ended the UI
//   thread releases it.
// - While the application terminates, the worker keeps sleeping without
//   ticks instead of spinning until it is stopped.
class TRxTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ enabled WRITE setEnabled)
    Q_PROPERTY(uint Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool SyncEvent READ syncEvent WRITE setSyncEvent)
    Q_PROPERTY(bool Threaded READ threaded WRITE setThreaded)
    Q_PROPERTY(TThreadPriority ThreadPriority READ threadPriority WRITE setThreadPriority)

public:
    enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
    Q_ENUM(TThreadPriority)

    explicit TRxTimer(QObject *owner = nullptr);
    ~TRxTimer() override;

    bool enabled() const;
    void setEnabled(bool enabled);
    uint interval() const { return m_interval; }
    void setInterval(uint interval);
    bool syncEvent() const;
    void setSyncEvent(bool syncEvent);
    bool threaded() const { return m_threaded; }
    void setThreaded(bool threaded);
    TThreadPriority threadPriority() const { return m_threadPriority; }
    void setThreadPriority(TThreadPriority priority);

    std::function<void(QObject *sender)> onTimer() const;
    void setOnTimer(std::function<void(QObject *)> handler);

    // Whether the timer delivers ticks: Enabled, Interval not 0, OnTimer assigned.
    bool running() const;
    // For diagnostics and tests: the worker is waiting for the UI thread to take a tick.
    bool handOverPending() const;
    // For tests: the worker runs (is not paused) and the window-mode timer.
    bool workerActive() const;
    bool timerWindowActive() const { return m_timerWindow; }

    // Ticks due before `until` are skipped in either mode: not handed over, not
    // run. For a handler that knows its ticks change nothing until then; call it
    // from any thread. Replacing the handler or re-applying the state ends it.
    void setQuietUntil(std::chrono::steady_clock::time_point until);
    // The end of the quiet period; the epoch when there is none.
    std::chrono::steady_clock::time_point quietUntil() const;

    // What a priority means on Linux: a scheduling policy and a nice value.
    // baseNice is the process's own nice value, lowestNice the lowest nice value
    // the process may set (-20 with CAP_SYS_NICE, else from RLIMIT_NICE).
    struct Scheduling
    {
        int policy;
        int nice;
        bool operator==(const Scheduling &) const = default;
    };
    static Scheduling scheduling(TThreadPriority priority, int baseNice, int lowestNice);

protected:
    void timerEvent(QTimerEvent *event) override;
    bool event(QEvent *event) override;

private:
    friend class TickRelay;
    void ApplyTimerState();
    void ApplyPriority();
    void DoTick();

    std::shared_ptr<TimerShared> m_shared;
    TTimerThread *m_worker = nullptr;
    TickRelay *m_relay = nullptr;
    uint m_interval = 1000;
    bool m_threaded = true;
    TThreadPriority m_threadPriority = tpNormal;
    bool m_timerWindow = false;
    int m_timerId = 0;
    bool m_windowTickPosted = false;
    bool m_destroying = false;
    int m_baseNice = 0;
};
