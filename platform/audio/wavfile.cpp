#include "platform/audio/wavfile.h"

#include <QFile>

#include <sndfile.h>

#include <cmath>

namespace platform {

namespace {

constexpr qint64 BlockFrames = 4096;

} // namespace

WaveFile::WaveFile(const QString &path, bool loop) : m_loop(loop)
{
    SF_INFO info{};
    m_file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!m_file)
        return;
    // Integer samples are scaled to -1..1 whatever their width.
    sf_command(m_file, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1000 || info.samplerate > 768000
        || info.frames <= 0) {
        sf_close(m_file);
        m_file = nullptr;
        return;
    }
    m_rate = info.samplerate;
    m_channels = info.channels;
    m_outRate = m_rate;
    m_outChannels = m_channels;
}

WaveFile::~WaveFile()
{
    if (m_file)
        sf_close(m_file);
}

void WaveFile::setOutput(int rate, int channels)
{
    if (rate > 0)
        m_outRate = rate;
    if (channels > 0)
        m_outChannels = channels;
}

// Keeps the last frame (interpolation needs it) and appends the next block;
// at the end of a looping file it goes on from the start.
bool WaveFile::fill()
{
    if (m_ended)
        return false;
    const qint64 keep = m_inFrames > 0 ? 1 : 0;
    std::vector<float> next(size_t((keep + BlockFrames) * m_channels));
    if (keep)
        std::copy(m_in.end() - m_channels, m_in.end(), next.begin());
    qint64 got = sf_readf_float(m_file, next.data() + keep * m_channels, BlockFrames);
    if (got <= 0 && m_loop && sf_seek(m_file, 0, SEEK_SET) == 0)
        got = sf_readf_float(m_file, next.data() + keep * m_channels, BlockFrames);
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    m_pos -= double(m_inFrames - keep);
    m_in = std::move(next);
    m_inFrames = keep + got;
    m_in.resize(size_t(m_inFrames * m_channels));
    return true;
}

qint64 WaveFile::read(float *out, qint64 frames)
{
    if (!m_file)
        return 0;
    const double step = double(m_rate) / m_outRate;
    qint64 done = 0;
    while (done < frames) {
        qint64 f0 = qint64(m_pos);
        // The frame after f0 must be there too, except at the very end.
        while (f0 + 1 >= m_inFrames && fill())
            f0 = qint64(m_pos);
        if (f0 >= m_inFrames)
            break;
        const qint64 f1 = qMin(f0 + 1, m_inFrames - 1);
        const float t = float(m_pos - double(f0));
        for (int c = 0; c < m_outChannels; ++c) {
            const int source = m_channels == 1 ? 0 : c % m_channels;
            const float a = m_in[size_t(f0 * m_channels + source)];
            const float b = m_in[size_t(f1 * m_channels + source)];
            float v = a + (b - a) * t;
            if (!std::isfinite(v))
                v = 0.0f;
            out[done * m_outChannels + c] = qBound(-1.0f, v, 1.0f);
        }
        ++done;
        m_pos += step;
    }
    return done;
}

} // namespace platform
