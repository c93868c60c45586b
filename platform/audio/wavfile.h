#pragma once

#include <QByteArray>

#include <optional>
#include <vector>

namespace platform {

// A RIFF wave file decoded to interleaved float samples in -1..1.
struct WavData
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;
};

// Integer PCM of 8, 16, 24 or 32 bits and float of 32 or 64 bits, plain or
// extensible. Anything else, or a damaged file, gives nothing. A data chunk
// that claims more than the file holds is cut to what is there.
std::optional<WavData> decodeWav(const QByteArray &file);

} // namespace platform
