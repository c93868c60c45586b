#include "platform/audio/tonestream.h"

#include "platform/audio/pullsource.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

using namespace std::chrono_literals;

// How long the UI thread then waits for the server to start taking the
// stream. A sleepy server (an idle null sink takes seconds at once) gets no
// more.
constexpr auto PrimeDeadline = 150ms;
// A stream no sound has used for this long is closed.
constexpr auto IdleClose = 2s;
// A stream that failed is looked for again after this long.
constexpr auto RetryAfter = 3s;
// What the stream holds ahead of what is heard: the audio thread may be this
// late without the server running dry.
constexpr int BufferMs = 150;
// A sound's first step lies this far beyond what the stream has taken.
constexpr int SoundStartAheadMs = 40;

} // namespace

ToneStream::ToneStream(QObject *audioThread) : m_audioThread(audioThread)
{
}

ToneStream::~ToneStream() = default;

void ToneStream::moveTo(State to, Clock::time_point now)
{
    [[maybe_unused]] const bool allowed = m_state.moveTo(to, now);
    Q_ASSERT_X(allowed, "ToneStream::moveTo", "a change of state that is not allowed");
}

bool ToneStream::beginSound()
{
    std::unique_lock lock(m_mutex);
    if (!ready(lock))
        return false;
    m_line->beginSound(m_line->framesFor(SoundStartAheadMs));
    m_soundUnderway = true;
    return true;
}

bool ToneStream::tone(quint16 frequency, qint64 atMs, qint64 durationMs)
{
    std::lock_guard lock(m_mutex);
    if (!playing())
        return false;
    m_line->place(frequency, atMs, durationMs);
    return true;
}

qint64 ToneStream::msUntil(qint64 atMs)
{
    std::lock_guard lock(m_mutex);
    if (!playing())
        return 0;
    return msUntilFrame(m_line->frameOf(atMs), Clock::now());
}

bool ToneStream::waitFor(qint64 atMs)
{
    std::unique_lock lock(m_mutex);
    return waitUntilTaken(lock, [&] { return m_line->frameOf(atMs); });
}

bool ToneStream::endSound(qint64 endMs, bool playOut)
{
    std::unique_lock lock(m_mutex);
    bool heard = playing();
    if (heard && playOut) {
        // Taken a whole buffer beyond the end: the server has played it.
        heard = waitUntilTaken(lock, [&] {
            return m_line->frameOf(endMs) + m_bufferFrames + m_line->framesFor(PullPeriodMs);
        });
    } else if (heard) {
        m_line->dropQueued();
    }
    m_soundUnderway = false;
    m_soundEndedAt = Clock::now();
    return heard;
}

bool ToneStream::stopTaking(Clock::time_point now)
{
    bool hanging = false;
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        hanging = m_state.state() == State::Opening && now - m_state.since() > OpenDeadline;
    }
    m_changed.notify_all();
    return hanging;
}

// A stream that takes the sound's steps.
bool ToneStream::playing() const
{
    return !m_stopped && m_state.state() == State::Ready && m_line;
}

// Milliseconds until the stream takes `frame`, from where it stood at its
// last read.
qint64 ToneStream::msUntilFrame(qint64 frame, Clock::time_point now) const
{
    const qint64 ahead = (frame - m_line->cursor()) * 1000 / m_line->rate();
    return ahead - std::chrono::duration_cast<std::chrono::milliseconds>(now - m_readAt).count();
}

// Opens and primes the stream unless it runs; false when it cannot within
// the deadlines.
bool ToneStream::ready(std::unique_lock<std::mutex> &lock)
{
    if (m_stopped)
        return false;
    const auto now = Clock::now();
    if (m_state.state() == State::Failed && now - m_state.since() > RetryAfter)
        moveTo(State::Closed, now);
    if (m_state.state() == State::Closed) {
        moveTo(State::Opening, now);
        QMetaObject::invokeMethod(m_audioThread, [this] { open(); }, Qt::QueuedConnection);
    }
    // An open that still hangs from an earlier call is not waited for
    // again: that call has already given up.
    m_changed.wait_until(lock, m_state.since() + OpenDeadline, [&] { return m_state.state() != State::Opening; });
    // The audio thread ends priming at its own deadline; this one is a
    // backstop should that thread hang in the server.
    m_changed.wait_until(lock, m_state.since() + PrimeDeadline + 200ms,
                         [&] { return m_state.state() != State::Priming; });
    return playing();
}

// Waits until the stream has taken the frame `target()`; false when it fails
// or stalls first. Sleeps until the frame is due, not per read.
template<typename Target>
bool ToneStream::waitUntilTaken(std::unique_lock<std::mutex> &lock, Target target)
{
    if (!playing())
        return false;
    const auto giveUp = Clock::now()
        + std::chrono::milliseconds(qMax<qint64>(0, msUntilFrame(target(), Clock::now()))) + StallLimit;
    while (playing() && m_line->cursor() < target()) {
        const auto now = Clock::now();
        if (now > giveUp)
            return false; // the audio thread itself no longer runs
        const qint64 ms = std::clamp<qint64>(msUntilFrame(target(), now), PullPeriodMs / 2, 1000);
        m_changed.wait_until(lock, now + std::chrono::milliseconds(ms), [&] { return !playing(); });
    }
    return playing();
}

void ToneStream::open()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
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
                std::lock_guard lock(m_mutex);
                m_line.emplace(format.sampleRate());
                m_readAt = Clock::now();
            }
            m_sink = new QAudioSink(device, format);
            m_sink->setBufferSize(format.bytesForDuration(BufferMs * 1000));
            const int channels = format.channelCount();
            m_sink->start(new PullSource(format, [this, channels](float *out, qint64 frames) {
                render(out, frames, channels);
            }, m_sink));
            ok = !sinkFailed(m_sink);
        }
    }
    if (!ok) {
        fail();
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        const QAudioFormat format = m_sink->format();
        // The server's buffer, as it granted it once the stream opened.
        m_bufferFrames = qMax<qint64>(m_sink->bufferSize(), format.bytesForDuration(BufferMs * 1000))
            / format.bytesPerFrame();
        m_primeFrames = m_bufferFrames + m_line->framesFor(PullPeriodMs);
        const auto now = Clock::now();
        moveTo(State::Priming, now);
        // A new stream is not idle yet.
        m_soundEndedAt = now;
    }
    m_changed.notify_all();
    if (!m_watch) {
        m_watch = new QTimer;
        m_watch->setInterval(WatchInterval);
        QObject::connect(m_watch, &QTimer::timeout, m_watch, [this] { watch(); });
    }
    m_watch->start();
}

// The stream could not open, or failed or stalled.
void ToneStream::fail()
{
    QAudioSink *sink = std::exchange(m_sink, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_line.reset();
        moveTo(State::Failed, Clock::now());
    }
    m_changed.notify_all();
    retireSink(sink);
}

// Hands the sink the time line's next frames, on every channel.
void ToneStream::render(float *out, qint64 frames, int channels)
{
    m_mono.assign(size_t(frames), 0.0f);
    bool primed = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_line) {
            m_line->render(m_mono.data(), frames);
            m_readAt = Clock::now();
            if (m_state.state() == State::Priming && m_line->cursor() > m_primeFrames) {
                moveTo(State::Ready, m_readAt);
                primed = true;
            }
        }
    }
    if (primed)
        m_changed.notify_all();
    for (qint64 i = 0; i < frames; ++i)
        std::fill_n(out + i * channels, channels, m_mono[size_t(i)]);
}

// Ends priming at its deadline, closes a stream that failed or stalled, or
// that no sound has used for a while.
void ToneStream::watch()
{
    const auto now = Clock::now();
    if (m_sink) {
        bool failed = sinkFailed(m_sink);
        bool idle = false;
        {
            std::lock_guard lock(m_mutex);
            if (m_state.state() == State::Priming && now - m_state.since() >= PrimeDeadline) {
                // Steps count from here; a sleepy server takes them late,
                // but in time with each other.
                moveTo(State::Ready, now);
                m_changed.notify_all();
            }
            failed = failed || now - m_readAt > StallLimit;
            // Decided and marked under one lock: a sound that begins
            // meanwhile opens a new stream.
            idle = !failed && m_state.state() == State::Ready && !m_soundUnderway && m_line && m_line->idle()
                && now - m_soundEndedAt > IdleClose;
            if (idle) {
                moveTo(State::Closed, now);
                m_line.reset();
            }
        }
        if (idle)
            retireSink(std::exchange(m_sink, nullptr));
        else if (failed)
            fail();
    }
    if (!m_sink)
        m_watch->stop();
}

void ToneStream::shutdown(Clock::time_point deadline)
{
    while (m_sink && Clock::now() < deadline && !sinkFailed(m_sink)) {
        {
            std::lock_guard lock(m_mutex);
            if (!m_line || m_line->idle())
                break;
        }
        // The sink reads from its timer on this thread.
        QThread::msleep(5);
        QCoreApplication::processEvents();
    }
    delete std::exchange(m_watch, nullptr);
    // No source has ever ended, so no drain request of the server can call
    // the sink back after it is gone: deleting it now is safe.
    if (QAudioSink *sink = std::exchange(m_sink, nullptr)) {
        sink->stop();
        delete sink;
    }
    std::lock_guard lock(m_mutex);
    m_line.reset();
}

} // namespace platform
