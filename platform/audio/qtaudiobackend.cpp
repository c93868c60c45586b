// The sound-card back end, built as the module brenvik-audio: wave files and
// square-wave tones through Qt Multimedia.
//
// Every Qt Multimedia object lives on the module's own thread. Looking up the
// device, opening, writing and closing a stream can each hang for half a
// minute on a sound server that accepts a connection and never answers; the
// UI thread only hands requests over and waits with a short deadline, so the
// alarm message never waits on the server.

#include "platform/audiobackend.h"
#include "platform/audio/wavfile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include <stdlib.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// How long the UI thread waits for the device and the tone stream to open.
constexpr auto OpenDeadline = 200ms;
// How long it then waits for the server to start taking the primed stream.
// A sleepy server (an idle null sink renders seconds ahead) gets no more: the
// steps then count from here and come out late, but in time with each other.
constexpr auto PrimeDeadline = 150ms;
// A tone stream nobody uses for this long after it has played out is closed.
constexpr auto ToneIdleClose = 2s;
// A stream that takes nothing for this long has failed. An idle null sink
// takes data only every one to two seconds.
constexpr auto StallLimit = 3s;
// A wave request the audio thread reaches later than this is stale.
constexpr auto StaleWave = 3s;
// A lost device is looked for again after this long.
constexpr auto RetryAfter = 3s;
// Tone calls this close behind the previous tone's end continue it seamlessly.
constexpr auto Contiguous = 10ms;

// Appends one value, clamped, in the sink's sample format.
void appendSample(QByteArray &out, QAudioFormat::SampleFormat format, float value)
{
    if (!std::isfinite(value))
        value = 0.0f;
    value = qBound(-1.0f, value, 1.0f);
    switch (format) {
    case QAudioFormat::UInt8: {
        const auto v = static_cast<unsigned char>(qBound(0, int(std::lround(value * 127.0f + 128.0f)), 255));
        out.append(char(v));
        break;
    }
    case QAudioFormat::Int16: {
        const auto v = qint16(std::lround(value * 32767.0f));
        out.append(reinterpret_cast<const char *>(&v), sizeof v);
        break;
    }
    case QAudioFormat::Int32: {
        const auto v = qint32(std::lround(double(value) * 2147483647.0));
        out.append(reinterpret_cast<const char *>(&v), sizeof v);
        break;
    }
    default:
        out.append(reinterpret_cast<const char *>(&value), sizeof value);
        break;
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

// Decodes a wave file as the sink asks for data, on the audio thread.
class WaveSource final : public QIODevice
{
public:
    WaveSource(std::unique_ptr<platform::WaveStream> stream, const QAudioFormat &format, QObject *parent)
        : QIODevice(parent), m_stream(std::move(stream)), m_format(format)
    {
        m_stream->setOutput(format.sampleRate(), format.channelCount());
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    bool drained() const { return m_ended && m_pending.isEmpty(); }
    qint64 bytesAvailable() const override
    {
        return (m_ended ? m_pending.size() : m_pending.size() + 65536) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const int bytesPerFrame = m_format.bytesPerFrame();
        while (m_pending.size() < maxSize && !m_ended) {
            const qint64 frames = qMax<qint64>(1, qMin<qint64>(4096, (maxSize - m_pending.size()) / bytesPerFrame + 1));
            m_floats.resize(size_t(frames * m_format.channelCount()));
            const qint64 got = m_stream->read(m_floats.data(), frames);
            if (got < frames)
                m_ended = true;
            for (qint64 i = 0; i < got * m_format.channelCount(); ++i)
                appendSample(m_pending, m_format.sampleFormat(), m_floats[size_t(i)]);
        }
        const qint64 n = qMin<qint64>(maxSize - maxSize % bytesPerFrame, m_pending.size());
        std::memcpy(data, m_pending.constData(), size_t(n));
        m_pending.remove(0, n);
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    std::unique_ptr<platform::WaveStream> m_stream;
    QAudioFormat m_format;
    std::vector<float> m_floats;
    QByteArray m_pending;
    bool m_ended = false;
};

// State shared by the UI thread and the audio thread.
struct Shared
{
    enum class Tone { Closed, Opening, Priming, Ready, Failed };

    struct Segment
    {
        qint64 start; // frame on the stream's time line
        qint64 frames;
        quint16 frequency;
    };

    std::mutex mutex;
    std::condition_variable changed;
    Tone tone = Tone::Closed;
    Clock::time_point openedAt{};     // when Opening began, or Failed was set
    Clock::time_point primedAt{};     // when Priming began
    // The time line: frame `base` of the stream was due at `origin`.
    Clock::time_point origin{};
    qint64 base = 0;
    int rate = 0;
    std::deque<Segment> segments;
    Clock::time_point lastEnd{};      // the last tone's end on the UI's clock
    bool shuttingDown = false;

    qint64 frameAt(Clock::time_point t) const
    {
        return base + std::chrono::duration_cast<std::chrono::microseconds>(t - origin).count() * rate / 1000000;
    }
};

// Lives on the audio thread and owns every sink.
class Worker final : public QObject
{
public:
    // The timers are children, so they move to the audio thread with it.
    explicit Worker(std::shared_ptr<Shared> shared)
        : m_shared(std::move(shared)), m_pump(this), m_waveDrained(this)
    {
        m_pump.setTimerType(Qt::PreciseTimer);
        m_pump.setInterval(5);
        QObject::connect(&m_pump, &QTimer::timeout, this, [this] { pumpTone(); });
        m_waveDrained.setSingleShot(true);
        QObject::connect(&m_waveDrained, &QTimer::timeout, this, [this] { stopWave(); });
    }

    void openTone()
    {
        bool ok = false;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
        }
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (!device.isNull()) {
            QAudioFormat format;
            format.setSampleRate(48000);
            format.setChannelCount(1);
            format.setSampleFormat(QAudioFormat::Int16);
            if (!device.isFormatSupported(format))
                format = device.preferredFormat();
            m_toneSink = new QAudioSink(device, format, this);
            m_toneSink->setBufferSize(format.bytesForDuration(60000));
            m_toneIo = m_toneSink->start();
            m_format = m_toneSink->format();
            ok = m_toneIo && m_toneSink->error() == QAudio::NoError && m_format.bytesPerFrame() > 0
                && m_format.sampleRate() > 0;
        }
        if (ok) {
            // Prime: fill the stream's whole buffer with silence, so the
            // server starts playing now and not with the first tone; the
            // time line starts behind that silence.
            m_written = 0;
            m_staged.clear();
            const qint64 frames = qMax<qint64>(m_toneSink->bufferSize() / m_format.bytesPerFrame(), m_format.sampleRate() / 20);
            m_staged = QByteArray(int(frames * m_format.bytesPerFrame()), '\0');
            if (m_format.sampleFormat() == QAudioFormat::UInt8)
                m_staged.fill(char(0x80));
            m_cursor = frames;
            writeStaged();
            m_lastProgress = Clock::now();
            m_idleSince = Clock::now();
            m_primeEnd = Clock::now() + PrimeDeadline;
            m_phase = 0.0;
        }
        {
            std::lock_guard lock(m_shared->mutex);
            if (ok) {
                m_shared->tone = Shared::Tone::Priming;
                m_shared->primedAt = Clock::now();
                m_shared->rate = m_format.sampleRate();
                m_shared->segments.clear();
            } else {
                m_shared->tone = Shared::Tone::Failed;
                m_shared->openedAt = Clock::now();
            }
        }
        m_shared->changed.notify_all();
        if (ok) {
            m_priming = true;
            m_pump.start();
        } else {
            closeTone(false);
        }
    }

    // Renders the time line up to now (silence between tones, so the stream
    // never runs dry and restarts late) and writes what the sink takes.
    void pumpTone()
    {
        if (!m_toneSink)
            return;
        const auto now = Clock::now();
        if (m_priming) {
            // Running once the server takes data beyond the primed buffer.
            const bool taking = m_staged.isEmpty() && m_toneSink->bytesFree() > 0;
            writeStaged();
            if (!taking && now < m_primeEnd && m_toneSink->error() == QAudio::NoError)
                return;
            m_priming = false;
            {
                std::lock_guard lock(m_shared->mutex);
                m_shared->tone = Shared::Tone::Ready;
                m_shared->origin = now;
                m_shared->base = m_cursor;
            }
            m_shared->changed.notify_all();
            m_lastProgress = now;
            m_idleSince = now;
        }
        std::deque<Shared::Segment> segments;
        qint64 until;
        {
            std::lock_guard lock(m_shared->mutex);
            until = m_shared->frameAt(now);
            // Take the tones that begin before `until`, and all of the ones
            // already begun: a tone is rendered whole as soon as it is due.
            while (!m_shared->segments.empty() && m_shared->segments.front().start <= until) {
                segments.push_back(m_shared->segments.front());
                m_shared->segments.pop_front();
            }
        }
        const int channels = m_format.channelCount();
        const auto sampleFormat = m_format.sampleFormat();
        auto silence = [&](qint64 to) {
            for (; m_cursor < to; ++m_cursor)
                for (int c = 0; c < channels; ++c)
                    appendSample(m_staged, sampleFormat, 0.0f);
        };
        for (const auto &segment : segments) {
            silence(segment.start);
            const int rate = m_format.sampleRate();
            const bool audible = segment.frequency >= 20 && segment.frequency <= rate / 2;
            const double step = double(segment.frequency) / rate;
            for (qint64 i = 0; i < segment.frames; ++i, ++m_cursor) {
                float value = 0.0f;
                if (audible) {
                    value = m_phase < 0.5 ? 0.3f : -0.3f;
                    m_phase += step;
                    m_phase -= std::floor(m_phase);
                }
                for (int c = 0; c < channels; ++c)
                    appendSample(m_staged, sampleFormat, value);
            }
            m_idleSince = now + std::chrono::milliseconds(segment.frames * 1000 / rate);
        }
        silence(until);
        const qint64 before = m_staged.size();
        writeStaged();
        if (m_staged.size() < before || m_staged.isEmpty())
            m_lastProgress = now;
        const bool failed = m_toneSink->error() != QAudio::NoError
            || (m_toneSink->state() == QAudio::StoppedState) || now - m_lastProgress > StallLimit;
        if (failed) {
            closeTone(true);
            return;
        }
        if (segments.empty() && now - m_idleSince > ToneIdleClose && m_staged.isEmpty()
            && (m_toneSink->bytesFree() >= m_toneSink->bufferSize() || now - m_idleSince > 2 * StallLimit)) {
            std::unique_lock lock(m_shared->mutex);
            if (m_shared->segments.empty()) {
                m_shared->tone = Shared::Tone::Closed;
                lock.unlock();
                closeTone(false);
            }
        }
    }

    void closeTone(bool failed)
    {
        m_pump.stop();
        m_priming = false;
        if (m_toneSink) {
            m_toneSink->stop();
            delete m_toneSink;
            m_toneSink = nullptr;
            m_toneIo = nullptr;
        }
        m_staged.clear();
        if (failed) {
            {
                std::lock_guard lock(m_shared->mutex);
                m_shared->tone = Shared::Tone::Failed;
                m_shared->openedAt = Clock::now();
                m_shared->segments.clear();
            }
            m_shared->changed.notify_all();
        }
    }

    void playWave(const QString &path, bool loop, Clock::time_point asked)
    {
        stopWave();
        if (Clock::now() - asked > StaleWave)
            return;
        auto stream = std::make_unique<platform::WaveStream>(path, loop);
        if (!stream->isOpen())
            return;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;
        const QAudioFormat format = chooseFormat(device, stream->sampleRate(), stream->channels());
        if (format.bytesPerFrame() <= 0 || format.sampleRate() <= 0)
            return;
        m_wave = new QAudioSink(device, format, this);
        m_waveSource = new WaveSource(std::move(stream), format, m_wave);
        QAudioSink *sink = m_wave;
        QObject::connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
            if (sink != m_wave)
                return;
            // Idle at the end of the data: what the device still buffers
            // plays out before the sink is closed. An underrun is not the end.
            if (state == QAudio::IdleState && m_waveSource->drained() && !m_waveDrained.isActive())
                m_waveDrained.start(bufferMs(sink) + 250);
            if (state == QAudio::StoppedState && sink->error() != QAudio::NoError)
                m_waveDrained.start(0);
        });
        sink->start(m_waveSource);
    }

    void stopWave()
    {
        m_waveDrained.stop();
        if (!m_wave)
            return;
        QAudioSink *sink = m_wave;
        m_wave = nullptr;
        m_waveSource = nullptr;
        sink->disconnect(this);
        sink->stop();
        // Not deleted here: this may run inside the sink's own signal.
        sink->deleteLater();
    }

    // Lets the queued tone play out until the deadline, then closes everything.
    void shutdown(Clock::time_point deadline)
    {
        while (m_toneSink && !m_priming && Clock::now() < deadline && m_toneSink->error() == QAudio::NoError
               && !(m_staged.isEmpty() && m_toneSink->bytesFree() >= m_toneSink->bufferSize())) {
            {
                // Nothing new is due: only what was rendered plays out.
                std::lock_guard lock(m_shared->mutex);
                m_shared->segments.clear();
            }
            writeStaged();
            QThread::msleep(5);
        }
        const bool hadStreams = m_toneSink || m_wave;
        closeTone(false);
        stopWave();
        // deleteLater would need the loop that is about to end.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The server answers the closing of a stream a moment later; Qt
        // Multimedia's own teardown at exit must not meet that answer.
        if (hadStreams)
            QThread::msleep(150);
    }

private:
    static int bufferMs(QAudioSink *sink)
    {
        return int(sink->format().durationForBytes(sink->bufferSize()) / 1000);
    }

    void writeStaged()
    {
        if (!m_toneIo || m_staged.isEmpty())
            return;
        const qint64 room = m_toneSink->bytesFree();
        const qint64 n = qMin<qint64>(room - room % m_format.bytesPerFrame(), m_staged.size());
        if (n <= 0)
            return;
        const qint64 written = m_toneIo->write(m_staged.constData(), n);
        if (written > 0) {
            m_staged.remove(0, written);
            m_written += written;
        }
    }

    std::shared_ptr<Shared> m_shared;
    QAudioSink *m_toneSink = nullptr;
    QIODevice *m_toneIo = nullptr;
    QAudioFormat m_format;
    QTimer m_pump;
    QByteArray m_staged;     // rendered, not yet taken by the sink
    qint64 m_cursor = 0;     // frames rendered on the time line
    qint64 m_written = 0;
    double m_phase = 0.0;
    Clock::time_point m_lastProgress{};
    Clock::time_point m_idleSince{};
    Clock::time_point m_primeEnd{};
    bool m_priming = false;
    QAudioSink *m_wave = nullptr;
    WaveSource *m_waveSource = nullptr;
    QTimer m_waveDrained;
};

// Set when the audio thread hangs in the sound server at shutdown.
std::atomic<bool> audioThreadHangs{false};

// Qt Multimedia's own teardown at exit waits for the set-up that hangs in
// the server (half a minute): the process leaves before it, with its status.
void leaveIfAudioHangs(int status, void *)
{
    if (!audioThreadHangs)
        return;
    std::fflush(nullptr);
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

    bool playWave(const QString &path, bool loop) override
    {
        if (isShutDown())
            return false;
        // Only whether the file opens is checked here; decoding and the
        // device belong to the audio thread.
        if (!platform::WaveStream(path, loop).isOpen()) {
            stopWave();
            return false;
        }
        const auto asked = Clock::now();
        QMetaObject::invokeMethod(m_worker, [w = m_worker, path, loop, asked] { w->playWave(path, loop, asked); },
                                  Qt::QueuedConnection);
        return true;
    }

    void stopWave() override
    {
        if (isShutDown())
            return;
        QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->stopWave(); }, Qt::QueuedConnection);
    }

    bool prepare() override
    {
        std::unique_lock lock(m_shared->mutex);
        return ready(lock);
    }

    bool tone(quint16 frequency, quint32 durationMs) override
    {
        std::unique_lock lock(m_shared->mutex);
        if (!ready(lock))
            return false;
        const auto now = Clock::now();
        // A tone right behind the previous one follows it without a gap, so
        // steps keep their written lengths however late this thread wakes.
        auto start = now;
        if (now >= m_shared->lastEnd && now - m_shared->lastEnd < Contiguous)
            start = m_shared->lastEnd;
        const auto end = start + std::chrono::milliseconds(durationMs);
        const qint64 frames = qint64(durationMs) * m_shared->rate / 1000;
        m_shared->segments.push_back({m_shared->frameAt(start), frames, frequency});
        m_shared->lastEnd = end;
        QMetaObject::invokeMethod(m_worker, [w = m_worker] { w->pumpTone(); }, Qt::QueuedConnection);
        // The beep service blocks for the tone's duration, unless the stream fails.
        m_shared->changed.wait_until(lock, end, [&] { return m_shared->tone != Shared::Tone::Ready; });
        return m_shared->tone == Shared::Tone::Ready;
    }

    void shutdown(int playOutMs) override
    {
        bool hanging = false;
        {
            std::lock_guard lock(m_shared->mutex);
            if (m_shared->shuttingDown)
                return;
            m_shared->shuttingDown = true;
            // An open that outlived its deadline hangs in the server.
            hanging = m_shared->tone == Shared::Tone::Opening
                && Clock::now() - m_shared->openedAt > OpenDeadline;
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
        if (m_thread->wait(QDeadlineTimer(hanging ? 100 : qMax(0, playOutMs) + 1000)))
            delete m_thread;
        else
            audioThreadHangs = true;
    }

private:
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
        return m_shared->tone == Shared::Tone::Ready;
    }

    bool isShutDown()
    {
        std::lock_guard lock(m_shared->mutex);
        return m_shared->shuttingDown;
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
        // Runs before Qt Multimedia's exit handlers, which were registered
        // when its library was loaded.
        ::on_exit(leaveIfAudioHangs, nullptr);
    }
    return theBackend;
}
