#include "trxtimer.h"

#include "platform/application.h"
#include "platform/errors.h"

#include <QCoreApplication>
#include <QTimerEvent>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <mutex>

using namespace Qt::StringLiterals;

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
    std::function<void(QObject *)> onTimer;

    std::atomic<bool> enabled{true};
    std::atomic<bool> syncEvent{true};
    std::atomic<bool> handOver{false};

    QObject *sender = nullptr;  // passed to the handler, never dereferenced here
    QObject *relay = nullptr;   // lives on the UI thread until the worker has finished
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

// Receives the worker's handed-over calls on the UI thread.
class TickRelay : public QObject
{
public:
    using QObject::QObject;
};

TTimerThread::TTimerThread(std::shared_ptr<TimerShared> shared)
    : m_shared(std::move(shared))
{
}

void TTimerThread::run()
{
    TimerShared &s = *m_shared;
    std::unique_lock lock(s.mutex);
    for (;;) {
        s.wake.wait(lock, [&] { return s.stop || !s.paused; });
        if (s.stop)
            break;
        // Only destruction ends a sleep early.
        if (s.wake.wait_for(lock, std::chrono::milliseconds(s.interval), [&] { return s.stop; }))
            break;
        // A sleep that ended while paused drops its tick; a terminating
        // application gets none either.
        if (s.paused || !s.enabled || platform::Application::terminating())
            continue;
        lock.unlock();
        if (s.syncEvent) {
            DeliverTick();
        } else {
            try {
                s.doTick();
            } catch (...) {
                ReportTickError(std::current_exception());
            }
        }
        lock.lock();
    }
}

void TTimerThread::DeliverTick()
{
    TimerShared &s = *m_shared;
    std::exception_ptr error;
    s.handOver = true;
    QMetaObject::invokeMethod(
        s.relay,
        [&s, &error] {
            ++s.uiTickDepth;
            try {
                s.doTick();
            } catch (...) {
                error = std::current_exception();
            }
            --s.uiTickDepth;
        },
        Qt::BlockingQueuedConnection);
    s.handOver = false;
    if (error)
        ReportTickError(error);
}

void TTimerThread::ReportTickError(const std::exception_ptr &error)
{
    TimerShared &s = *m_shared;
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
        return;
    } catch (...) {
    }
    {
        std::lock_guard lock(s.mutex);
        if (s.stop)
            return;
    }
    // The report is a modal box: it belongs on the UI thread, and the worker
    // waits for it so reports never pile up.
    QMetaObject::invokeMethod(
        s.relay,
        [&s, &error] {
            {
                std::lock_guard lock(s.mutex);
                if (s.stop)
                    return;
            }
            platform::Application::reportException(error);
        },
        Qt::BlockingQueuedConnection);
}

TRxTimer::TRxTimer(QObject *owner)
    : QObject(owner)
    , m_shared(std::make_shared<TimerShared>())
{
    m_shared->sender = this;
    m_relay = new TickRelay;
    m_shared->relay = m_relay;
    m_worker = new TTimerThread(m_shared);
    m_worker->start();
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
        QObject::connect(worker, &QThread::finished, relay, [worker, relay] {
            worker->wait();
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
    if (changed)
        ApplyTimerState();
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

QThread::Priority TRxTimer::qtPriority(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle: return QThread::IdlePriority;
    case tpLowest: return QThread::LowestPriority;
    case tpLower: return QThread::LowPriority;
    case tpNormal: return QThread::NormalPriority;
    case tpHigher: return QThread::HighPriority;
    case tpHighest: return QThread::HighestPriority;
    case tpTimeCritical: return QThread::TimeCriticalPriority;
    }
    return QThread::NormalPriority;
}

void TRxTimer::ApplyTimerState()
{
    const bool run = running();
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
            m_worker->setPriority(qtPriority(m_threadPriority));
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
    platform::Application::guarded([this] { DoTick(); });
}
