// The sound-card back end, built as the module brenvik-audio: wave files and
// square-wave tones through Qt Multimedia.

#include "platform/audiobackend.h"
#include "wavfile.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QFile>
#include <QIODevice>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

// Appends one value, clamped, in the sink's sample format.
void appendSample(QByteArray &out, QAudioFormat::SampleFormat format, float value)
{
    if (!(value == value))
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

// The format closest to what we have that the device takes.
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

// Interleaved float frames at one rate and channel count, converted to the
// sink's format; linear resampling, channels mapped by repeating or dropping.
QByteArray convert(const std::vector<float> &samples, int rate, int channels, const QAudioFormat &to)
{
    QByteArray out;
    const int outChannels = to.channelCount();
    const qint64 frames = qint64(samples.size()) / channels;
    if (frames == 0 || outChannels < 1 || to.sampleRate() < 1)
        return out;
    const qint64 outFrames = frames * to.sampleRate() / rate;
    out.reserve(int(qMin<qint64>(outFrames * to.bytesPerFrame(), 1 << 30)));
    for (qint64 i = 0; i < outFrames; ++i) {
        const double at = double(i) * rate / to.sampleRate();
        const qint64 f0 = qMin<qint64>(qint64(at), frames - 1);
        const qint64 f1 = qMin<qint64>(f0 + 1, frames - 1);
        const float t = float(at - double(f0));
        for (int c = 0; c < outChannels; ++c) {
            const int source = channels == 1 ? 0 : c % channels;
            const float a = samples[size_t(f0 * channels + source)];
            const float b = samples[size_t(f1 * channels + source)];
            appendSample(out, to.sampleFormat(), a + (b - a) * t);
        }
    }
    return out;
}

// Serves a sound to the sink, from the start again when looping.
class PcmSource final : public QIODevice
{
public:
    PcmSource(QByteArray pcm, bool loop, QObject *parent) : QIODevice(parent), m_pcm(std::move(pcm)), m_loop(loop)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return (m_loop ? m_pcm.size() : m_pcm.size() - m_pos) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize && !m_pcm.isEmpty()) {
            if (m_pos >= m_pcm.size()) {
                if (!m_loop)
                    break;
                m_pos = 0;
            }
            const qint64 n = qMin(maxSize - done, qint64(m_pcm.size()) - m_pos);
            std::memcpy(data + done, m_pcm.constData() + m_pos, size_t(n));
            m_pos += n;
            done += n;
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_pcm;
    qint64 m_pos = 0;
    bool m_loop = false;
};

class QtAudioBackend final : public QObject, public platform::AudioBackend
{
public:
    QtAudioBackend()
    {
        m_toneIdle.setSingleShot(true);
        QObject::connect(&m_toneIdle, &QTimer::timeout, this, [this] { closeTone(); });
        m_waveDrained.setSingleShot(true);
        QObject::connect(&m_waveDrained, &QTimer::timeout, this, [this] { stopWave(); });
    }

    bool playWave(const QString &path, bool loop) override
    {
        stopWave();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const auto wav = platform::decodeWav(file.readAll());
        if (!wav || wav->samples.empty())
            return false;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        const QAudioFormat format = chooseFormat(device, wav->sampleRate, wav->channels);
        QByteArray pcm = convert(wav->samples, wav->sampleRate, wav->channels, format);
        if (pcm.isEmpty())
            return false;
        m_wave = new QAudioSink(device, format, this);
        m_waveSource = new PcmSource(std::move(pcm), loop, m_wave);
        QAudioSink *sink = m_wave;
        QObject::connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
            // Idle means the last bytes went to the device; what it still
            // buffers must play out before the sink is closed.
            if (sink == m_wave && state == QAudio::IdleState && !m_waveDrained.isActive())
                m_waveDrained.start(bufferMs(sink) + 250);
            if (sink == m_wave && state == QAudio::StoppedState && sink->error() != QAudio::NoError)
                m_waveDrained.start(0);
        });
        sink->start(m_waveSource);
        return sink->state() != QAudio::StoppedState || sink->error() == QAudio::NoError;
    }

    void stopWave() override
    {
        m_waveDrained.stop();
        if (!m_wave)
            return;
        QAudioSink *sink = m_wave;
        m_wave = nullptr;
        sink->disconnect(this);
        sink->stop();
        // Not deleted here: this may run inside the sink's own signal.
        sink->deleteLater();
    }

    void tone(quint16 frequency, quint32 durationMs) override
    {
        QElapsedTimer elapsed;
        elapsed.start();
        m_toneIdle.stop();
        if (!openTone()) {
            QThread::msleep(durationMs);
            return;
        }
        const QAudioFormat format = m_toneSink->format();
        const int rate = format.sampleRate();
        const qint64 frames = qint64(durationMs) * rate / 1000;
        // A square wave; frequencies out of hearing's reach are silence.
        const bool audible = frequency >= 20 && frequency <= rate / 2;
        const double step = double(frequency) / rate;
        qint64 frame = 0;
        QByteArray chunk;
        while (frame < frames) {
            const qint64 room = qMin<qint64>(m_toneSink->bytesFree() / format.bytesPerFrame(), qint64(rate / 100));
            if (room <= 0) {
                if (elapsed.elapsed() > qint64(durationMs) + 2000)
                    break; // the device stalls: do not hang the caller
                QThread::msleep(2);
                continue;
            }
            const qint64 count = qMin(room, frames - frame);
            chunk.clear();
            for (qint64 i = 0; i < count; ++i) {
                float value = 0.0f;
                if (audible) {
                    value = m_phase < 0.5 ? 0.3f : -0.3f;
                    m_phase += step;
                    m_phase -= std::floor(m_phase);
                }
                for (int c = 0; c < format.channelCount(); ++c)
                    appendSample(chunk, format.sampleFormat(), value);
            }
            const qint64 written = m_toneIo->write(chunk);
            if (written <= 0) {
                QThread::msleep(2);
                continue;
            }
            frame += written / format.bytesPerFrame();
        }
        // Return when what is still queued would end the tone on time, so the
        // next step follows without a gap.
        while (elapsed.elapsed() + queuedMs() < qint64(durationMs))
            QThread::msleep(1);
        m_toneIdle.start(2000);
    }

private:
    static int bufferMs(QAudioSink *sink)
    {
        const QAudioFormat format = sink->format();
        return int(format.durationForBytes(sink->bufferSize()) / 1000);
    }

    qint64 queuedMs() const
    {
        const QAudioFormat format = m_toneSink->format();
        const qint64 queued = qMax<qint64>(0, m_toneSink->bufferSize() - m_toneSink->bytesFree());
        return format.durationForBytes(queued) / 1000;
    }

    bool openTone()
    {
        if (m_toneSink && m_toneSink->state() != QAudio::StoppedState)
            return true;
        closeTone();
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return false;
        QAudioFormat format;
        format.setSampleRate(48000);
        format.setChannelCount(1);
        format.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(format))
            format = device.preferredFormat();
        m_toneSink = new QAudioSink(device, format, this);
        m_toneSink->setBufferSize(format.bytesForDuration(40000));
        m_toneIo = m_toneSink->start();
        if (!m_toneIo || m_toneSink->error() != QAudio::NoError) {
            closeTone();
            return false;
        }
        m_phase = 0.0;
        return true;
    }

    void closeTone()
    {
        if (!m_toneSink)
            return;
        m_toneSink->stop();
        m_toneSink->deleteLater();
        m_toneSink = nullptr;
        m_toneIo = nullptr;
    }

    QAudioSink *m_wave = nullptr;
    PcmSource *m_waveSource = nullptr;
    QTimer m_waveDrained;
    QAudioSink *m_toneSink = nullptr;
    QIODevice *m_toneIo = nullptr;
    QTimer m_toneIdle;
    double m_phase = 0.0;
};

} // namespace

extern "C" Q_DECL_EXPORT platform::AudioBackend *brenvik_audio_backend()
{
    static QtAudioBackend *const backend = new QtAudioBackend;
    return backend;
}
