#pragma once

#include "platform/windowactivation.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QLocalSocket;
class QSocketNotifier;

namespace platform {

// One running program per user and display. The first start listens on a local
// socket in a folder of the user's own; a later start hands it its command line
// and receives the exit status and the message to report. Both ends talk only
// to a process of the same user.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // The running clock's answer to a later start, which ends with it.
    struct Reply
    {
        int exitCode = 0;
        QString error; // German reason of a failure, printed by the later start
    };
    // What a later start hands over: its options and its launcher's token.
    struct Request
    {
        QStringList arguments;
        StartupToken token;
        // On the clock's side: called right before the request changes
        // anything. False when the start has given up or gone (it has reported
        // failure, and nothing may change); true when it now learns that the
        // request is carried out, even should it give up before the answer.
        std::function<bool()> commit = {};
    };
    using Handler = std::function<Reply(const Request &request)>;

    // Where the socket lies, or the German reason there is no safe place for it.
    struct Location
    {
        QString path;
        QString problem;
    };

    // displayKey names the display (":0"); the socket lies in the user's
    // runtime folder (see userRuntimeFolder()).
    explicit SingleInstance(const QString &displayKey, QObject *parent = nullptr);
    explicit SingleInstance(const Location &location, QObject *parent = nullptr);
    ~SingleInstance() override;

    static Location locate(const QString &displayKey);
    // The socket's path in the folder; a display name too long for a socket
    // address is replaced by its hash. Empty when even that does not fit.
    static QString socketPathIn(const QString &folder, const QString &displayKey);
    // The display a key names, as one clock per display counts it:
    // "unix:1", ":1.0" and ":1" are the same.
    static QString normalisedDisplay(const QString &displayKey);

    const Location &location() const { return m_location; }

    // Hands the request to a running program and returns its reply; when
    // none runs, starts listening (clearing a socket a killed program left
    // behind) and returns nothing. Also returns nothing when the socket cannot
    // be made (problem() then says why): the program then runs on its own.
    // A running program that does not answer within the time is reported as
    // such (exit status 1), and it will not carry the request out later.
    std::optional<Reply> forwardOrListen(const Request &request, int timeoutMSecs = 15000);

    bool isListening() const;
    // Why this program does not listen, in German; empty when it does or
    // when another program answered.
    QString problem() const { return m_problem; }

    // Answers the requests that later starts hand over; until one is set,
    // they wait.
    void setHandler(Handler handler);

    // How long accepting pauses when the process has no descriptor left.
    static constexpr int AcceptRetryMSecs = 200;
    // Connections served at once; more wait until one of them ends.
    static constexpr int MaxConnections = 16;

private:
    bool listen();
    void acceptConnections();
    void serve(QLocalSocket *socket);
    void connectionEnded();

    Location m_location;
    QString m_problem;
    int m_listenFd = -1;
    QSocketNotifier *m_notifier = nullptr;
    int m_connections = 0;
    bool m_retryPending = false;
    Handler m_handler;
};

// The user id of the process at the other end of a local socket, or nothing.
std::optional<uint> peerUserId(int socketFd);

// The text with control characters (terminal escapes among them) replaced, fit
// to be printed on a terminal.
QString printable(const QString &text);

} // namespace platform
