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

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
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
    // Two programs started at once must not both find no server and both
    // listen; QLockFile also clears the lock of a killed program.
    QLockFile lock(path + u".lock"_s);
    lock.setStaleLockTime(0);
    const bool locked = lock.tryLock(timeoutMSecs);

    QLocalSocket socket;
    socket.connectToServer(path);
    if (socket.waitForConnected(1000)) {
        if (isOwnPeer(int(socket.socketDescriptor()))) {
            if (locked)
                lock.unlock();
            return forward(socket, request, timeoutMSecs);
        }
        // Not this user's clock: it gets nothing, and its socket goes.
        socket.abort();
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

std::optional<SingleInstance::Reply> SingleInstance::forward(QLocalSocket &socket, const Request &request,
                                                             int timeoutMSecs)
{
    const QDeadlineTimer deadline(timeoutMSecs);
    QByteArray payload;
    {
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream << request.arguments << request.token.startupId << request.token.activationToken;
    }
    socket.write(frame(payload));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return Reply{1, NoAnswer};
    QByteArray buffer;
    bool tooBig = false;
    while (true) {
        if (const auto reply = takeFrame(buffer, tooBig)) {
            Reply result;
            QDataStream stream(*reply);
            stream >> result.first >> result.second;
            if (stream.status() != QDataStream::Ok)
                break;
            // The status becomes this process's exit status.
            if (result.first < 0 || result.first > 2)
                result.first = 1;
            result.second = printable(result.second);
            return result;
        }
        if (tooBig || deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        buffer += socket.readAll();
    }
    return Reply{1, NoAnswer};
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
        QDataStream stream(*payload);
        stream >> request.arguments;
        // A start of an older version sends the arguments alone.
        if (stream.status() == QDataStream::Ok && !stream.atEnd())
            stream >> request.token.startupId >> request.token.activationToken;
        Reply reply{2, u"Unlesbare Befehlszeile."_s};
        if (stream.status() == QDataStream::Ok && m_handler) {
            request.token = request.token.checked();
            // The handler may run a nested loop; the socket may go meanwhile.
            QPointer<QLocalSocket> alive(socket);
            reply = m_handler(request);
            if (!alive)
                return;
        }
        QByteArray answer;
        {
            QDataStream stream(&answer, QIODevice::WriteOnly);
            stream << reply.first << reply.second;
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
