#include "platform/timechangewatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <ctime>

#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

SystemTimeChangeWatcher::SystemTimeChangeWatcher(QObject *parent)
    : TimeChangeWatcher(parent)
{
    m_fd = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_fd < 0)
        return;
    if (!arm()) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SystemTimeChangeWatcher::readable);
}

SystemTimeChangeWatcher::~SystemTimeChangeWatcher()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

bool SystemTimeChangeWatcher::arm()
{
    // An absolute expiry a century ahead, so in practice only a clock change
    // wakes the fd (a fixed date would one day lie in the past and fire at once).
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    itimerspec spec{};
    spec.it_value.tv_sec = now.tv_sec + std::time_t(100) * 365 * 86'400;
    return ::timerfd_settime(m_fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0;
}

void SystemTimeChangeWatcher::readable()
{
    std::uint64_t expirations = 0;
    const ssize_t n = ::read(m_fd, &expirations, sizeof expirations);
    if (n < 0 && errno == ECANCELED) {
        // Cancelled timers must be armed again to report the next change.
        arm();
        emit timeChanged();
    } else if (n < 0 && errno == EAGAIN) {
        return;
    } else {
        arm();
    }
}

} // namespace platform
