#include "platform/singleinstance.h"

#include "platform/runtimefolder.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// A command line is short; anything bigger is not one of ours.
constexpr quint32 MaxMessageSize = 64 * 1024;
// A client that sends nothing in this time is dropped, so it cannot hold the clock's socket.
constexpr int ServeTimeoutMSecs = 10000;

QByteArray frame(const QByteArray &payload)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << quint32(payload.size());
    data.append(payload);
    return data;
}

// The payload of a complete frame at the start of buffer, or nothing yet.
std::optional<QByteArray> takeFrame(QByteArray &buffer, bool &tooBig)
{
    if (buffer.size() < 4)
        return std::nullopt;
    QDataStream stream(buffer);
    quint32 size = 0;
    stream >> size;
    if (size > MaxMessageSize) {
        tooBig = true;
        return std::nullopt;
    }
    if (quint32(buffer.size()) < 4 + size)
        return std::nullopt;
    QByteArray payload = buffer.mid(4, size);
    buffer.remove(0, 4 + size);
    return payload;
}

bool fitsSocketAddress(const QString &path)
{
    return size_t(QFile::encodeName(path).size()) < sizeof(sockaddr_un::sun_path);
}

bool isOwnPeer(int socketFd)
{
    return peerUserId(socketFd) == uint(::geteuid());
}

const QString NoAnswer = u"Der laufende Wecker antwortet nicht."_s;

// The clock both ends of a connection share: a start's deadline means the
// same moment to the clock.
qint64 monotonicNSecs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// What a start sends: its arguments, its launcher's token and, since the clock
// must not act once the start has given up, its deadline. The list is written
// and read by hand: QDataStream would make room for as many entries as a
// list's count claims before reading one.
QByteArray encodeRequest(const SingleInstance::Request &request, qint64 deadlineNSecs)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << quint32(request.arguments.size());
    for (const QString &argument : request.arguments)
        stream << argument;
    stream << request.token.startupId << request.token.activationToken << deadlineNSecs;
    return payload;
}

// False for a request that cannot be read. A start of an older version sends
// the arguments alone, or no deadline.
bool decodeRequest(const QByteArray &payload, SingleInstance::Request &request,
                   std::optional<qint64> &deadlineNSecs)
{
    QDataStream stream(payload);
    quint32 count = 0;
    stream >> count;
    // Every entry takes at least the four bytes of its length.
    if (stream.status() != QDataStream::Ok || count > quint32(payload.size() / 4))
        return false;
    for (quint32 i = 0; i < count; ++i) {
        QString argument;
        stream >> argument;
        if (stream.status() != QDataStream::Ok)
            return false;
        request.arguments << argument;
    }
    if (!stream.atEnd())
        stream >> request.token.startupId >> request.token.activationToken;
    if (stream.status() == QDataStream::Ok && !stream.atEnd()) {
        qint64 deadline = 0;
        stream >> deadline;
        deadlineNSecs = deadline;
    }
    return stream.status() == QDataStream::Ok;
}

std::optional<SingleInstance::Reply> decodeReply(const QByteArray &payload)
{
    SingleInstance::Reply reply;
    QDataStream stream(payload);
    stream >> reply.exitCode >> reply.error;
    if (stream.status() != QDataStream::Ok)
        return std::nullopt;
    // The status becomes the start's exit status.
    if (reply.exitCode < 0 || reply.exitCode > 2)
        reply.exitCode = 1;
    reply.error = printable(reply.error);
    return reply;
}

// Whether the start at the other end has shut its socket or gone.
bool peerHasGone(int fd)
{
    pollfd p{fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) != 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL));
}

bool startWaits(int fd, const std::optional<qint64> &deadlineNSecs)
{
    return fd >= 0 && !(deadlineNSecs && monotonicNSecs() >= *deadlineNSecs) && !peerHasGone(fd);
}

// Tells the start that its request is carried out. A start that gives up
// shuts its socket first and then reads what is there: the kernel puts this
// empty frame into that socket either before the shut-down, and the start
// then reports success, or not at all, and then nothing may be done.
bool commitRequest(int fd, const std::optional<qint64> &deadlineNSecs)
{
    if (!startWaits(fd, deadlineNSecs))
        return false;
    // An older start knows no such frame.
    if (!deadlineNSecs)
        return true;
    const QByteArray committed = frame({});
    return ::send(fd, committed.constData(), size_t(committed.size()), MSG_NOSIGNAL | MSG_DONTWAIT)
        == committed.size();
}

enum class Reach { Connected, NoListener, Busy };

struct Connection
{
    int fd = -1;
    Reach reach = Reach::NoListener;
};

// Connects to the socket. A clock whose queue is full keeps the connection
// waiting for room, at most until the deadline: then it is busy, which tells
// it from a socket nobody listens on any more.
Connection connectTo(const QString &path, const QDeadlineTimer &deadline)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (size_t(name.size()) >= sizeof address.sun_path)
        return {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return {};
        const qint64 wait = deadline.isForever() ? 0 : std::max<qint64>(1, deadline.remainingTime());
        const timeval timeout{time_t(wait / 1000), suseconds_t(wait % 1000 * 1000)};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            return {fd, Reach::Connected};
        }
        const int error = errno;
        ::close(fd);
        if (error == EINTR && !deadline.hasExpired())
            continue;
        if (error == EAGAIN || error == EINTR)
            return {-1, Reach::Busy};
        return {};
    }
}

// A socket this user bound: what a start finds busy there is this user's clock.
bool isOwnSocket(const QString &path)
{
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode)
        && info.st_uid == ::geteuid();
}

// Hands the request over on a connected socket and waits for the answer
// until the deadline.
SingleInstance::Reply forward(int fd, const SingleInstance::Request &request, const QDeadlineTimer &deadline)
{
    using Reply = SingleInstance::Reply;
    const qint64 deadlineNSecs = deadline.isForever() ? std::numeric_limits<qint64>::max()
                                                      : monotonicNSecs() + deadline.remainingTimeNSecs();
    const QByteArray data = frame(encodeRequest(request, deadlineNSecs));
    qsizetype sent = 0;
    QByteArray buffer;
    bool committed = false;
    bool broken = false;
    // An empty frame says the request is carried out; the next is the answer.
    const auto answer = [&buffer, &committed, &broken]() -> std::optional<Reply> {
        while (const auto payload = takeFrame(buffer, broken)) {
            if (payload->isEmpty()) {
                committed = true;
                continue;
            }
            if (const auto reply = decodeReply(*payload))
                return reply;
            broken = true;
            break;
        }
        return std::nullopt;
    };
    const auto readAvailable = [fd, &buffer] {
        char chunk[4096];
        while (true) {
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n > 0) {
                buffer.append(chunk, n);
                continue;
            }
            // False at the end of the stream or on an error.
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
        }
    };

    while (!broken && !deadline.hasExpired()) {
        pollfd p{fd, short(POLLIN | (sent < data.size() ? POLLOUT : 0)), 0};
        const int ready = ::poll(&p, 1, deadline.isForever() ? -1 : int(std::min<qint64>(deadline.remainingTime(), 60000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        if (sent < data.size() && (p.revents & POLLOUT)) {
            const ssize_t n = ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                break;
        }
        const bool open = readAvailable();
        if (const auto reply = answer())
            return *reply;
        if (!open)
            break;
    }
    // Giving up. Once the socket is shut, the clock can no longer say it
    // carries the request out; what it said before is still there to read.
    ::shutdown(fd, SHUT_RDWR);
    readAvailable();
    if (const auto reply = answer())
        return *reply;
    return committed ? Reply{} : Reply{1, NoAnswer};
}

} // namespace

std::optional<uint> peerUserId(int socketFd)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (socketFd < 0 || ::getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0
        || size != sizeof credentials)
        return std::nullopt;
    return uint(credentials.uid);
}

QString printable(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return result;
}

SingleInstance::SingleInstance(const QString &displayKey, QObject *parent)
    : SingleInstance(locate(displayKey), parent)
{
}

SingleInstance::SingleInstance(const Location &location, QObject *parent)
    : QObject(parent), m_location(location)
{
}

SingleInstance::~SingleInstance()
{
    if (m_listenFd >= 0) {
        delete m_notifier;
        ::close(m_listenFd);
        QFile::remove(m_location.path);
    }
}

QString SingleInstance::normalisedDisplay(const QString &displayKey)
{
    QString key = displayKey;
    // xcb's "protocol/host:display.screen"; "unix" is the local connection.
    if (key.startsWith(u"unix/"_s))
        key.remove(0, 5);
    const qsizetype colon = key.lastIndexOf(u':');
    if (colon < 0)
        return key;
    QString host = key.left(colon);
    QString number = key.mid(colon + 1);
    if (host == u"unix"_s)
        host.clear();
    // The screen number does not make another display.
    if (const qsizetype dot = number.indexOf(u'.'); dot >= 0)
        number.truncate(dot);
    return host + u':' + number;
}

QString SingleInstance::socketPathIn(const QString &folder, const QString &displayKey)
{
    QString display = normalisedDisplay(displayKey);
    for (QChar &c : display) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'.' && c != u':')
            c = u'_';
    }
    const QString prefix = u"%1/brenvik-timer-%2-"_s.arg(folder).arg(::geteuid());
    if (const QString path = prefix + display; fitsSocketAddress(path))
        return path;
    const QString hashed = prefix
        + QString::fromLatin1(QCryptographicHash::hash(display.toUtf8(), QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(16));
    return fitsSocketAddress(hashed) ? hashed : QString();
}

SingleInstance::Location SingleInstance::locate(const QString &displayKey)
{
    RuntimeFolder folder = userRuntimeFolder();
    if (!folder.problem.isEmpty())
        return {{}, folder.problem};
    QString path = socketPathIn(folder.path, displayKey);
    if (path.isEmpty()) {
        // A runtime folder too deep for a socket address: the short one in /tmp.
        folder = fallbackRuntimeFolder();
        if (!folder.problem.isEmpty())
            return {{}, folder.problem};
        path = socketPathIn(folder.path, displayKey);
        if (path.isEmpty())
            return {{}, u"Der Pfad des Ordners %1 ist zu lang für eine Verbindung."_s.arg(folder.path)};
    }
    return {path, {}};
}

bool SingleInstance::isListening() const
{
    return m_listenFd >= 0;
}

std::optional<SingleInstance::Reply> SingleInstance::forwardOrListen(const Request &request,
                                                                     int timeoutMSecs)
{
    if (!m_location.problem.isEmpty()) {
        m_problem = m_location.problem;
        return std::nullopt;
    }
    const QString &path = m_location.path;
    const QDeadlineTimer deadline(timeoutMSecs);
    // Two programs started at once must not both find no server and both
    // listen; QLockFile also clears the lock of a killed program. A start
    // stopped while it holds the lock gets part of the time only, so that the
    // clock can still be reached.
    QLockFile lock(path + u".lock"_s);
    lock.setStaleLockTime(0);
    const bool locked = lock.tryLock(timeoutMSecs / 3);

    const Connection connection = connectTo(path, deadline);
    if (connection.reach == Reach::Connected) {
        if (isOwnPeer(connection.fd)) {
            if (locked)
                lock.unlock();
            const Reply reply = forward(connection.fd, request, deadline);
            ::close(connection.fd);
            return reply;
        }
        // Not this user's clock: it gets nothing, and its socket goes.
        ::close(connection.fd);
    } else if (connection.reach == Reach::Busy && isOwnSocket(path)) {
        // The clock listens but takes no one in: replacing its socket would
        // leave it running unreachable beside a second one.
        return Reply{1, NoAnswer};
    }
    if (!locked) {
        m_problem = u"Die Sperre %1.lock bleibt belegt."_s.arg(path);
        return std::nullopt;
    }
    listen();
    return std::nullopt;
}

bool SingleInstance::listen()
{
    const QByteArray name = QFile::encodeName(m_location.path);
    // No one answered: what lies there was left by a program that was killed.
    ::unlink(name.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::listen(fd, 64) != 0) {
        if (fd >= 0)
            ::close(fd);
        m_problem = u"Die Verbindung %1 lässt sich nicht anlegen."_s.arg(m_location.path);
        return false;
    }
    m_listenFd = fd;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    // Without a handler the connections wait in the socket's queue.
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::setHandler(Handler handler)
{
    m_handler = std::move(handler);
    acceptConnections();
}

void SingleInstance::acceptConnections()
{
    while (m_handler && m_listenFd >= 0 && m_connections < MaxConnections && !m_retryPending) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break;
            // Out of descriptors or memory: the connection stays queued, and
            // listening goes on once some are free again.
            m_retryPending = true;
            QTimer::singleShot(AcceptRetryMSecs, this, [this] {
                m_retryPending = false;
                acceptConnections();
            });
            break;
        }
        if (!isOwnPeer(fd)) {
            ::close(fd);
            continue;
        }
        auto *socket = new QLocalSocket(this);
        if (!socket->setSocketDescriptor(fd)) {
            delete socket;
            ::close(fd);
            continue;
        }
        ++m_connections;
        // The socket's own signals are cut when it is done with; a child's are not.
        connect(new QObject(socket), &QObject::destroyed, this, &SingleInstance::connectionEnded);
        serve(socket);
    }
    // Level-triggered: while connections cannot be taken, the notifier must rest.
    if (m_notifier)
        m_notifier->setEnabled(m_handler && m_connections < MaxConnections && !m_retryPending);
}

void SingleInstance::connectionEnded()
{
    --m_connections;
    QTimer::singleShot(0, this, &SingleInstance::acceptConnections);
}

void SingleInstance::serve(QLocalSocket *socket)
{
    auto buffer = std::make_shared<QByteArray>();
    auto finish = [socket] {
        socket->disconnect();
        socket->disconnectFromServer();
        socket->deleteLater();
    };
    auto *timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(timeout, &QTimer::timeout, socket, finish);
    timeout->start(ServeTimeoutMSecs);
    const auto read = [this, socket, buffer, timeout, finish] {
        *buffer += socket->readAll();
        bool tooBig = false;
        const std::optional<QByteArray> payload = takeFrame(*buffer, tooBig);
        if (!payload) {
            if (tooBig)
                finish();
            return;
        }
        timeout->stop();
        Request request;
        std::optional<qint64> deadline;
        Reply reply{2, u"Unlesbare Befehlszeile."_s};
        if (decodeRequest(*payload, request, deadline) && m_handler) {
            // A start that has given up has reported failure: its request is
            // not carried out, however long it waited here.
            if (!startWaits(int(socket->socketDescriptor()), deadline)) {
                finish();
                return;
            }
            request.token = request.token.checked();
            auto committed = std::make_shared<std::optional<bool>>();
            request.commit = [alive = QPointer<QLocalSocket>(socket), deadline, committed] {
                if (!*committed)
                    *committed = alive && commitRequest(int(alive->socketDescriptor()), deadline);
                return **committed;
            };
            // The handler may run a nested loop; the socket may go meanwhile.
            QPointer<QLocalSocket> alive(socket);
            reply = m_handler(request);
            if (!alive)
                return;
            // Nothing to tell a start that has gone.
            if (*committed && !**committed) {
                finish();
                return;
            }
        }
        QByteArray answer;
        {
            QDataStream stream(&answer, QIODevice::WriteOnly);
            stream << reply.exitCode << reply.error;
        }
        socket->write(frame(answer));
        socket->flush();
        finish();
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    connect(socket, &QLocalSocket::disconnected, this, [socket, timeout] {
        // A client that left before a full request: nothing to answer.
        if (timeout->isActive()) {
            timeout->stop();
            socket->disconnect();
            socket->deleteLater();
        }
    });
    if (socket->bytesAvailable() > 0)
        read();
}

} // namespace platform
