#pragma once

#include <QString>

#include <vector>

struct sf_private_tag;

namespace platform {

// A sound file read piece by piece through libsndfile (every encoding it
// knows: PCM, float, µ-law, A-law, IMA and MS ADPCM, ...), handed out as
// interleaved float frames in -1..1 at a chosen rate and channel count, so a
// long file costs a few blocks of memory, never its decoded size.
class WaveFile
{
public:
    WaveFile(const QString &path, bool loop);
    ~WaveFile();
    WaveFile(const WaveFile &) = delete;
    WaveFile &operator=(const WaveFile &) = delete;

    // False when the file is missing, damaged, empty or not a sound file.
    bool isOpen() const { return m_file != nullptr; }
    int sampleRate() const { return m_rate; }
    int channels() const { return m_channels; }

    // The rate and channel count read() delivers; the file's own by default.
    // Linear interpolation; channels repeated or dropped.
    void setOutput(int rate, int channels);
    // Up to `frames` frames into out; fewer only at the end (never when looping).
    qint64 read(float *out, qint64 frames);

private:
    bool fill();

    sf_private_tag *m_file = nullptr;
    int m_rate = 0;
    int m_channels = 0;
    bool m_loop = false;
    int m_outRate = 0;
    int m_outChannels = 0;
    // Decoded input frames; m_pos is the read position in them (fractional).
    std::vector<float> m_in;
    qint64 m_inFrames = 0;
    double m_pos = 0.0;
    bool m_ended = false;
};

} // namespace platform
