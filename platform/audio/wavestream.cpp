#include "platform/audio/wavestream.h"

#include "platform/audio/pullsource.h"
#include "platform/audio/wavfile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>

#include <utility>

namespace platform {

namespace {

using namespace std::chrono_literals;
using State = WaveOutput::State;

// A request the audio thread reaches later than this is stale.
constexpr auto Stale = 3s;
// What the stream holds ahead of what is heard.
constexpr int BufferMs = 250;

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

} // namespace

WaveStream::WaveStream(QObject *audioThread) : m_audioThread(audioThread)
{
}

WaveStream::~WaveStream() = default;

void WaveStream::play(const QString &path, bool loop)
{
    // Opening and decoding the file belong to the audio thread as well: a
    // file on a slow or sleeping disk never holds the UI thread.
    quint64 request;
    const auto asked = Clock::now();
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        request = ++m_request;
        m_state = State::Starting;
        m_askedAt = asked;
    }
    QMetaObject::invokeMethod(m_audioThread, [this, path, loop, request, asked] {
        start(path, loop, request, asked);
        handled(request);
    }, Qt::QueuedConnection);
}

void WaveStream::stop()
{
    quint64 request;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped)
            return;
        request = ++m_request;
        m_state = State::Idle;
        m_askedAt = Clock::now();
    }
    QMetaObject::invokeMethod(m_audioThread, [this, request] {
        close();
        handled(request);
    }, Qt::QueuedConnection);
}

WaveOutput::State WaveStream::state()
{
    std::lock_guard lock(m_mutex);
    // Still not started: a server that does not answer, or a thread that
    // hangs in it.
    if (m_state == State::Starting && Clock::now() - m_askedAt > StartDeadline)
        m_state = State::Failed;
    return m_state;
}

bool WaveStream::stopTaking(Clock::time_point now)
{
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    return m_handled != m_request && now - m_askedAt > StartDeadline;
}

void WaveStream::start(const QString &path, bool loop, quint64 request, Clock::time_point asked)
{
    close();
    if (!isCurrent(request))
        return;
    if (Clock::now() - asked > Stale) {
        setState(request, State::Failed);
        return;
    }
    auto file = std::make_unique<WaveFile>(path, loop);
    const QAudioDevice device = file->isOpen() ? QMediaDevices::defaultAudioOutput() : QAudioDevice();
    const QAudioFormat format = device.isNull() ? QAudioFormat()
                                                : chooseFormat(device, file->sampleRate(), file->channels());
    if (device.isNull() || format.bytesPerFrame() <= 0 || format.sampleRate() <= 0) {
        setState(request, State::Failed);
        return;
    }
    file->setOutput(format.sampleRate(), format.channelCount());
    m_file = std::move(file);
    m_cursor = 0;
    m_endFrame = -1;
    m_readAt = Clock::now();
    m_sink = new QAudioSink(device, format);
    m_sink->setBufferSize(format.bytesForDuration(BufferMs * 1000));
    m_sink->start(new PullSource(format, [this](float *out, qint64 frames) { render(out, frames); }, m_sink));
    if (sinkFailed(m_sink)) {
        close();
        setState(request, State::Failed);
        return;
    }
    m_playing = request;
    m_bufferFrames = qMax<qint64>(m_sink->bufferSize(), format.bytesForDuration(BufferMs * 1000))
        / format.bytesPerFrame();
    setState(request, State::Playing);
    if (!m_watch) {
        m_watch = new QTimer;
        m_watch->setInterval(WatchInterval);
        QObject::connect(m_watch, &QTimer::timeout, m_watch, [this] { watch(); });
    }
    m_watch->start();
}

void WaveStream::close()
{
    retireSink(std::exchange(m_sink, nullptr));
    // A stopped sink reads no more.
    m_file.reset();
}

// Decodes the file as the sink asks for data; after its end, silence until
// the watch stops the stream.
void WaveStream::render(float *out, qint64 frames)
{
    if (m_endFrame < 0 && m_file) {
        const qint64 got = m_file->read(out, frames);
        if (got < frames)
            m_endFrame = m_cursor + qMax<qint64>(0, got);
    }
    m_cursor += frames;
    m_readAt = Clock::now();
}

// Ends a stream that failed or stalled, or whose file has been heard.
void WaveStream::watch()
{
    if (m_sink) {
        const bool failed = sinkFailed(m_sink) || Clock::now() - m_readAt > StallLimit;
        // Once the server has taken the file's last frame and a buffer of
        // silence behind it, the file has been heard to its end.
        const qint64 period = qint64(m_sink->format().sampleRate()) * PullPeriodMs / 1000;
        const bool played = m_endFrame >= 0 && m_cursor >= m_endFrame + m_bufferFrames + period;
        if (failed || played) {
            close();
            setState(m_playing, failed ? State::Failed : State::Idle);
        }
    }
    if (!m_sink)
        m_watch->stop();
}

bool WaveStream::isCurrent(quint64 request)
{
    std::lock_guard lock(m_mutex);
    return !m_stopped && m_request == request;
}

void WaveStream::setState(quint64 request, State state)
{
    std::lock_guard lock(m_mutex);
    if (m_request == request)
        m_state = state;
}

// The audio thread is through with a play or stop request.
void WaveStream::handled(quint64 request)
{
    std::lock_guard lock(m_mutex);
    m_handled = qMax(m_handled, request);
}

void WaveStream::shutdown()
{
    delete std::exchange(m_watch, nullptr);
    // No source has ever ended, so no drain request of the server can call
    // the sink back after it is gone: deleting it now is safe.
    if (QAudioSink *sink = std::exchange(m_sink, nullptr)) {
        sink->stop();
        delete sink;
    }
    m_file.reset();
}

} // namespace platform
