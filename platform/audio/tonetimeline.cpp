#include "platform/audio/tonetimeline.h"

#include <algorithm>

namespace platform {

void ToneTimeline::beginSound(qint64 aheadFrames)
{
    m_soundStart = m_cursor + std::max<qint64>(0, aheadFrames);
    if (!m_segments.empty())
        m_soundStart = std::max(m_soundStart, m_segments.back().end);
}

qint64 ToneTimeline::place(quint16 frequency, qint64 atMs, qint64 durationMs)
{
    qint64 start = frameOf(atMs);
    // Already read, or inside a tone placed before: the rest of the sound
    // moves, never a tone's length.
    qint64 earliest = m_cursor;
    if (!m_segments.empty())
        earliest = std::max(earliest, m_segments.back().end);
    const qint64 moved = std::max<qint64>(0, earliest - start);
    m_soundStart += moved;
    start += moved;
    // From the time line, not from the duration alone: consecutive steps
    // meet exactly, whatever the rounding.
    const qint64 end = frameOf(atMs + std::max<qint64>(0, durationMs));
    if (end > start)
        m_segments.push_back({start, end, frequency});
    return moved;
}

void ToneTimeline::dropQueued()
{
    while (!m_segments.empty() && m_segments.back().start >= m_cursor)
        m_segments.pop_back();
}

void ToneTimeline::render(float *out, qint64 frames)
{
    const qint64 from = m_cursor;
    const qint64 to = m_cursor + std::max<qint64>(0, frames);
    std::fill(out, out + (to - from), 0.0f);
    for (const Segment &segment : m_segments) {
        if (segment.start >= to)
            break;
        if (segment.frequency < 20 || 2 * qint64(segment.frequency) > m_rate)
            continue;
        const qint64 first = std::max(segment.start, from);
        const qint64 last = std::min(segment.end, to);
        for (qint64 frame = first; frame < last; ++frame) {
            // Half periods counted from the tone's own start: an exact
            // square wave whichever pieces the card reads it in.
            const qint64 half = (frame - segment.start) * 2 * segment.frequency / m_rate;
            out[frame - from] = (half & 1) ? -Amplitude : Amplitude;
        }
    }
    m_cursor = to;
    while (!m_segments.empty() && m_segments.front().end <= m_cursor)
        m_segments.pop_front();
}

} // namespace platform
