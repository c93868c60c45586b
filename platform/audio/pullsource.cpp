#include "platform/audio/pullsource.h"

#include <QAudioSink>

#include <cmath>
#include <cstring>

namespace platform {

namespace {

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

} // namespace

PullSource::PullSource(const QAudioFormat &format, Render render, QObject *parent)
    : QIODevice(parent), m_format(format), m_render(std::move(render))
{
    // Unbuffered: a buffered device would read 16 KB ahead at a time.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 PullSource::bytesAvailable() const
{
    return Endless + QIODevice::bytesAvailable();
}

qint64 PullSource::readData(char *data, qint64 maxSize)
{
    const int bytesPerFrame = m_format.bytesPerFrame();
    const qint64 frames = maxSize / bytesPerFrame;
    if (frames <= 0)
        return 0;
    m_floats.assign(size_t(frames * m_format.channelCount()), 0.0f);
    m_render(m_floats.data(), frames);
    const auto sampleFormat = m_format.sampleFormat();
    char *out = data;
    for (const float value : m_floats)
        out = storeSample(out, sampleFormat, value);
    return frames * bytesPerFrame;
}

bool sinkFailed(const QAudioSink *sink)
{
    const QAudio::Error error = sink->error();
    return (error != QAudio::NoError && error != QAudio::UnderrunError) || sink->state() == QAudio::StoppedState;
}

void retireSink(QAudioSink *sink)
{
    if (!sink)
        return;
    sink->stop();
    sink->deleteLater();
}

} // namespace platform
