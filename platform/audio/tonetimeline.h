#pragma once

#include <QtGlobal>

#include <deque>

namespace platform {

// The tone stream's own time line: frames in the order the sound card reads
// them. A sound's steps get their places counted from its first step, so
// they play end to end however late the caller hands them over, as long as
// that is before the card reads their frames. Not thread-safe: the caller
// locks.
class ToneTimeline
{
public:
    explicit ToneTimeline(int rate) : m_rate(rate) {}

    int rate() const { return m_rate; }
    // Frames read so far.
    qint64 cursor() const { return m_cursor; }
    qint64 framesFor(qint64 ms) const { return ms * m_rate / 1000; }

    // A new sound starts `aheadFrames` after what has been read.
    void beginSound(qint64 aheadFrames);
    // The frame `ms` after the sound's first step.
    qint64 frameOf(qint64 ms) const { return m_soundStart + framesFor(ms); }
    // Places a tone `atMs` after the sound's first step. A tone whose start
    // has been read already moves the rest of the sound later, so it keeps
    // its length; returns the frames the sound moved.
    qint64 place(quint16 frequency, qint64 atMs, qint64 durationMs);
    // Forgets the tones not yet begun.
    void dropQueued();
    // Nothing placed is left to read.
    bool idle() const { return m_segments.empty(); }

    // The next `frames` mono samples in -1..1: square waves where tones are,
    // silence elsewhere.
    void render(float *out, qint64 frames);

    static constexpr float Amplitude = 0.3f;

private:
    struct Segment
    {
        qint64 start;
        qint64 end;
        quint16 frequency;
    };

    int m_rate;
    qint64 m_cursor = 0;
    qint64 m_soundStart = 0;
    std::deque<Segment> m_segments;
};

} // namespace platform
