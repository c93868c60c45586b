// The sound-card back end, built as the module brenvik-audio: wave files and
// square-wave tones through Qt Multimedia.
//
// Every Qt Multimedia object lives on the module's own thread. Looking up the
// device, opening and closing a stream can each hang for half a minute on a
// sound server that accepts a connection and never answers; the UI thread
// only hands requests over and waits with a short deadline, so the alarm
// message never waits on the server.
//
// Both streams are fed in pull mode from sources that never report their
// end. Qt Multimedia 6.4's PulseAudio sink answers an underflow of a source
// at its end by asking the server to drain, with the sink's own address as
// the callback's argument, and never withdraws that request: a sink deleted
// before the server's answer is then called after its death, on the
// PulseAudio thread (the program crashed so at exit, now and then, on a
// busy machine). A push-mode sink's source is always at its end, so there
// every underflow armed such a call. Here no source ever ends; the audio
// thread stops a stream itself once its sound has been taken.

#include "platform/audiobackend.h"
#include "platform/audio/tonetimeline.h"
#include "platform/audio/wavfile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
using WaveState = platform::AudioBackend::WaveState;

// How long the UI thread waits for the device and the tone stream to open.
constexpr auto OpenDeadline = 200ms;
// How long it then waits for the server to start taking the stream. A
// sleepy server (an idle null sink takes seconds at once) gets no more.
constexpr auto PrimeDeadline = 150ms;
// A wave file whose stream has not started by then is taken as unplayable.
constexpr auto WaveStartDeadline = 1s;
// A tone stream no sound has used for this long is closed.
constexpr auto ToneIdleClose = 2s;
// A stream that takes nothing for this long has failed. An idle null sink
// takes data only every one to two seconds.
constexpr auto StallLimit = 3s;
// A wave request the audio thread reaches later than this is stale.
constexpr auto StaleWave = 3s;
// A lost device is looked for again after this long.
constexpr auto RetryAfter = 3s;
// What the streams hold ahead of what is heard: the audio thread may be this
// late without the server running dry.
constexpr int ToneBufferMs = 150;
constexpr int WaveBufferMs = 250;
// A sound's first step lies this far beyond what the tone stream has taken.
constexpr int SoundStartAheadMs = 40;
// Qt's PulseAudio sink asks its source for data every 20 ms.
constexpr int PeriodMs = 20;
constexpr auto WatchInterval = 20ms;
// Large enough that the sink never sees the source's end, or shortens the
// server's pre-buffering to the source's size.
constexpr qint64 Endless = qint64(1) << 40;

// Stores one value, clamped, in the sink's sample format.
char *storeSample(char *out, QAudioFormat::SampleFormat format, float value)
{
    if (!std::isfinite(value))
        value = 0.0f;
    value = qBound(-1.0f, value, 1.0f);
    switch (format) {
    case QAudioFormat::UInt8:
        *out = char(static_cast<unsigned char>(qBound(0, int(std::lround(value * 127.0f + 128.0f)), 255)));
        return out + 1;
    case QAudioFormat::Int16: {
        const auto v = qint16(std::lround(value * 32767.0f));
        std::memcpy(out, &v, sizeof v);
        return out + sizeof v;
    }
    case QAudioFormat::Int32: {
        const auto v = qint32(std::lround(double(value) * 2147483647.0));
        std::memcpy(out, &v, sizeof v);
        return out + sizeof v;
    }
    default:
        std::memcpy(out, &value, sizeof value);
        return out + sizeof value;
    }
}

// The format closest to the file's that the device takes.
QAudioFormat chooseFormat(const QAudioDevice &device, int rate, int channels)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(channels);
    for (auto sample : {QAudioFormat::Float, QAudioFormat::Int16}) {
        format.setSampleFormat(sample);
        if (device.isFormatSupported(format))
            return format;
    }
    return device.preferredFormat();
}

bool sinkFailed(const QAudioSink *sink)
{
    // An underrun is the server waiting for data, not a failure.
    const QAudio::Error error = sink->error();
    return (error != QAudio::NoError && error != QAudio::UnderrunError) || sink->state() == QAudio::StoppedState;
}

// State shared by the UI thread and the audio thread.
struct Shared
{
    enum class Tone { Closed, Opening, Priming, Ready, Failed };

    std::mutex mutex;
    std::condition_variable changed;
    Tone tone = Tone::Closed;
    Clock::time_point openedAt{};     // when Opening began, or Failed was set
    Clock::time_point primedAt{};     // when Priming began
    std::optional<platform::ToneTimeline> line; // while a tone stream is open
    qint64 bufferFrames = 0;          // what the server holds ahead
    qint64 primeFrames = 0;           // taken beyond this: the server plays
    Clock::time_point readAt{};       // when the stream last took data
    bool soundUnderway = false;
    Clock::time_point soundEndedAt{};
    bool shuttingDown = false;
    bool warming = false;             // a warm-up is under way
    Clock::time_point warmAskedAt{};

    WaveState wave = WaveState::Idle;
    quint64 waveRequest = 0;          // the latest play or stop
    Clock::time_point waveAskedAt{};  // when the latest play or stop came
    quint64 waveHandled = 0;          // the latest the audio thread is done with

    // Milliseconds until the stream takes `frame`, from where it stood at
    // its last read.
    qint64 msUntilFrame(qint64 frame, Clock::time_point now) const
    {
        const qint64 ahead = (frame - line->cursor()) * 1000 / line->rate();
        return ahead - std::chrono::duration_cast<std::chrono::milliseconds>(now - readAt).count();
    }
};

// Hands the tone time line to the sink, on the audio thread.
class ToneSource final : public QIODevice
{
public:
    ToneSource(std::shared_ptr<Shared> shared, const QAudioFormat &format, QObject *parent)
        : QIODevice(parent), m_shared(std::move(shared)), m_format(format)
    {
        // Unbuffered: a buffered device would read 16 KB ahead at a time.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return Endless + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int bytesPerFrame = m_format.bytesPerFrame();
        const qint64 frames = maxSize / bytesPerFrame;
        if (frames <= 0)
            return 0;
        m_mono.assign(size_t(frames), 0.0f);
        bool primed = false;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->line) {
                m_shared->line->render(m_mono.data(), frames);
                m_shared->readAt = Clock::now();
                if (m_shared->tone == Shared::Tone::Priming && m_shared->line->cursor() > m_shared->primeFrames) {
                    m_shared->tone = Shared::Tone::Ready;
                    primed = true;
                }
            }
        }
        if (primed)
            m_shared->changed.notify_all();
        const int channels = m_format.channelCount();
        const auto sampleFormat = m_format.sampleFormat();
        char *out = data;
        for (const float value : m_mono)
            for (int c = 0; c < channels; ++c)
                out = storeSample(out, sampleFormat, value);
        return frames * bytesPerFrame;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::shared_ptr<Shared> m_shared;
    QAudioFormat m_format;
    std::vector<float> m_mono;
};

// Decodes a wave file as the sink asks for data, on the audio thread; after
// the file's end it hands out silence until the audio thread stops it.
class WaveSource final : public QIODevice
{
public:
    WaveSource(std::unique_ptr<platform::WaveStream> stream, const QAudioFormat &format, QObject *parent)
        : QIODevice(parent), m_stream(std::move(stream)), m_format(format)
    {
        m_stream->setOutput(format.sampleRate(), format.channelCount());
        m_readAt = Clock::now();
        // Unbuffered: a buffered device would read 16 KB ahead at a time.
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override { return Endless + QIODevice::bytesAvailable(); }
    qint64 cursor() const { return m_cursor; }
    // The frame where the file's sound ended; -1 while it lasts.
    qint64 endFrame() const { return m_endFrame; }
    Clock::time_point readAt() const { return m_readAt; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int bytesPerFrame = m_format.bytesPerFrame();
        const int channels = m_format.channelCount();
        const qint64 frames = maxSize / bytesPerFrame;
        if (frames <= 0)
            return 0;
        m_floats.assign(size_t(frames * channels), 0.0f);
        if (m_endFrame < 0) {
            const qint64 got = m_stream->read(m_floats.data(), frames);
            if (got < frames)
                m_endFrame = m_cursor + qMax<qint64>(0, got);
        }
        const auto sampleFormat = m_format.sampleFormat();
        char *out = data;
        for (const float value : m_floats)
            out = storeSample(out, sampleFormat, value);
        m_cursor += frames;
        m_readAt = Clock::now();
        return frames * bytesPerFrame;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::unique_ptr<platform::WaveStream> m_stream;
    QAudioFormat m_format;
    std::vector<float> m_floats;
    qint64 m_cursor = 0;
    qint64 m_endFrame = -1;
    Clock::time_point m_readAt;
};

// Lives on the audio thread and owns every sink.
class Worker final : public QObject
{
public:
    // The timer is a child, so it moves to the audio thread with it.
    explicit Worker(std::shared_ptr<Shared> shared) : m_shared(std::move(shared)), m_watch(this)
    {
        m_watch.setInterval(WatchInterval);
        QObject::connect(&m_watch, &QTimer::timeout, this, [this] { watch(); });
    }

    // The server connection is made by the first device look-up.
    void warmUp()
    {
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
        }
        QMediaDevices::defaultAudioOutput();
        std::lock_guard lock(m_shared->mutex);
        m_shared->warming = false;
    }

    void openTone()
    {
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
        }
        bool ok = false;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull()) {
            QAudioFormat format;
            format.setSampleRate(48000);
            format.setChannelCount(1);
            format.setSampleFormat(QAudioFormat::Int16);
            if (!device.isFormatSupported(format))
                format = device.preferredFormat();
            if (format.bytesPerFrame() > 0 && format.sampleRate() > 0) {
                {
                    std::lock_guard lock(m_shared->mutex);
                    m_shared->line.emplace(format.sampleRate());
                    m_shared->readAt = Clock::now();
                }
                m_toneSink = new QAudioSink(device, format, this);
                m_toneSink->setBufferSize(format.bytesForDuration(ToneBufferMs * 1000));
                m_toneSink->start(new ToneSource(m_shared, format, m_toneSink));
                ok = !sinkFailed(m_toneSink);
            }
        }
        if (!ok) {
            closeTone(true);
            return;
        }
        {
            std::lock_guard lock(m_shared->mutex);
            const QAudioFormat format = m_toneSink->format();
            // The server's buffer, as it granted it once the stream opened.
            m_shared->bufferFrames = qMax<qint64>(m_toneSink->bufferSize(), format.bytesForDuration(ToneBufferMs * 1000))
                / format.bytesPerFrame();
            m_shared->primeFrames = m_shared->bufferFrames + m_shared->line->framesFor(PeriodMs);
            m_shared->tone = Shared::Tone::Priming;
            m_shared->primedAt = Clock::now();
            // A new stream is not idle yet.
            m_shared->soundEndedAt = m_shared->primedAt;
        }
        m_shared->changed.notify_all();
        m_watch.start();
    }

    void closeTone(bool failed)
    {
        QAudioSink *sink = m_toneSink;
        m_toneSink = nullptr;
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->line.reset();
            if (failed) {
                m_shared->tone = Shared::Tone::Failed;
                m_shared->openedAt = Clock::now();
            } else if (m_shared->tone != Shared::Tone::Failed) {
                m_shared->tone = Shared::Tone::Closed;
            }
        }
        m_shared->changed.notify_all();
        retire(sink);
    }

    void playWave(const QString &path, bool loop, quint64 request, Clock::time_point asked)
    {
        stopWave();
        if (!isCurrent(request))
            return;
        if (Clock::now() - asked > StaleWave) {
            setWave(request, WaveState::Failed);
            return;
        }
        auto stream = std::make_unique<platform::WaveStream>(path, loop);
        const QAudioDevice device = stream->isOpen() ? QMediaDevices::defaultAudioOutput() : QAudioDevice();
        const QAudioFormat format = device.isNull() ? QAudioFormat()
                                                    : chooseFormat(device, stream->sampleRate(), stream->channels());
        if (device.isNull() || format.bytesPerFrame() <= 0 || format.sampleRate() <= 0) {
            setWave(request, WaveState::Failed);
            return;
        }
        m_wave = new QAudioSink(device, format, this);
        m_wave->setBufferSize(format.bytesForDuration(WaveBufferMs * 1000));
        m_waveSource = new WaveSource(std::move(stream), format, m_wave);
        m_wave->start(m_waveSource);
        if (sinkFailed(m_wave)) {
            stopWave();
            setWave(request, WaveState::Failed);
            return;
        }
        m_waveRequest = request;
        m_waveBufferFrames = qMax<qint64>(m_wave->bufferSize(), format.bytesForDuration(WaveBufferMs * 1000))
            / format.bytesPerFrame();
        setWave(request, WaveState::Playing);
        m_watch.start();
    }

    void stopWave()
    {
        QAudioSink *sink = m_wave;
        m_wave = nullptr;
        m_waveSource = nullptr;
        retire(sink);
    }

    // Closes everything; the queued sound plays out until the deadline.
    void shutdown(Clock::time_point deadline)
    {
        while (m_toneSink && Clock::now() < deadline && !sinkFailed(m_toneSink)) {
            {
                std::lock_guard lock(m_shared->mutex);
                if (!m_shared->line || m_shared->line->idle())
                    break;
            }
            // The sink reads from its timer on this thread.
            QThread::msleep(5);
            QCoreApplication::processEvents();
        }
        m_watch.stop();
        // No source has ever ended, so no drain request of the server can
        // call a sink back after it is gone: deleting them now is safe.
        if (QAudioSink *sink = std::exchange(m_toneSink, nullptr)) {
            sink->stop();
            delete sink;
        }
        if (QAudioSink *sink = std::exchange(m_wave, nullptr)) {
            m_waveSource = nullptr;
            sink->stop();
            delete sink;
        }
        {
            std::lock_guard lock(m_shared->mutex);
            m_shared->line.reset();
        }
        // deleteLater would need the loop that is about to end.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    // Checks the streams: the tone stream's priming, a stream that failed
    // or stalled, the end of a wave file, the tone stream no sound uses.
    void watch()
    {
        const auto now = Clock::now();
        if (m_toneSink) {
            bool failed = sinkFailed(m_toneSink);
            bool idle = false;
            {
                std::lock_guard lock(m_shared->mutex);
                if (m_shared->tone == Shared::Tone::Priming && now - m_shared->primedAt >= PrimeDeadline) {
                    // Steps count from here; a sleepy server takes them late,
                    // but in time with each other.
                    m_shared->tone = Shared::Tone::Ready;
                    m_shared->changed.notify_all();
                }
                failed = failed || now - m_shared->readAt > StallLimit;
                // Decided and marked under one lock: a sound that begins
                // meanwhile opens a new stream.
                idle = !failed && m_shared->tone == Shared::Tone::Ready && !m_shared->soundUnderway
                    && m_shared->line && m_shared->line->idle() && now - m_shared->soundEndedAt > ToneIdleClose;
                if (idle) {
                    m_shared->tone = Shared::Tone::Closed;
                    m_shared->line.reset();
                }
            }
            if (idle)
                retire(std::exchange(m_toneSink, nullptr));
            else if (failed)
                closeTone(true);
        }
        if (m_wave) {
            const qint64 end = m_waveSource->endFrame();
            const bool failed = sinkFailed(m_wave) || now - m_waveSource->readAt() > StallLimit;
            // Once the server has taken the file's last frame and a buffer
            // of silence behind it, the file has been heard to its end.
            const qint64 period = qint64(m_wave->format().sampleRate()) * PeriodMs / 1000;
            const bool played = end >= 0 && m_waveSource->cursor() >= end + m_waveBufferFrames + period;
            if (failed || played) {
                stopWave();
                setWave(m_waveRequest, failed ? WaveState::Failed : WaveState::Idle);
            }
        }
        if (!m_toneSink && !m_wave)
            m_watch.stop();
    }

    // Stops a sink; it goes when control is back in this thread's loop (its
    // destructor handles events).
    static void retire(QAudioSink *sink)
    {
        if (!sink)
            return;
        sink->stop();
        sink->deleteLater();
    }

    bool isCurrent(quint64 request)
    {
        std::lock_guard lock(m_shared->mutex);
        return !m_shared->shuttingDown && m_shared->waveRequest == request;
    }

    void setWave(quint64 request, WaveState state)
    {
        std::lock_guard lock(m_shared->mutex);
        if (m_shared->waveRequest == request)
            m_shared->wave = state;
    }

public:
    // The audio thread is through with a play or stop request.
    void handled(quint64 request)
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->waveHandled = qMax(m_shared->waveHandled, request);
    }

private:

    std::shared_ptr<Shared> m_shared;
    QAudioSink *m_toneSink = nullptr;
    QAudioSink *m_wave = nullptr;
    WaveSource *m_waveSource = nullptr;
    quint64 m_waveRequest = 0;
    qint64 m_waveBufferFrames = 0;
    QTimer m_watch;
};

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
    QtAudioBackend() : m_shared(std::make_shared<Shared>())
    {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("brenvik-audio"));
        m_worker = new Worker(m_shared);
        m_worker->moveToThread(m_thread);
        m_thread->start();
    }

    void playWave(const QString &path, bool loop) override
    {
        // Opening and decoding the file belong to the audio thread as well:
        // a file on a slow or sleeping disk never holds the UI thread.
        quint64 request;
        const auto asked = Clock::now();
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
            request = ++m_shared->waveRequest;
            m_shared->wave = WaveState::Starting;
            m_shared->waveAskedAt = asked;
        }
        QMetaObject::invokeMethod(m_worker, [w = m_worker, path, loop, request, asked] {
            w->playWave(path, loop, request, asked);
            w->handled(request);
        }, Qt::QueuedConnection);
    }

    void stopWave() override
    {
        quint64 request;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
            request = ++m_shared->waveRequest;
            m_shared->wave = WaveState::Idle;
            m_shared->waveAskedAt = Clock::now();
        }
        QMetaObject::invokeMethod(m_worker, [w = m_worker, request] {
            w->stopWave();
            w->handled(request);
        }, Qt::QueuedConnection);
    }

    void warmUp() override
    {
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown || m_shared->warming)
                return;
            m_shared->warming = true;
            m_shared->warmAskedAt = Clock::now();
        }
        QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->warmUp(); }, Qt::QueuedConnection);
    }

    WaveState waveState() override
    {
        std::lock_guard lock(m_shared->mutex);
        // Still not started: a server that does not answer, or a thread
        // that hangs in it.
        if (m_shared->wave == WaveState::Starting && Clock::now() - m_shared->waveAskedAt > WaveStartDeadline)
            m_shared->wave = WaveState::Failed;
        return m_shared->wave;
    }

    bool beginSound() override
    {
        std::unique_lock lock(m_shared->mutex);
        if (!ready(lock))
            return false;
        m_shared->line->beginSound(m_shared->line->framesFor(SoundStartAheadMs));
        m_shared->soundUnderway = true;
        return true;
    }

    bool tone(quint16 frequency, qint64 atMs, qint64 durationMs) override
    {
        std::lock_guard lock(m_shared->mutex);
        if (!playing())
            return false;
        m_shared->line->place(frequency, atMs, durationMs);
        return true;
    }

    qint64 msUntil(qint64 atMs) override
    {
        std::lock_guard lock(m_shared->mutex);
        if (!playing())
            return 0;
        return m_shared->msUntilFrame(m_shared->line->frameOf(atMs), Clock::now());
    }

    bool waitFor(qint64 atMs) override
    {
        std::unique_lock lock(m_shared->mutex);
        return waitUntilTaken(lock, [&] { return m_shared->line->frameOf(atMs); });
    }

    bool endSound(qint64 endMs, bool playOut) override
    {
        std::unique_lock lock(m_shared->mutex);
        bool heard = playing();
        if (heard && playOut) {
            // Taken a whole buffer beyond the end: the server has played it.
            heard = waitUntilTaken(lock, [&] {
                return m_shared->line->frameOf(endMs) + m_shared->bufferFrames
                    + m_shared->line->framesFor(PeriodMs);
            });
        } else if (heard) {
            m_shared->line->dropQueued();
        }
        m_shared->soundUnderway = false;
        m_shared->soundEndedAt = Clock::now();
        return heard;
    }

    void shutdown(int playOutMs) override
    {
        bool hanging = false;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
            m_shared->shuttingDown = true;
            // An open that outlived its deadline hangs in the server, and so
            // may a wave file that never started.
            const auto now = Clock::now();
            hanging = (m_shared->tone == Shared::Tone::Opening && now - m_shared->openedAt > OpenDeadline)
                || (m_shared->warming && now - m_shared->warmAskedAt > OpenDeadline)
                || (m_shared->waveHandled != m_shared->waveRequest && now - m_shared->waveAskedAt > WaveStartDeadline);
        }
        m_shared->changed.notify_all();
        const auto deadline = Clock::now() + std::chrono::milliseconds(qMax(0, playOutMs));
        QMetaObject::invokeMethod(m_worker, [w = m_worker, t = m_thread, deadline] {
            w->shutdown(deadline);
            // Deleted as the thread finishes, not inside its own call.
            w->deleteLater();
            t->quit();
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
    // A tone stream that takes the sound's steps.
    bool playing() const
    {
        return !m_shared->shuttingDown && m_shared->tone == Shared::Tone::Ready && m_shared->line;
    }

    // Waits until the stream has taken the frame `target()`; false when it
    // fails or stalls first. Sleeps until the frame is due, not per read.
    template<typename Target>
    bool waitUntilTaken(std::unique_lock<std::mutex> &lock, Target target)
    {
        if (!playing())
            return false;
        const auto giveUp = Clock::now() + std::chrono::milliseconds(qMax<qint64>(0, m_shared->msUntilFrame(target(), Clock::now())))
            + StallLimit;
        while (playing() && m_shared->line->cursor() < target()) {
            const auto now = Clock::now();
            if (now > giveUp)
                return false; // the audio thread itself no longer runs
            const qint64 ms = std::clamp<qint64>(m_shared->msUntilFrame(target(), now), PeriodMs / 2, 1000);
            m_shared->changed.wait_until(lock, now + std::chrono::milliseconds(ms), [&] { return !playing(); });
        }
        return playing();
    }

    // Opens and primes the tone stream unless it runs; false when it cannot
    // within the deadlines.
    bool ready(std::unique_lock<std::mutex> &lock)
    {
        if (m_shared->shuttingDown)
            return false;
        const auto now = Clock::now();
        if (m_shared->tone == Shared::Tone::Failed && now - m_shared->openedAt > RetryAfter)
            m_shared->tone = Shared::Tone::Closed;
        if (m_shared->tone == Shared::Tone::Closed) {
            m_shared->tone = Shared::Tone::Opening;
            m_shared->openedAt = now;
            QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->openTone(); }, Qt::QueuedConnection);
        }
        // An open that still hangs from an earlier call is not waited for
        // again: that call has already given up.
        m_shared->changed.wait_until(lock, m_shared->openedAt + OpenDeadline,
                                     [&] { return m_shared->tone != Shared::Tone::Opening; });
        // The audio thread ends priming at its own deadline; this one is a
        // backstop should that thread hang in the server.
        m_shared->changed.wait_until(lock, m_shared->primedAt + PrimeDeadline + 200ms,
                                     [&] { return m_shared->tone != Shared::Tone::Priming; });
        return playing();
    }

    std::shared_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
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
