#pragma once

#include "platform/waveoutput.h"

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <memory>
#include <mutex>

class QAudioSink;
class QObject;
class QTimer;

namespace platform {

class WaveFile;

// The stream of wave files. The UI thread hands plays and stops over and
// reads what became of the latest; the audio thread opens and decodes the
// file, feeds the sink and closes it once the file has been heard to its end.
class WaveStream
{
public:
    using Clock = std::chrono::steady_clock;

    // A wave file whose stream has not started by then is taken as unplayable.
    static constexpr std::chrono::seconds StartDeadline{1};

    // Requests for the audio thread are posted to `audioThread`, an object
    // that lives there.
    explicit WaveStream(QObject *audioThread);
    ~WaveStream();
    WaveStream(const WaveStream &) = delete;
    WaveStream &operator=(const WaveStream &) = delete;

    // UI thread; as AudioBackend's playWave(), stopWave() and waveState().
    void play(const QString &path, bool loop);
    void stop();
    WaveOutput::State state();
    // Refuses every later call. True when a request has waited longer than
    // a start may take: the audio thread hangs in the server.
    bool stopTaking(Clock::time_point now);

    // Audio thread: closes the stream at once.
    void shutdown();

private:
    // Audio thread.
    void start(const QString &path, bool loop, quint64 request, Clock::time_point asked);
    void close();
    void watch();
    void render(float *out, qint64 frames);
    bool isCurrent(quint64 request);
    void setState(quint64 request, WaveOutput::State state);
    void handled(quint64 request);

    QObject *m_audioThread;

    std::mutex m_mutex;
    WaveOutput::State m_state = WaveOutput::State::Idle;
    quint64 m_request = 0;          // the latest play or stop
    Clock::time_point m_askedAt{};  // when the latest play or stop came
    quint64 m_handled = 0;          // the latest the audio thread is done with
    bool m_stopped = false;

    // The audio thread's own.
    QAudioSink *m_sink = nullptr;
    QTimer *m_watch = nullptr;
    std::unique_ptr<WaveFile> m_file;
    quint64 m_playing = 0;          // the request the sink plays
    qint64 m_bufferFrames = 0;
    qint64 m_cursor = 0;            // frames the sink has taken
    qint64 m_endFrame = -1;         // where the file's sound ended; -1 while it lasts
    Clock::time_point m_readAt{};
};

} // namespace platform
