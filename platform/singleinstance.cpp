#include "singleinstance.h"

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

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

QString sanitised(QString key)
{
    // The screen number does not make another display.
    const qsizetype colon = key.lastIndexOf(u':');
    const qsizetype dot = key.lastIndexOf(u'.');
    if (colon >= 0 && dot > colon)
        key.truncate(dot);
    for (QChar &c : key) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'.' && c != u':')
            c = u'_';
    }
    return key;
}

} // namespace

SingleInstance::SingleInstance(const QString &displayKey, QObject *parent)
    : QObject(parent), m_path(serverPath(displayKey))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverPath(const QString &displayKey)
{
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return u"%1/brenvik-timer-%2-%3"_s.arg(folder).arg(::getuid()).arg(sanitised(displayKey));
}

bool SingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

std::optional<SingleInstance::Reply> SingleInstance::forwardOrListen(const QStringList &arguments,
                                                                     int timeoutMSecs)
{
    // Two programs started at once must not both find no server and both
    // listen; QLockFile also clears the lock of a killed program.
    QLockFile lock(m_path + u".lock"_s);
    lock.setStaleLockTime(0);
    const bool locked = lock.tryLock(timeoutMSecs);

    QLocalSocket probe;
    probe.connectToServer(m_path);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        if (locked)
            lock.unlock();
        return forward(arguments, timeoutMSecs);
    }
    if (!locked)
        return std::nullopt;

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // No one answered: what lies there was left by a program that was killed.
    QLocalServer::removeServer(m_path);
    if (!m_server->listen(m_path)) {
        delete m_server;
        m_server = nullptr;
        return std::nullopt;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return std::nullopt;
}

std::optional<SingleInstance::Reply> SingleInstance::forward(const QStringList &arguments,
                                                             int timeoutMSecs)
{
    const QDeadlineTimer deadline(timeoutMSecs);
    QLocalSocket socket;
    socket.connectToServer(m_path);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return std::nullopt;
    QByteArray payload;
    {
        QDataStream stream(&payload, QIODevice::WriteOnly);
        stream << arguments;
    }
    socket.write(frame(payload));
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return Reply{1, u"Der laufende Wecker antwortet nicht."_s};
    QByteArray buffer;
    bool tooBig = false;
    while (true) {
        if (const auto reply = takeFrame(buffer, tooBig)) {
            Reply result;
            QDataStream stream(*reply);
            stream >> result.first >> result.second;
            if (stream.status() != QDataStream::Ok)
                break;
            return result;
        }
        if (tooBig || deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        buffer += socket.readAll();
    }
    return Reply{1, u"Der laufende Wecker antwortet nicht."_s};
}

void SingleInstance::setHandler(Handler handler)
{
    m_handler = std::move(handler);
    if (m_handler)
        acceptConnections();
}

void SingleInstance::acceptConnections()
{
    // Without a handler the connections wait in the server's queue.
    while (m_handler && m_server && m_server->hasPendingConnections())
        serve(m_server->nextPendingConnection());
}

void SingleInstance::serve(QLocalSocket *socket)
{
    socket->setParent(this);
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
        QStringList arguments;
        QDataStream stream(*payload);
        stream >> arguments;
        Reply reply{2, u"Unlesbare Befehlszeile."_s};
        if (stream.status() == QDataStream::Ok && m_handler) {
            // The handler may run a nested loop; the socket may go meanwhile.
            QPointer<QLocalSocket> alive(socket);
            reply = m_handler(arguments);
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
