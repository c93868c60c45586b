#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QLocalServer;
class QLocalSocket;

namespace platform {

// One running program per user and display. The first start listens on a local
// socket in the user's runtime folder; a later start hands it its command line
// and receives the exit status and the message to report.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    using Reply = std::pair<int, QString>; // exit status, German reason
    using Handler = std::function<Reply(const QStringList &arguments)>;

    // displayKey names the display (":0"); the socket's path adds the user id.
    explicit SingleInstance(const QString &displayKey, QObject *parent = nullptr);
    ~SingleInstance() override;

    // The socket's full path.
    static QString serverPath(const QString &displayKey);

    // Hands the arguments to a running program and returns its reply; when
    // none runs, starts listening (clearing a socket a killed program left
    // behind) and returns nothing. Also returns nothing when the socket cannot
    // be made: the program then runs on its own.
    std::optional<Reply> forwardOrListen(const QStringList &arguments, int timeoutMSecs = 15000);

    bool isListening() const;

    // Answers the arguments that later starts hand over; until one is set,
    // they wait.
    void setHandler(Handler handler);

private:
    void acceptConnections();
    void serve(QLocalSocket *socket);
    std::optional<Reply> forward(const QStringList &arguments, int timeoutMSecs);

    QString m_path;
    QLocalServer *m_server = nullptr;
    Handler m_handler;
};

} // namespace platform
