#include "clock/trxtimer.h"

#include "platform/application.h"
#include "platform/programending.h"
#include "base/errors.h"

#include <QCoreApplication>
#include <QMetaMethod>
#include <QTimerEvent>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>

#include <linux/capability.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using SteadyClock = std::chrono::steady_clock;

namespace {

const QEvent::Type WindowTickEvent = QEvent::Type(QEvent::registerEventType());

// The lowest nice value this thread may give a thread of its process.
int lowestAllowedNice()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) == 0
        && (data[CAP_SYS_NICE / 32].effective & (1u << (CAP_SYS_NICE % 32))))
        return -20;
    rlimit limit{};
    if (getrlimit(RLIMIT_NICE, &limit) != 0)
        return 20;
    // RLIMIT_NICE n allows nice values down to 20 - n.
    const rlim_t n = std::min<rlim_t>(limit.rlim_cur, 40);
    return 20 - int(n);
}

} // namespace

// State that the timer and its worker share. The worker holds it by
// shared_ptr and never reaches the timer itself.
struct TimerShared
{
    std::mutex mutex;
    std::condition_variable wake;
    // Guarded by mutex.
    bool paused = true;
    bool stop = false;
    uint interval = 1000;
    SteadyClock::time_point quietUntil{};
    unsigned quietVersion = 0;   // changed with quietUntil, to wake the sleep
    pid_t tid = 0;               // the worker's kernel thread id, once it runs
    std::function<void(QObject *)> onTimer;
    std::exception_ptr pendingError;   // raised on the worker, reported on the UI thread

    std::atomic<bool> enabled{true};
    std::atomic<bool> syncEvent{true};
    std::atomic<bool> handOver{false};

    QObject *sender = nullptr;  // passed to the handler, never dereferenced here
    QObject *relay = nullptr;   // lives on the UI thread until the worker has finished
    QMetaMethod deliver;        // the relay's slots, looked up once
    QMetaMethod report;
    int uiTickDepth = 0;        // UI thread only: inside a handed-over tick

    // The tick step. Enabled and the handler are tested again at delivery;
    // the destructor clears both before it stops the worker.
    void doTick()
    {
        std::function<void(QObject *)> handler;
        {
            std::lock_guard lock(mutex);
            if (!enabled || stop || !onTimer)
                return;
            // A copy, so a handler that replaces itself keeps running intact.
            handler = onTimer;
        }
        handler(sender);
    }
};

// Receives the worker's handed-over calls on the UI thread (blocking queued
// meta-calls, the same path as QMetaObject::invokeMethod by name, looked up once):
// the worker then passes nothing of its own across, and every datum that
// crosses threads goes through TimerShared's mutex.
class TickRelay : public QObject
{
    Q_OBJECT

public:
    explicit TickRelay(std::shared_ptr<TimerShared> shared) : m_shared(std::move(shared)) {}

public slots:
    // The tick itself. What escapes the handler is reported here, on the UI
    // thread, while the worker still waits: the timer then goes on.
    void deliver()
    {
        TimerShared &s = *m_shared;
        ++s.uiTickDepth;
        try {
            s.doTick();
        } catch (...) {
            reportCurrent();
        }
        --s.uiTickDepth;
    }

    // An exception from a tick that ran on the worker.
    void report()
    {
        std::exception_ptr error;
        {
            std::lock_guard lock(m_shared->mutex);
            error.swap(m_shared->pendingError);
            if (m_shared->stop)
                return;
        }
        if (error)
            platform::Application::reportException(error);
    }

private:
    void reportCurrent()
    {
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->stop)
                return;
        }
        platform::Application::reportCurrentException();
    }

    std::shared_ptr<TimerShared> m_shared;
};

TTimerThread::TTimerThread(std::shared_ptr<TimerShared> shared)
    : m_shared(std::move(shared))
{
}

void TTimerThread::run()
{
    TimerShared &s = *m_shared;
    std::unique_lock lock(s.mutex);
    s.tid = pid_t(syscall(SYS_gettid));
    s.wake.notify_all();
    for (;;) {
        s.wake.wait(lock, [&] { return s.stop || !s.paused; });
        if (s.stop)
            break;
        // The tick falls due one Interval after the last one returned; ticks
        // due inside a quiet period are skipped on the same grid, so the worker
        // sleeps through to the first one after it. A new quiet period wakes
        // the sleep to look again; only destruction ends it for good.
        const auto step = std::chrono::milliseconds(std::max(1u, s.interval));
        const auto first = SteadyClock::now() + step;
        bool stopped = false;
        for (;;) {
            const auto from = std::max(s.quietUntil, SteadyClock::now());
            auto due = first;
            if (from > first)
                due += step * ((from - first + step - std::chrono::nanoseconds(1)) / step);
            const unsigned seen = s.quietVersion;
            if (!s.wake.wait_until(lock, due, [&] { return s.stop || s.quietVersion != seen; }))
                break;
            if (s.stop) {
                stopped = true;
                break;
            }
        }
        if (stopped)
            break;
        // A sleep that ended while paused drops its tick; a terminating
        // application gets none either.
        if (s.paused || !s.enabled || platform::programEnding())
            continue;
        lock.unlock();
        if (s.syncEvent) {
            DeliverTick();
        } else {
            std::exception_ptr error;
            try {
                s.doTick();
            } catch (...) {
                error = std::current_exception();
            }
            if (error)
                ReportTickError(std::move(error));
        }
        lock.lock();
    }
}

void TTimerThread::DeliverTick()
{
    TimerShared &s = *m_shared;
    s.handOver = true;
    s.deliver.invoke(s.relay, Qt::BlockingQueuedConnection);
    s.handOver = false;
}

void TTimerThread::ReportTickError(std::exception_ptr error)
{
    TimerShared &s = *m_shared;
    {
        std::lock_guard lock(s.mutex);
        if (s.stop)
            return;
        s.pendingError = std::move(error);
    }
    // The report is a modal box: it belongs on the UI thread, and the worker
    // waits for it so reports never pile up.
    s.report.invoke(s.relay, Qt::BlockingQueuedConnection);
}

TRxTimer::TRxTimer(QObject *owner)
    : QObject(owner)
    , m_shared(std::make_shared<TimerShared>())
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    m_baseNice = errno == 0 ? nice : 0;
    m_shared->sender = this;
    m_relay = new TickRelay(m_shared);
    m_shared->relay = m_relay;
    const QMetaObject *relayMeta = m_relay->metaObject();
    m_shared->deliver = relayMeta->method(relayMeta->indexOfSlot("deliver()"));
    m_shared->report = relayMeta->method(relayMeta->indexOfSlot("report()"));
    m_worker = new TTimerThread(m_shared);
    m_worker->start();
    // Priorities are applied from here, by the worker's thread id.
    std::unique_lock lock(m_shared->mutex);
    m_shared->wake.wait(lock, [this] { return m_shared->tid != 0; });
}

TRxTimer::~TRxTimer()
{
    m_destroying = true;
    std::function<void(QObject *)> handler;
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->enabled = false;
        handler.swap(m_shared->onTimer);
    }
    if (m_timerWindow && m_timerId)
        killTimer(m_timerId);

    if (m_shared->uiTickDepth > 0) {
        // Destroyed inside one of its own handed-over ticks: the worker waits
        // for that tick to return and cannot be waited for here. It finds the
        // stop flag when the tick returns; then its objects go.
        TTimerThread *worker = m_worker;
        QObject *relay = m_relay;
        QObject::connect(worker, &QThread::finished, relay, [worker, relay, shared = m_shared] {
            worker->wait();
            { std::lock_guard lock(shared->mutex); }
            delete worker;
            relay->deleteLater();
        });
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->stop = true;
            m_shared->paused = false;
        }
        m_shared->wake.notify_all();
        return;
    }

    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->stop = true;
        m_shared->paused = false;
    }
    m_shared->wake.notify_all();
    // Serve a hand-over the worker may be blocked in; this also works after
    // the event loop has ended.
    while (!m_worker->wait(10))
        QCoreApplication::sendPostedEvents(m_relay, QEvent::MetaCall);
    // The worker's last step is releasing the mutex; taking it here makes that
    // ordering visible to ThreadSanitizer, which cannot see into QThread::wait.
    { std::lock_guard lock(m_shared->mutex); }
    delete m_worker;
    delete m_relay;
}

bool TRxTimer::enabled() const
{
    return m_shared->enabled;
}

void TRxTimer::setEnabled(bool enabled)
{
    if (m_shared->enabled == enabled)
        return;
    m_shared->enabled = enabled;
    ApplyTimerState();
}

void TRxTimer::setInterval(uint interval)
{
    if (m_interval == interval)
        return;
    m_interval = interval;
    ApplyTimerState();
}

bool TRxTimer::syncEvent() const
{
    return m_shared->syncEvent;
}

void TRxTimer::setSyncEvent(bool syncEvent)
{
    m_shared->syncEvent = syncEvent;
}

void TRxTimer::setThreaded(bool threaded)
{
    if (m_threaded == threaded)
        return;
    m_threaded = threaded;
    ApplyTimerState();
}

void TRxTimer::setThreadPriority(TThreadPriority priority)
{
    if (m_threadPriority == priority)
        return;
    m_threadPriority = priority;
    if (m_threaded)
        ApplyTimerState();
}

std::function<void(QObject *)> TRxTimer::onTimer() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->onTimer;
}

void TRxTimer::setOnTimer(std::function<void(QObject *)> handler)
{
    bool changed;
    {
        std::lock_guard lock(m_shared->mutex);
        changed = bool(m_shared->onTimer) != bool(handler);
        handler.swap(m_shared->onTimer);
    }
    // The old handler is released here, outside the lock.
    handler = nullptr;
    setQuietUntil({});
    if (changed)
        ApplyTimerState();
}

void TRxTimer::setQuietUntil(SteadyClock::time_point until)
{
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->quietUntil == until)
            return;
        m_shared->quietUntil = until;
        ++m_shared->quietVersion;
    }
    m_shared->wake.notify_all();
}

SteadyClock::time_point TRxTimer::quietUntil() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->quietUntil;
}

bool TRxTimer::running() const
{
    if (!m_shared->enabled || m_interval == 0)
        return false;
    std::lock_guard lock(m_shared->mutex);
    return bool(m_shared->onTimer);
}

bool TRxTimer::handOverPending() const
{
    return m_shared->handOver;
}

bool TRxTimer::workerActive() const
{
    std::lock_guard lock(m_shared->mutex);
    return !m_shared->paused;
}

TRxTimer::Scheduling TRxTimer::scheduling(TThreadPriority priority, int baseNice, int lowestNice)
{
    // Without CAP_SYS_NICE a thread may raise its nice value and enter
    // SCHED_IDLE, but may come back only as far as RLIMIT_NICE allows (by
    // default not at all). Lower priorities therefore raise the nice value or
    // enter SCHED_IDLE only when the way back to the base is open, and take
    // SCHED_BATCH otherwise; higher ones lower the nice value as far as allowed.
    const bool reversible = lowestNice <= baseNice;
    const auto above = [&](int by) { return std::min(baseNice + by, 19); };
    const auto below = [&](int by) { return std::min(baseNice, std::max({baseNice - by, lowestNice, -20})); };
    switch (priority) {
    case tpIdle:
        return reversible ? Scheduling{SCHED_IDLE, 19} : Scheduling{SCHED_BATCH, baseNice};
    case tpLowest:
        return {SCHED_BATCH, reversible ? above(10) : baseNice};
    case tpLower:
        return reversible ? Scheduling{SCHED_OTHER, above(5)} : Scheduling{SCHED_BATCH, baseNice};
    case tpNormal:
        break;
    case tpHigher:
        return {SCHED_OTHER, below(5)};
    case tpHighest:
        return {SCHED_OTHER, below(10)};
    case tpTimeCritical:
        return {SCHED_OTHER, below(40)};
    }
    return {SCHED_OTHER, baseNice};
}

void TRxTimer::ApplyPriority()
{
    const pid_t tid = m_shared->tid;   // written once, before the constructor returned
    const Scheduling want = scheduling(m_threadPriority, m_baseNice, lowestAllowedNice());
    // The policy first: leaving SCHED_IDLE is judged by the present nice value.
    sched_param param{};
    if (sched_setscheduler(tid, want.policy, &param) != 0)
        sched_setscheduler(tid, SCHED_OTHER, &param);
    if (setpriority(PRIO_PROCESS, id_t(tid), want.nice) != 0)
        setpriority(PRIO_PROCESS, id_t(tid), m_baseNice);
}

void TRxTimer::ApplyTimerState()
{
    const bool run = running();
    setQuietUntil({});
    if (m_threaded) {
        if (m_timerWindow) {
            if (m_timerId)
                killTimer(m_timerId);
            m_timerId = 0;
            m_timerWindow = false;
        }
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->paused = true;
            m_shared->interval = m_interval;
        }
        if (run) {
            ApplyPriority();
            {
                std::lock_guard lock(m_shared->mutex);
                m_shared->paused = false;
            }
            m_shared->wake.notify_all();
        }
        return;
    }

    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->paused = true;
    }
    if (m_timerWindow) {
        if (m_timerId)
            killTimer(m_timerId);
        m_timerId = 0;
    } else {
        m_timerWindow = true;
    }
    if (run) {
        m_timerId = m_interval <= uint(INT_MAX) ? startTimer(int(m_interval)) : 0;
        if (m_timerId == 0)
            throw EOutOfResources(u"Nicht genügend Timer verfügbar"_s);
    }
}

void TRxTimer::DoTick()
{
    if (m_destroying)
        return;
    m_shared->doTick();
}

void TRxTimer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timerId) {
        QObject::timerEvent(event);
        return;
    }
    // Qt does not deliver a timer's event again while the last one is being
    // handled, so a handler inside a nested loop would never be entered
    // again. The tick runs from a posted event instead, after this timer
    // event is over; one waits at a time, as late ticks are not made up.
    if (!m_windowTickPosted) {
        m_windowTickPosted = true;
        QCoreApplication::postEvent(this, new QEvent(WindowTickEvent));
    }
}

bool TRxTimer::event(QEvent *event)
{
    if (event->type() != WindowTickEvent)
        return QObject::event(event);
    m_windowTickPosted = false;
    // A tick of a timer stopped since it was posted is dropped.
    if (!m_timerWindow || !m_timerId)
        return true;
    {
        std::lock_guard lock(m_shared->mutex);
        if (SteadyClock::now() < m_shared->quietUntil)
            return true;
    }
    platform::Application::guarded([this] { DoTick(); });
    return true;
}

#include "trxtimer.moc"
