#pragma once

#include "platform/audio/tonestreamstate.h"
#include "platform/audio/tonetimeline.h"

#include <QtGlobal>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

class QAudioSink;
class QObject;
class QTimer;

namespace platform {

// The stream of square-wave tones. The UI thread places a sound's steps on
// the stream's time line and waits for the stream to take them; the audio
// thread opens the sink, feeds it from the time line and closes it a while
// after the last sound. What both threads touch is guarded by one mutex.
class ToneStream
{
public:
    using Clock = std::chrono::steady_clock;

    // How long the UI thread waits for the device and the stream to open.
    static constexpr std::chrono::milliseconds OpenDeadline{200};

    // Requests for the audio thread are posted to `audioThread`, an object
    // that lives there.
    explicit ToneStream(QObject *audioThread);
    ~ToneStream();
    ToneStream(const ToneStream &) = delete;
    ToneStream &operator=(const ToneStream &) = delete;

    // UI thread; as AudioBackend's calls of the same names.
    bool beginSound();
    bool tone(quint16 frequency, qint64 atMs, qint64 durationMs);
    qint64 msUntil(qint64 atMs);
    bool waitFor(qint64 atMs);
    bool endSound(qint64 endMs, bool playOut);
    // Refuses every later call. True when an open has outlived its deadline:
    // the audio thread hangs in the server.
    bool stopTaking(Clock::time_point now);

    // Audio thread: lets the queued sound play until the deadline, then
    // closes the stream.
    void shutdown(Clock::time_point deadline);

private:
    using State = ToneStreamState::State;

    // Under the lock: every change of state goes through here.
    void moveTo(State to, Clock::time_point now);
    bool playing() const;
    qint64 msUntilFrame(qint64 frame, Clock::time_point now) const;
    bool ready(std::unique_lock<std::mutex> &lock);
    template<typename Target>
    bool waitUntilTaken(std::unique_lock<std::mutex> &lock, Target target);

    // Audio thread.
    void open();
    void fail();
    void watch();
    void render(float *out, qint64 frames, int channels);

    QObject *m_audioThread;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    ToneStreamState m_state;
    std::optional<ToneTimeline> m_line; // while a stream is open
    qint64 m_bufferFrames = 0;          // what the server holds ahead
    qint64 m_primeFrames = 0;           // taken beyond this: the server plays
    Clock::time_point m_readAt{};       // when the stream last took data
    bool m_soundUnderway = false;
    Clock::time_point m_soundEndedAt{};
    bool m_stopped = false;

    // The audio thread's own.
    QAudioSink *m_sink = nullptr;
    QTimer *m_watch = nullptr;
    std::vector<float> m_mono;
};

} // namespace platform
