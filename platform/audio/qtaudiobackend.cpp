// The sound-card back end, built as the module brenvik-audio: wave files and
// square-wave tones through Qt Multimedia.
//
// Every Qt Multimedia object lives on the module's own thread. Looking up the
// device, opening and closing a stream can each hang for half a minute on a
// sound server that accepts a connection and never answers; the UI thread
// only hands requests over and waits with a short deadline, so the alarm
// message never waits on the server. The tone stream and the wave stream
// each keep what the two threads share; this facade starts and ends the
// thread they share.

#include "platform/audiobackend.h"
#include "platform/audio/tonestream.h"
#include "platform/audio/wavestream.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMediaDevices>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <mutex>

#include <stdlib.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using platform::ToneStream;
using platform::WaveStream;

// Qt Multimedia 6.4's teardown at exit disconnects from PulseAudio without
// the lock of the PulseAudio thread, which still runs; now and then that
// thread's bookkeeping breaks and the process aborts in the server library.
// After a hang the teardown would also wait half a minute for the set-up.
// The process leaves before it, with its status; the server notices the
// closed connection by itself. Registered once the audio thread is through
// with its streams, or hangs in the server: nothing of Qt Multimedia is used
// after that.
void leaveBeforeMultimediaTeardown(int status, void *)
{
    std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_do_leak_check(); // skipped by _exit otherwise
#endif
    ::_exit(status);
}

class QtAudioBackend final : public platform::AudioBackend
{
public:
    QtAudioBackend()
        : m_thread(new QThread), m_audioThread(new QObject), m_tone(m_audioThread), m_wave(m_audioThread)
    {
        m_thread->setObjectName(QStringLiteral("brenvik-audio"));
        m_audioThread->moveToThread(m_thread);
        m_thread->start();
    }

    void playWave(const QString &path, bool loop) override { m_wave.play(path, loop); }
    void stopWave() override { m_wave.stop(); }
    platform::WaveOutput::State waveState() override { return m_wave.state(); }

    bool beginSound() override { return m_tone.beginSound(); }
    bool tone(quint16 frequency, qint64 atMs, qint64 durationMs) override
    {
        return m_tone.tone(frequency, atMs, durationMs);
    }
    qint64 msUntil(qint64 atMs) override { return m_tone.msUntil(atMs); }
    bool waitFor(qint64 atMs) override { return m_tone.waitFor(atMs); }
    bool endSound(qint64 endMs, bool playOut) override { return m_tone.endSound(endMs, playOut); }

    // The server connection is made by the first device look-up.
    void warmUp() override
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_shuttingDown || m_warming)
                return;
            m_warming = true;
            m_warmAskedAt = Clock::now();
        }
        QMetaObject::invokeMethod(m_audioThread, [this] {
            {
                std::lock_guard lock(m_mutex);
                if (m_shuttingDown)
                    return;
            }
            QMediaDevices::defaultAudioOutput();
            std::lock_guard lock(m_mutex);
            m_warming = false;
        }, Qt::QueuedConnection);
    }

    void shutdown(int playOutMs) override
    {
        const auto now = Clock::now();
        bool hanging = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_shuttingDown)
                return;
            m_shuttingDown = true;
            hanging = m_warming && now - m_warmAskedAt > ToneStream::OpenDeadline;
        }
        // An open that outlived its deadline hangs in the server, and so may
        // a wave file that never started.
        hanging = m_tone.stopTaking(now) || hanging;
        hanging = m_wave.stopTaking(now) || hanging;
        const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(0, playOutMs));
        QMetaObject::invokeMethod(m_audioThread, [this, deadline] {
            m_tone.shutdown(deadline);
            m_wave.shutdown();
            // deleteLater would need the loop that is about to end.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            // Deleted as the thread finishes, not inside its own call.
            m_audioThread->deleteLater();
            m_thread->quit();
        }, Qt::QueuedConnection);
        // A thread that hangs in the sound server is left behind rather than
        // hanging the program's exit; its objects are never touched again.
        // One that is merely slow (a busy machine) is waited for: the
        // application object must not go while it still closes streams.
        if (m_thread->wait(QDeadlineTimer(hanging ? 100 : qMax(0, playOutMs) + 5000)))
            delete m_thread;
        // Registered last, so it runs first: Qt Multimedia registers its
        // teardown as its objects are first made, on the audio thread.
        ::on_exit(leaveBeforeMultimediaTeardown, nullptr);
    }

private:
    QThread *m_thread;
    QObject *m_audioThread; // lives on m_thread: requests are posted to it
    ToneStream m_tone;
    WaveStream m_wave;

    std::mutex m_mutex;
    bool m_shuttingDown = false;
    bool m_warming = false; // a warm-up is under way
    Clock::time_point m_warmAskedAt{};
};

QtAudioBackend *theBackend = nullptr;
QtMessageHandler previousHandler = nullptr;

// Without a sound server Qt Multimedia complains on the console; a missing
// device is silence here, nothing to report.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool multimedia = (context.category && qstrncmp(context.category, "qt.multimedia", 13) == 0)
        || message.startsWith(QLatin1String("PulseAudioService"));
    if (multimedia && type != QtFatalMsg)
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else // Qt's own default, which qt_message_output would route back here
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

} // namespace

extern "C" Q_DECL_EXPORT platform::AudioBackend *brenvik_audio_backend()
{
    if (!theBackend) {
        previousHandler = qInstallMessageHandler(quietHandler);
        theBackend = new QtAudioBackend;
        // The streams stop when the event loop ends, before the application
        // object (and Qt Multimedia's globals with it) goes; the post routine
        // covers programs that never run the loop.
        if (auto *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { theBackend->shutdown(0); });
        qAddPostRoutine([] { theBackend->shutdown(0); });
    }
    return theBackend;
}
