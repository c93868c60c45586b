#include "platform/singleinstance.h"

#include <QDeadlineTimer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using platform::SingleInstance;

namespace {

constexpr uid_t Nobody = 65534;

// A display key no other test run uses, as they share the runtime folder.
QString uniqueKey(const char *name)
{
    return u":%1-%2"_s.arg(QCoreApplication::applicationPid()).arg(QString::fromLatin1(name));
}

SingleInstance::Reply ok(const SingleInstance::Request &)
{
    return {0, QString()};
}

// A later start, in a thread of its own, as the real one is a process of its own.
class LaterStart
{
public:
    LaterStart(const SingleInstance::Location &location, const SingleInstance::Request &request,
               int timeoutMSecs = 5000)
    {
        m_thread.reset(QThread::create([this, location, request, timeoutMSecs] {
            SingleInstance other(location);
            reply = other.forwardOrListen(request, timeoutMSecs);
            listened = other.isListening();
            done = true;
        }));
        m_thread->start();
    }
    LaterStart(const QString &key, const QStringList &arguments)
        : LaterStart(SingleInstance::locate(key), SingleInstance::Request{arguments, {}})
    {
    }
    ~LaterStart() { m_thread->wait(); }

    std::atomic<bool> done{false};
    std::optional<SingleInstance::Reply> reply;
    bool listened = false;

private:
    std::unique_ptr<QThread> m_thread;
};

sockaddr_un addressOf(const QString &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return address;
}

// A start of "--aus" that the clock does not answer in time: it reports so
// and runs no clock itself.
void startGivesUp(const SingleInstance::Location &location, int timeoutMSecs)
{
    LaterStart start(location, {{u"--aus"_s}, {}}, timeoutMSecs);
    QTRY_VERIFY_WITH_TIMEOUT(start.done, 10000);
    QVERIFY(!start.listened);
    QVERIFY(start.reply);
    QCOMPARE(start.reply->exitCode, 1);
    QCOMPARE(start.reply->error, u"Der laufende Wecker antwortet nicht."_s);
}

// A clock that stalls in the middle of a request: its loop runs until the start has ended.
void waitUntilDone(const LaterStart &start)
{
    const QDeadlineTimer deadline(10000);
    while (!start.done && !deadline.hasExpired())
        QTest::qWait(10);
}

QByteArray frameOf(const QByteArray &payload)
{
    QByteArray frame;
    {
        QDataStream stream(&frame, QIODevice::WriteOnly);
        stream << quint32(payload.size());
    }
    return frame + payload;
}

QByteArray requestFrame(const QStringList &arguments)
{
    QByteArray payload;
    {
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream << arguments;
    }
    return frameOf(payload);
}

// Waits up to ms for the descriptor to be readable; false on time-out.
bool readable(int fd, int ms)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

// Runs body in a child process and returns the child's id; body's result is
// the child's exit status. Only system calls in body: the child of a threaded
// process may use nothing else.
template<typename Body>
pid_t child(Body body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    return pid;
}

// The child's exit status, waiting in the event loop so the clock can answer.
int exitStatus(pid_t pid, int timeoutMs = 15000)
{
    int status = -1;
    QDeadlineTimer deadline(timeoutMs);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        QTest::qWait(20);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterStartHandsOverAndGetsTheReply();
    void requestsWaitForTheHandler();
    void clearsASocketLeftByAKilledProgram();
    void sameDisplay_data();
    void sameDisplay();
    void tooLongAPathStillFindsTheClock();
    void oversizedRequestIsDropped_data();
    void oversizedRequestIsDropped();
    void requestOfAStartThatGaveUpIsNotCarriedOut();
    void requestPastItsDeadlineIsNotCarriedOut();
    void clockStallsInTheMiddleOfARequest_data();
    void clockStallsInTheMiddleOfARequest();
    void fullQueueKeepsTheClocksSocket();
    void heldConnectionsDoNotStopListening();
    void listensAgainWhenDescriptorsAreBack();
    void peerOfAnotherUserIsRefused();
    void clockOfAnotherUserGetsNothing();
};

void tst_SingleInstance::laterStartHandsOverAndGetsTheReply()
{
    const QString key = uniqueKey("reply");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    QVERIFY(first.isListening());
    QVERIFY(first.problem().isEmpty());
    struct stat folder = {};
    QCOMPARE(::lstat(QFile::encodeName(QFileInfo(first.location().path).path()).constData(), &folder), 0);
    QCOMPARE(folder.st_mode & 077, mode_t(0));
    QList<SingleInstance::Request> received;
    first.setHandler([&received](const SingleInstance::Request &request) {
        received << request;
        // Terminal escapes from the other end are not printed as such.
        return SingleInstance::Reply{1, u"\x1b]2;Titel\x07Geben Sie Minuten ein, also nur Ziffern.\x1b[0m"_s};
    });

    const SingleInstance::Request request{{u"--in=zehn"_s, u"--meldung=Tee – fertig"_s},
                                          {u"launcher-42_TIME1234"_s, u"wl-token"_s}};
    LaterStart second(first.location(), request);
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(!second.listened);
    QVERIFY(second.reply);
    QCOMPARE(second.reply->exitCode, 1);
    QCOMPARE(second.reply->error, u"?]2;Titel?Geben Sie Minuten ein, also nur Ziffern.?[0m"_s);
    QCOMPARE(received.size(), 1);
    QCOMPARE(received[0].arguments, request.arguments);
    QCOMPARE(received[0].token, request.token);
}

void tst_SingleInstance::requestsWaitForTheHandler()
{
    // A start during the splash of the first: it is answered once the loop runs.
    const QString key = uniqueKey("wait");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    LaterStart second(key, {u"--aus"_s});
    QTest::qWait(300);
    QVERIFY(!second.done);
    first.setHandler(ok);
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
    QCOMPARE(second.reply->exitCode, 0);
}

void tst_SingleInstance::clearsASocketLeftByAKilledProgram()
{
    const QString key = uniqueKey("stale");
    const QString path = SingleInstance::locate(key).path;
    // What a killed program leaves: a bound socket file nobody listens on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    const sockaddr_un address = addressOf(path);
    QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFile::exists(path));

    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}, 2000));
    QVERIFY(first.isListening());
    first.setHandler(ok);
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
}

void tst_SingleInstance::sameDisplay_data()
{
    // N stands for a display number no other run uses.
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("later");
    QTest::addColumn<bool>("same");
    QTest::newRow("screen number") << u":N"_s << u":N.0"_s << true;
    QTest::newRow("unix host") << u":N"_s << u"unix:N"_s << true;
    QTest::newRow("unix host and screen") << u"unix:N.1"_s << u":N"_s << true;
    QTest::newRow("xcb protocol form") << u"unix/:N"_s << u":N"_s << true;
    QTest::newRow("another display") << u":N"_s << u":N1"_s << false;
    QTest::newRow("another host") << u":N"_s << u"rechner:N"_s << false;
    QTest::newRow("a platform without displays") << u"wayland-N"_s << u"wayland-N"_s << true;
}

void tst_SingleInstance::sameDisplay()
{
    QFETCH(QString, first);
    QFETCH(QString, later);
    QFETCH(bool, same);
    static int row = 0;
    const QString number = u"%1%2"_s.arg(QCoreApplication::applicationPid()).arg(++row);
    SingleInstance one(first.replace(u'N', number));
    QVERIFY(!one.forwardOrListen({}));
    one.setHandler(ok);
    LaterStart other(later.replace(u'N', number), {});
    QTRY_VERIFY_WITH_TIMEOUT(other.done, 10000);
    QCOMPARE(bool(other.reply), same);
    QCOMPARE(other.listened, !same);
}

void tst_SingleInstance::tooLongAPathStillFindsTheClock()
{
    // A runtime folder so deep that the socket's name cannot be bound there.
    QTemporaryDir base;
    const QString deep = base.filePath(QString(100, u'x'));
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QVERIFY(SingleInstance::socketPathIn(deep, u":1"_s).isEmpty());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
    const auto restore = qScopeGuard([&saved] { qputenv("XDG_RUNTIME_DIR", saved); });

    const QString key = uniqueKey("deep");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    QVERIFY2(first.isListening(), qPrintable(first.problem()));
    QVERIFY(first.location().path.startsWith(u"/tmp/brenvik-timer-%1/"_s.arg(::geteuid())));
    first.setHandler(ok);
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);

    // A display name too long for any socket address is hashed: still one per display.
    const QString longKey = u":1-"_s + QString(200, u'a');
    const QString hashed = SingleInstance::socketPathIn(u"/tmp"_s, longKey);
    QVERIFY(!hashed.isEmpty());
    QCOMPARE(SingleInstance::socketPathIn(u"/tmp"_s, longKey), hashed);
    QVERIFY(SingleInstance::socketPathIn(u"/tmp"_s, longKey + u'b') != hashed);
}

void tst_SingleInstance::oversizedRequestIsDropped_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("a frame of 2 GiB") << QByteArray::fromHex("7fffffff") + QByteArray(100, 'x');
    // A frame of fitting size whose list claims more entries than it can hold.
    QTest::newRow("a list of 2^31-1 entries") << QByteArray::fromHex("00000010" "7fffffff") + QByteArray(12, 'x');
    QTest::newRow("a list of 2^32-2 entries") << QByteArray::fromHex("00000010" "fffffffe") + QByteArray(12, 'x');
}

void tst_SingleInstance::oversizedRequestIsDropped()
{
    QFETCH(QByteArray, bytes);
    static int row = 0;
    const QString key = uniqueKey("big") + QString::number(++row);
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    int calls = 0;
    first.setHandler([&calls](const SingleInstance::Request &) {
        ++calls;
        return SingleInstance::Reply{0, QString()};
    });
    QLocalSocket intruder;
    intruder.connectToServer(first.location().path);
    QVERIFY(intruder.waitForConnected(2000));
    intruder.write(bytes);
    intruder.flush();
    QTRY_COMPARE_WITH_TIMEOUT(intruder.state(), QLocalSocket::UnconnectedState, 5000);
    QCOMPARE(calls, 0);
    // The clock still answers the next start.
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
    QCOMPARE(calls, 1);
}

void tst_SingleInstance::requestOfAStartThatGaveUpIsNotCarriedOut()
{
    // A clock that takes no requests for a while (stopped, swapped out; here:
    // no handler yet): the start gives up and says so, and what it reported
    // as failed must not happen once the clock runs again.
    const QString key = uniqueKey("gaveup");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    startGivesUp(first.location(), 500);
    if (QTest::currentTestFailed())
        return;
    QStringList carriedOut;
    first.setHandler([&carriedOut](const SingleInstance::Request &request) {
        carriedOut << request.arguments;
        return SingleInstance::Reply{0, QString()};
    });
    // Requests are served in order: once this one is answered, the first was dealt with.
    LaterStart later(key, {u"--in=5"_s});
    QTRY_VERIFY_WITH_TIMEOUT(later.done, 10000);
    QVERIFY(later.reply);
    QCOMPARE(later.reply->exitCode, 0);
    QCOMPARE(carriedOut, QStringList{u"--in=5"_s});
}

void tst_SingleInstance::requestPastItsDeadlineIsNotCarriedOut()
{
    // A start stopped past its deadline (Ctrl+Z), its connection still open:
    // it will report failure once it runs, so the clock must not act.
    const QString key = uniqueKey("deadline");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    QStringList carriedOut;
    first.setHandler([&carriedOut](const SingleInstance::Request &request) {
        if (request.commit())
            carriedOut << request.arguments;
        return SingleInstance::Reply{0, QString()};
    });
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const qint64 past = qint64(now.tv_sec) * 1000000000 + now.tv_nsec - 1000000;
    QByteArray payload;
    {
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream << QStringList{u"--aus"_s} << QString() << QString() << past;
    }
    QLocalSocket stopped;
    stopped.connectToServer(first.location().path);
    QVERIFY(stopped.waitForConnected(2000));
    stopped.write(frameOf(payload));
    stopped.flush();
    LaterStart later(key, {u"--in=5"_s});
    QTRY_VERIFY_WITH_TIMEOUT(later.done, 10000);
    QCOMPARE(carriedOut, QStringList{u"--in=5"_s});
}

void tst_SingleInstance::clockStallsInTheMiddleOfARequest_data()
{
    // The clock stalls until the start has given up: before it acts, or after
    // it has told the start that it acts. Either both happen or neither.
    QTest::addColumn<bool>("actsFirst");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("error");
    QTest::newRow("before acting: nothing done, start failed") << false << 1
                                                               << u"Der laufende Wecker antwortet nicht."_s;
    QTest::newRow("after acting: done, start succeeded") << true << 0 << QString();
}

void tst_SingleInstance::clockStallsInTheMiddleOfARequest()
{
    QFETCH(bool, actsFirst);
    QFETCH(int, exitCode);
    QFETCH(QString, error);
    static int row = 0;
    const QString key = uniqueKey("stall") + QString::number(++row);
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    std::unique_ptr<LaterStart> start;
    std::optional<bool> acted;
    first.setHandler([&start, &acted, actsFirst](const SingleInstance::Request &request) {
        if (actsFirst)
            acted = request.commit();
        waitUntilDone(*start);
        if (!actsFirst)
            acted = request.commit();
        return SingleInstance::Reply{1, u"zu spät"_s};
    });
    start = std::make_unique<LaterStart>(first.location(), SingleInstance::Request{{u"--aus"_s}, {}, {}}, 500);
    QTRY_VERIFY_WITH_TIMEOUT(start->done, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(acted.has_value(), 10000);
    QCOMPARE(*acted, actsFirst);
    QVERIFY(start->reply);
    QCOMPARE(start->reply->exitCode, exitCode);
    QCOMPARE(start->reply->error, error);
}

void tst_SingleInstance::fullQueueKeepsTheClocksSocket()
{
    // Idle connections fill the clock's queue while it takes none: a start
    // cannot get through, but the clock still listens, and its socket stays.
    const QString key = uniqueKey("full");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    const sockaddr_un address = addressOf(first.location().path);
    std::vector<int> held;
    const auto closeHeld = qScopeGuard([&held] {
        for (const int fd : held)
            ::close(fd);
    });
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        QVERIFY(fd >= 0);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
            QCOMPARE(errno, EAGAIN);
            ::close(fd);
            break;
        }
        held.push_back(fd);
        QVERIFY(held.size() < 10000);
    }
    startGivesUp(first.location(), 1000);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(QFileInfo(first.location().path).exists());
    for (const int fd : held)
        ::close(fd);
    held.clear();
    int calls = 0;
    first.setHandler([&calls](const SingleInstance::Request &) {
        ++calls;
        return SingleInstance::Reply{0, QString()};
    });
    LaterStart next(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(next.done, 10000);
    QVERIFY(!next.listened);
    QVERIFY(next.reply);
    QCOMPARE(calls, 1);
}

void tst_SingleInstance::heldConnectionsDoNotStopListening()
{
    // More silent connections than the clock serves at once: the ones over
    // the limit wait, and once the others have gone a start is answered.
    const QString key = uniqueKey("held");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    first.setHandler(ok);
    std::vector<int> held;
    for (int i = 0; i < 3 * SingleInstance::MaxConnections; ++i) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_un address = addressOf(first.location().path);
        QCOMPARE(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
        held.push_back(fd);
    }
    QTest::qWait(200);
    for (const int fd : held)
        ::close(fd);
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
}

void tst_SingleInstance::listensAgainWhenDescriptorsAreBack()
{
    // Without a descriptor left the clock cannot take a connection; it must
    // take it once descriptors are free again, not stop listening.
    const QString key = uniqueKey("emfile");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    int calls = 0;
    first.setHandler([&calls](const SingleInstance::Request &) {
        ++calls;
        return SingleInstance::Reply{0, u"angenommen"_s};
    });
    rlimit saved{};
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit low = saved;
    low.rlim_cur = 512;
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &low), 0);
    const auto restore = qScopeGuard([&saved] { ::setrlimit(RLIMIT_NOFILE, &saved); });
    std::vector<int> filler{::open("/dev/null", O_RDONLY | O_CLOEXEC)};
    QVERIFY(filler[0] >= 0);
    for (int fd; (fd = ::dup(filler[0])) >= 0;)
        filler.push_back(fd);
    QCOMPARE(errno, EMFILE);

    const sockaddr_un address = addressOf(first.location().path);
    const QByteArray request = requestFrame({});
    const pid_t start = child([&] {
        for (int i = 0; i < 8; ++i)
            ::close(filler[size_t(i)]);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return 2;
        if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
            return 3;
        // An answer, however long it takes the clock.
        return readable(fd, 10000) ? 0 : 1;
    });
    QTest::qWait(3 * SingleInstance::AcceptRetryMSecs);
    QCOMPARE(calls, 0);
    for (const int fd : filler)
        ::close(fd);
    QCOMPARE(exitStatus(start), 0);
    QCOMPARE(calls, 1);
}

void tst_SingleInstance::peerOfAnotherUserIsRefused()
{
    if (::geteuid() != 0)
        QSKIP("needs root to connect as another user");
    // A socket another user could reach, so that only the peer check is left
    // to refuse him.
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    const QString path = dir.filePath(u"clock"_s);
    SingleInstance first(SingleInstance::Location{path, {}});
    QVERIFY(!first.forwardOrListen({}));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0777), 0);
    int calls = 0;
    first.setHandler([&calls](const SingleInstance::Request &) {
        ++calls;
        return SingleInstance::Reply{0, u"geheim"_s};
    });

    const sockaddr_un address = addressOf(path);
    const QByteArray request = requestFrame({u"--aus"_s});
    const pid_t intruder = child([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0
            || ::setresuid(Nobody, Nobody, Nobody) != 0)
            return 4;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
            return 2;
        if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
            return 0; // already closed by the clock
        char answer[64];
        if (!readable(fd, 5000))
            return 1;
        // Closed unread: an end of file or a reset, never an answer.
        return ::read(fd, answer, sizeof answer) > 0 ? 3 : 0;
    });
    QCOMPARE(exitStatus(intruder), 0);
    QCOMPARE(calls, 0);
    LaterStart own(first.location(), {});
    QTRY_VERIFY_WITH_TIMEOUT(own.done, 10000);
    QVERIFY(own.reply);
    QCOMPARE(calls, 1);
}

void tst_SingleInstance::clockOfAnotherUserGetsNothing()
{
    if (::geteuid() != 0)
        QSKIP("needs root to listen as another user");
    // Another user's socket where this user's clock should be: the command
    // line and the token must not reach it, and this start runs a clock itself.
    QTemporaryDir dir;
    QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QString path = dir.filePath(u"clock"_s);
    const sockaddr_un address = addressOf(path);
    int ready[2];
    int report[2];
    QCOMPARE(::pipe(ready), 0);
    QCOMPARE(::pipe(report), 0);
    const pid_t stranger = child([&] {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0
            || ::setresuid(Nobody, Nobody, Nobody) != 0)
            return 4;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
            || ::listen(fd, 4) != 0)
            return 2;
        if (::write(ready[1], "r", 1) != 1)
            return 5;
        if (!readable(fd, 10000))
            return 1;
        const int connection = ::accept(fd, nullptr, nullptr);
        // Its answer, as the review's clock gave it; the other end may have
        // hung up already.
        const char reply[] = "\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00";
        [[maybe_unused]] const ssize_t sent = ::send(connection, reply, sizeof reply - 1, MSG_NOSIGNAL);
        char got[4096];
        ssize_t total = 0;
        while (readable(connection, 1000)) {
            const ssize_t n = ::read(connection, got, sizeof got);
            if (n <= 0)
                break;
            total += n;
        }
        return ::write(report[1], &total, sizeof total) == sizeof total ? 0 : 7;
    });
    char byte;
    QCOMPARE(::read(ready[0], &byte, 1), ssize_t(1));

    SingleInstance start(SingleInstance::Location{path, {}});
    const auto reply = start.forwardOrListen({{u"--meldung=Geheim"_s}, {u"id"_s, {}}}, 3000);
    QVERIFY(!reply);
    QVERIFY(start.isListening());
    QCOMPARE(exitStatus(stranger), 0);
    ssize_t received = -1;
    QCOMPARE(::read(report[0], &received, sizeof received), ssize_t(sizeof received));
    QCOMPARE(received, ssize_t(0));
    for (const int fd : {ready[0], ready[1], report[0], report[1]})
        ::close(fd);
}

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
