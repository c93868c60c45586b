#include "wavfile.h"

#include <cstring>

namespace platform {

namespace {

quint32 le32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint32(u[0]) | quint32(u[1]) << 8 | quint32(u[2]) << 16 | quint32(u[3]) << 24;
}

quint16 le16(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint16(u[0] | u[1] << 8);
}

float sampleAt(const char *p, int bits, bool isFloat)
{
    if (isFloat) {
        if (bits == 32) {
            quint32 raw = le32(p);
            float v;
            std::memcpy(&v, &raw, sizeof v);
            return v;
        }
        quint64 raw = quint64(le32(p)) | quint64(le32(p + 4)) << 32;
        double v;
        std::memcpy(&v, &raw, sizeof v);
        return float(v);
    }
    switch (bits) {
    case 8:
        return (float(static_cast<unsigned char>(*p)) - 128.0f) / 128.0f;
    case 16:
        return float(qint16(le16(p))) / 32768.0f;
    case 24: {
        qint32 v = qint32(quint32(static_cast<unsigned char>(p[0])) | quint32(static_cast<unsigned char>(p[1])) << 8
                   | quint32(static_cast<unsigned char>(p[2])) << 16);
        if (v & 0x800000)
            v -= 0x1000000;
        return float(v) / 8388608.0f;
    }
    default:
        return float(double(qint32(le32(p))) / 2147483648.0);
    }
}

} // namespace

std::optional<WavData> decodeWav(const QByteArray &file)
{
    const char *data = file.constData();
    const qint64 size = file.size();
    if (size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0)
        return std::nullopt;

    int format = -1, channels = 0, bits = 0, rate = 0, blockAlign = 0;
    const char *samples = nullptr;
    qint64 sampleBytes = 0;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        const char *id = data + pos;
        const qint64 chunkSize = le32(data + pos + 4);
        const qint64 body = pos + 8;
        const qint64 available = qMin(chunkSize, size - body);
        if (std::memcmp(id, "fmt ", 4) == 0 && available >= 16) {
            format = le16(data + body);
            channels = le16(data + body + 2);
            rate = int(le32(data + body + 4));
            blockAlign = le16(data + body + 12);
            bits = le16(data + body + 14);
            if (format == 0xFFFE && available >= 26)
                format = le16(data + body + 24);
        } else if (std::memcmp(id, "data", 4) == 0) {
            samples = data + body;
            sampleBytes = available;
            break;
        }
        pos = body + chunkSize + (chunkSize & 1);
    }

    const bool isFloat = format == 3;
    if ((format != 1 && !isFloat) || !samples)
        return std::nullopt;
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
        return std::nullopt;
    const bool supportedBits = isFloat ? (bits == 32 || bits == 64) : (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    const int bytesPerSample = bits / 8;
    if (!supportedBits || blockAlign < channels * bytesPerSample)
        return std::nullopt;

    WavData wav;
    wav.sampleRate = rate;
    wav.channels = channels;
    const qint64 frames = sampleBytes / blockAlign;
    wav.samples.reserve(size_t(frames * channels));
    for (qint64 frame = 0; frame < frames; ++frame) {
        const char *p = samples + frame * blockAlign;
        for (int c = 0; c < channels; ++c)
            wav.samples.push_back(sampleAt(p + c * bytesPerSample, bits, isFloat));
    }
    return wav;
}

} // namespace platform
