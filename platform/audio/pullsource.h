#pragma once

#include <QAudioFormat>
#include <QIODevice>

#include <chrono>
#include <functional>
#include <vector>

class QAudioSink;

namespace platform {

// What a sink reads in pull mode: frames that a render function makes as the
// sink asks for them, in the sink's own sample format. It never reports an
// end: Qt Multimedia 6.4's PulseAudio sink answers the underflow of a source
// at its end by asking the server to drain, with the sink's own address as
// the callback's argument, and never withdraws that request, so a sink
// deleted before the server's answer is called after its death (the program
// crashed so at exit, now and then, on a busy machine). The audio thread
// stops a stream itself once its sound has been taken.
class PullSource final : public QIODevice
{
public:
    // Fills `frames` interleaved frames of the sink's channel count, in -1..1.
    using Render = std::function<void(float *out, qint64 frames)>;

    PullSource(const QAudioFormat &format, Render render, QObject *parent);

    bool isSequential() const override { return true; }
    bool atEnd() const override { return false; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QAudioFormat m_format;
    Render m_render;
    std::vector<float> m_floats;
};

// Qt's PulseAudio sink asks its source for data every 20 ms; the streams are
// watched as often.
constexpr int PullPeriodMs = 20;
constexpr std::chrono::milliseconds WatchInterval{PullPeriodMs};
// A stream that takes nothing for this long has failed. An idle null sink
// takes data only every one to two seconds.
constexpr std::chrono::seconds StallLimit{3};

// The sink has failed or stopped. An underrun is the server waiting for
// data, not a failure.
bool sinkFailed(const QAudioSink *sink);
// Stops a sink; it goes when control is back in its thread's loop (its
// destructor handles events).
void retireSink(QAudioSink *sink);

} // namespace platform
