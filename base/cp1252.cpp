#include "base/cp1252.h"

#include <algorithm>
#include <array>

namespace {

// Windows-1252 0x80..0x9F; the rest is Latin-1.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString fromCp1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte <= 0x9F) ? QChar(Cp1252High[byte - 0x80]) : QChar(byte);
    }
    return text;
}

std::optional<QByteArray> toCp1252(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes.append(char(u));
            continue;
        }
        const auto it = std::find(Cp1252High.begin(), Cp1252High.end(), u);
        if (it == Cp1252High.end())
            return std::nullopt;
        bytes.append(char(0x80 + (it - Cp1252High.begin())));
    }
    return bytes;
}
