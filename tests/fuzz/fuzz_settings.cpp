// libFuzzer target for the settings file: the input is a Timer.ini; its first
// bytes choose the key written and the value. Besides crashes, it checks that
// a write reads back, changes no other key's value, and that writing the same
// value again leaves the bytes as they are.

#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const std::array<QString, 4> Sections = {u"Sound"_s, u"Meldung"_s, u"a"_s, u"Grüße"_s};
const std::array<QString, 4> Keys = {u"File"_s, u"Ohne"_s, u"k"_s, u"Straße"_s};

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<missing>"_ba;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"Timer.ini"_s);
    const unsigned choice = data[0];
    const size_t valueLength = std::min<size_t>(data[1] % 24, size - 2);
    const QString value = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(valueLength))
                              .replace(u'\r', u' ')
                              .replace(u'\n', u' ');
    const QByteArray file(reinterpret_cast<const char *>(data + 2 + valueLength), qsizetype(size - 2 - valueLength));
    {
        QFile out(path);
        check(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        check(out.write(file) == file.size());
    }

    SettingsFile settings(path);
    QStringList before;
    for (const QString &section : Sections) {
        for (const QString &key : Keys)
            before << settings.readString(section, key, u"<none>"_s);
    }
    const QString &section = Sections[choice % Sections.size()];
    const QString &key = Keys[(choice / Sections.size()) % Keys.size()];
    try {
        settings.writeString(section, key, value);
    } catch (const ESettingsWriteError &) {
        // Only a file that cannot be read whole may be refused, and it stays.
        check(contents(path) == file);
        return 0;
    }
    const QByteArray once = contents(path);
    qsizetype i = 0;
    for (const QString &s : Sections) {
        for (const QString &k : Keys) {
            const QString expected = (s == section && k == key) ? value.left(SettingsFile::MaxValueLength) : before[i];
            check(settings.readString(s, k, u"<none>"_s) == expected);
            ++i;
        }
    }
    // A file marked UTF-8 stays UTF-8, and every line the write does not
    // touch keeps its bytes, valid UTF-8 or not. Lines naming the key, or
    // naming anything outside ASCII (which may fold to it), are passed over.
    if (file.startsWith("\xEF\xBB\xBF")) {
        const QByteArray keyBytes = key.toUtf8().toLower();
        for (const QByteArray &piece : file.split('\n')) {
            for (const QByteArray &line : piece.split('\r')) {
                const QByteArray name = line.left(line.indexOf('=') < 0 ? line.size() : line.indexOf('='));
                const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c >= 0; });
                if (ascii && !name.toLower().contains(keyBytes))
                    check(once.contains(line));
            }
        }
    }
    settings.writeString(section, key, value);
    check(contents(path) == once);
    return 0;
}
