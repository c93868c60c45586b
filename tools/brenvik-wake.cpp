// brenvik-wake SECONDS: keeps a wake-up timer set for the alarm, so that a
// suspended computer wakes in time for it. The program starts one for each
// armed alarm and stops it on disarm.
//
// This is the only file that carries a capability (cap_wake_alarm), so it is
// kept small: it reads nothing but its one argument, and gives the capability
// up as soon as the timer is set.
//
// Exit status: 0 when the time has come or it was told to stop (SIGTERM, or its
// parent ended); 2 for a refused argument; 3 when no wake-up timer can be set
// (no capability, or a kernel without alarm timers); 1 for anything else, also
// when the capability cannot be given up.

#include <linux/capability.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;
constexpr int ExitNoWakeTimer = 3;
constexpr long long MaxAheadSeconds = 48LL * 60 * 60;

int refuse(const char *what, const char *argument)
{
    std::fprintf(stderr, "brenvik-wake: %s: %s\n", what, argument);
    return ExitUsage;
}

// Decimal digits only: no sign, no blanks, no base prefix.
bool parseSeconds(const char *text, long long &value)
{
    if (*text == '\0')
        return false;
    value = 0;
    for (const char *p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        if (value > (INT64_MAX - 9) / 10)
            return false;
        value = value * 10 + (*p - '0');
    }
    return true;
}

bool dropCapabilities()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    return syscall(SYS_capset, &header, data) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    const pid_t parent = getppid();
    // Ends with the program that started it. The parent may have ended before
    // prctl took effect; then the helper has been handed to another process.
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
        return ExitFailure;

    if (argc != 2) {
        std::fputs("brenvik-wake: Aufruf: brenvik-wake SEKUNDEN (Weckzeit in Sekunden seit "
                   "1970-01-01 UTC)\n",
                   stderr);
        return ExitUsage;
    }
    long long when = 0;
    if (!parseSeconds(argv[1], when))
        return refuse("keine ganze Zahl von Sekunden", argv[1]);
    const long long now = std::time(nullptr);
    if (when < now)
        return refuse("die Weckzeit liegt in der Vergangenheit", argv[1]);
    if (when - now > MaxAheadSeconds)
        return refuse("die Weckzeit liegt mehr als 48 Stunden voraus", argv[1]);

    // SIGTERM (also the parent-death signal) and its like end the wait
    // through a signalfd, whatever disposition the parent left behind.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stopSignals, nullptr) != 0)
        return ExitFailure;
    const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (signalFd < 0)
        return ExitFailure;

    const int timerFd = timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    if (timerFd < 0) {
        std::fprintf(stderr, "brenvik-wake: kein Wecktimer möglich: %s\n", std::strerror(errno));
        return ExitNoWakeTimer;
    }
    itimerspec spec{};
    spec.it_value.tv_sec = static_cast<time_t>(when);
    if (timerfd_settime(timerFd, TFD_TIMER_ABSTIME, &spec, nullptr) != 0) {
        std::fprintf(stderr, "brenvik-wake: kein Wecktimer möglich: %s\n", std::strerror(errno));
        return ExitNoWakeTimer;
    }
    // A helper that cannot give the capability up does not keep running with
    // it: without it the alarm still comes, only the computer is not woken.
    if (!dropCapabilities()) {
        std::fprintf(stderr, "brenvik-wake: die Berechtigung lässt sich nicht abgeben: %s\n",
                     std::strerror(errno));
        return ExitFailure;
    }

    pollfd fds[2] = {{timerFd, POLLIN, 0}, {signalFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return ExitFailure;
        }
        // Either the time has come or the helper was told to stop.
        if ((fds[0].revents | fds[1].revents) != 0)
            return 0;
    }
}
