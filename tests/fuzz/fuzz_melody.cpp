// libFuzzer target for the melody reader: the first byte gives the length of
// the melody name taken from the following bytes, the rest is the file.

#include "base/errors.h"
#include "sound/melodyreader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t nameLength = data[0] % 16 < size - 1 ? data[0] % 16 : size - 1;
    const QString name = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(nameLength));
    // A copy of exactly the remaining bytes, so ASan sees any read past them.
    const size_t rest = size - 1 - nameLength;
    char *copy = new char[rest ? rest : 1];
    for (size_t i = 0; i < rest; ++i)
        copy[i] = char(data[1 + nameLength + i]);
    const QByteArray text = QByteArray::fromRawData(copy, qsizetype(rest));
    try {
        readMelody(text, name, QStringLiteral("fuzz.msk"), [](quint16, qint32) {});
    } catch (const Exception &) {
    }
    delete[] copy;
    return 0;
}
