#include "platform/singleinstance.h"

#include <QFile>
#include <QLocalSocket>
#include <QTest>
#include <QThread>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;
using platform::SingleInstance;

namespace {

// A display key no other test run uses, as they share the runtime folder.
QString uniqueKey(const char *name)
{
    return u":%1-%2"_s.arg(QCoreApplication::applicationPid()).arg(QString::fromLatin1(name));
}

// A later start, in a thread of its own, as the real one is a process of its own.
class LaterStart
{
public:
    LaterStart(const QString &key, const QStringList &arguments)
    {
        m_thread.reset(QThread::create([this, key, arguments] {
            SingleInstance other(key);
            reply = other.forwardOrListen(arguments, 5000);
            listened = other.isListening();
            done = true;
        }));
        m_thread->start();
    }
    ~LaterStart() { m_thread->wait(); }

    std::atomic<bool> done{false};
    std::optional<SingleInstance::Reply> reply;
    bool listened = false;

private:
    std::unique_ptr<QThread> m_thread;
};

} // namespace

class tst_SingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void laterStartHandsOverAndGetsTheReply();
    void requestsWaitForTheHandler();
    void clearsASocketLeftByAKilledProgram();
    void displaysAreSeparate();
    void oversizedRequestIsDropped();
};

void tst_SingleInstance::laterStartHandsOverAndGetsTheReply()
{
    const QString key = uniqueKey("reply");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    QVERIFY(first.isListening());
    QList<QStringList> received;
    first.setHandler([&received](const QStringList &arguments) {
        received << arguments;
        return SingleInstance::Reply{1, u"Geben Sie Minuten ein, also nur Ziffern."_s};
    });

    const QStringList arguments{u"--in=zehn"_s, u"--meldung=Tee – fertig"_s};
    LaterStart second(key, arguments);
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(!second.listened);
    QVERIFY(second.reply);
    QCOMPARE(second.reply->first, 1);
    QCOMPARE(second.reply->second, u"Geben Sie Minuten ein, also nur Ziffern."_s);
    QCOMPARE(received, QList<QStringList>{arguments});
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
    first.setHandler([](const QStringList &) { return SingleInstance::Reply{0, QString()}; });
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
    QCOMPARE(second.reply->first, 0);
}

void tst_SingleInstance::clearsASocketLeftByAKilledProgram()
{
    const QString key = uniqueKey("stale");
    const QString path = SingleInstance::serverPath(key);
    // What a killed program leaves: a bound socket file nobody listens on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    QVERIFY(size_t(encoded.size()) < sizeof address.sun_path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    ::close(fd);
    QVERIFY(QFile::exists(path));

    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}, 2000));
    QVERIFY(first.isListening());
    first.setHandler([](const QStringList &) { return SingleInstance::Reply{0, QString()}; });
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
}

void tst_SingleInstance::displaysAreSeparate()
{
    SingleInstance one(uniqueKey("display") + u"a"_s);
    QVERIFY(!one.forwardOrListen({}));
    SingleInstance other(uniqueKey("display") + u"b"_s);
    QVERIFY(!other.forwardOrListen({}, 2000));
    QVERIFY(other.isListening());
    // The screen number is part of the same display.
    QCOMPARE(SingleInstance::serverPath(u":5.0"_s), SingleInstance::serverPath(u":5"_s));
    QVERIFY(SingleInstance::serverPath(u":5"_s) != SingleInstance::serverPath(u":6"_s));
}

void tst_SingleInstance::oversizedRequestIsDropped()
{
    const QString key = uniqueKey("big");
    SingleInstance first(key);
    QVERIFY(!first.forwardOrListen({}));
    int calls = 0;
    first.setHandler([&calls](const QStringList &) {
        ++calls;
        return SingleInstance::Reply{0, QString()};
    });
    QLocalSocket intruder;
    intruder.connectToServer(SingleInstance::serverPath(key));
    QVERIFY(intruder.waitForConnected(2000));
    intruder.write(QByteArray::fromHex("7fffffff") + QByteArray(100, 'x'));
    intruder.flush();
    QTRY_COMPARE_WITH_TIMEOUT(intruder.state(), QLocalSocket::UnconnectedState, 5000);
    QCOMPARE(calls, 0);
    // The clock still answers the next start.
    LaterStart second(key, {});
    QTRY_VERIFY_WITH_TIMEOUT(second.done, 10000);
    QVERIFY(second.reply);
    QCOMPARE(calls, 1);
}

QTEST_MAIN(tst_SingleInstance)
#include "tst_singleinstance.moc"
