#include "settingsfile.h"

#include "convert.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>

#include <array>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

// Windows-1252 0x80..0x9F; the five unassigned bytes map to the C1 controls,
// as the Windows conversion does, so every byte survives a round trip.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

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

// Empty optional when a character has no Windows-1252 byte.
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

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

const QByteArray Utf8Bom("\xEF\xBB\xBF");

struct Line
{
    QByteArray content; // without the line end
    QByteArray eol;     // "\r\n", "\n", or empty for a last line without one
};

// The file split into lines, byte for byte, with what is needed to put it
// back together.
struct Document
{
    bool bom = false;
    bool utf8 = true;
    QList<Line> lines;

    QString decode(const QByteArray &bytes) const
    {
        return utf8 ? QString::fromUtf8(bytes) : fromCp1252(bytes);
    }

    QByteArray lineEnd() const
    {
        for (const Line &line : lines) {
            if (!line.eol.isEmpty())
                return line.eol;
        }
        return "\n"_ba;
    }

    QByteArray toBytes() const
    {
        QByteArray bytes = bom ? Utf8Bom : QByteArray();
        for (const Line &line : lines)
            bytes += line.content + line.eol;
        return bytes;
    }
};

Document parse(QByteArray bytes)
{
    Document doc;
    if (bytes.startsWith(Utf8Bom)) {
        doc.bom = true;
        bytes.remove(0, Utf8Bom.size());
    }
    doc.utf8 = doc.bom || isValidUtf8(bytes);
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype nl = bytes.indexOf('\n', start);
        Line line;
        if (nl < 0) {
            line.content = bytes.mid(start);
            start = bytes.size();
        } else {
            line.content = bytes.mid(start, nl - start);
            line.eol = "\n"_ba;
            if (line.content.endsWith('\r')) {
                line.content.chop(1);
                line.eol = "\r\n"_ba;
            }
            start = nl + 1;
        }
        doc.lines.append(line);
    }
    return doc;
}

// A section header's name, or nothing for other lines.
std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    qsizetype end = trimmed.indexOf(u']');
    if (end < 0)
        end = trimmed.size();
    return trimmed.mid(1, end - 1).trimmed();
}

struct KeyLine
{
    QString key;
    QString value;
};

std::optional<KeyLine> keyLine(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u';'))
        return std::nullopt;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    KeyLine result{trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed()};
    if (result.key.isEmpty())
        return std::nullopt;
    const QString &v = result.value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        result.value = v.mid(1, v.size() - 2);
    return result;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a key lives: the first section of that name and the first key of that
// name in it. Later sections of the same name are not looked at.
struct Location
{
    qsizetype sectionLine = -1;
    qsizetype keyLine = -1;
    qsizetype lastEntryLine = -1; // last non-blank line of the section
    QString value;
};

Location locate(const Document &doc, const QString &section, const QString &key)
{
    Location loc;
    for (qsizetype i = 0; i < doc.lines.size(); ++i) {
        const QString text = doc.decode(doc.lines[i].content);
        if (const auto name = sectionName(text)) {
            if (loc.sectionLine >= 0)
                break;
            if (sameName(*name, section)) {
                loc.sectionLine = i;
                loc.lastEntryLine = i;
            }
            continue;
        }
        if (loc.sectionLine < 0)
            continue;
        if (!text.trimmed().isEmpty())
            loc.lastEntryLine = i;
        if (loc.keyLine >= 0)
            continue;
        if (const auto entry = keyLine(text); entry && sameName(entry->key, key)) {
            loc.keyLine = i;
            loc.value = entry->value;
        }
    }
    return loc;
}

// The text as it goes into the file: line breaks would start new lines, and
// blanks or quotes at the ends would be lost on reading, so such a value is
// put in one more pair of quotes that reading takes off again.
QString storedValue(QString value)
{
    value.replace(u"\r\n"_s, u" "_s).replace(u'\r', u' ').replace(u'\n', u' ');
    if (value.isEmpty())
        return value;
    const bool blankAtEnds = value.front().isSpace() || value.back().isSpace();
    const bool quoted = value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'')
        && value.back() == value.front();
    if (blankAtEnds || quoted)
        return u'"' + value + u'"';
    return value;
}

} // namespace

SettingsFile::SettingsFile(const QString &path)
    : m_path(path)
{
}

QString SettingsFile::readString(const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return defaultValue.left(MaxValueLength);
    const Document doc = parse(file.readAll());
    const Location loc = locate(doc, section, key);
    QString value = loc.keyLine >= 0 ? loc.value : defaultValue;
    if (value.size() > MaxValueLength) {
        value.truncate(MaxValueLength);
        // Never leave half of a surrogate pair.
        if (value.back().isHighSurrogate())
            value.chop(1);
    }
    return value;
}

bool SettingsFile::readBool(const QString &section, const QString &key, bool defaultValue) const
{
    QString text = readString(section, key, QString());
    if (text.size() > 2 && (text.startsWith(u"0x"_s) || text.startsWith(u"0X"_s)))
        text.replace(0, 2, u"$"_s);
    const auto number = tryStrToInt(text);
    return number ? *number != 0 : defaultValue;
}

void SettingsFile::writeString(const QString &section, const QString &key, const QString &value)
{
    Document doc;
    QFile existing(m_path);
    if (existing.exists()) {
        // An existing file that cannot be read must not be replaced by one
        // holding only the new key.
        if (!existing.open(QIODevice::ReadOnly))
            throwWriteError();
        doc = parse(existing.readAll());
        existing.close();
    }

    const QString stored = storedValue(value);
    const Location loc = locate(doc, section, key);
    const QByteArray eol = doc.lineEnd();

    auto encode = [&doc](const QString &text) -> QByteArray {
        if (doc.utf8)
            return text.toUtf8();
        return toCp1252(text).value_or(QByteArray());
    };
    // A value Windows-1252 cannot hold would be mangled: such a file becomes UTF-8.
    if (!doc.utf8 && (!toCp1252(stored) || !toCp1252(section) || !toCp1252(key))) {
        for (Line &line : doc.lines)
            line.content = fromCp1252(line.content).toUtf8();
        doc.utf8 = true;
    }

    if (loc.keyLine >= 0) {
        // Keep the key as written and the blanks after "=".
        QByteArray &content = doc.lines[loc.keyLine].content;
        qsizetype start = content.indexOf('=') + 1;
        while (start < content.size() && (content[start] == ' ' || content[start] == '\t'))
            ++start;
        content = content.left(start) + encode(stored);
    } else {
        QList<Line> added;
        if (loc.sectionLine < 0)
            added.append({encode(u'[' + section + u']'), eol});
        added.append({encode(key + u'=' + stored), eol});
        const qsizetype after = loc.sectionLine >= 0 ? loc.lastEntryLine : doc.lines.size() - 1;
        if (after >= 0 && doc.lines[after].eol.isEmpty())
            doc.lines[after].eol = eol;
        for (qsizetype i = 0; i < added.size(); ++i)
            doc.lines.insert(after + 1 + i, added[i]);
    }

    // The whole file goes to a temporary file beside it and is renamed over the
    // old one, so a failure never leaves half a file.
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly))
        throwWriteError();
    const QByteArray bytes = doc.toBytes();
    if (out.write(bytes) != bytes.size() || !out.commit())
        throwWriteError();
}

void SettingsFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? u"1"_s : u"0"_s);
}

void SettingsFile::throwWriteError() const
{
    throw ESettingsWriteError(u"nach %1 kann nicht geschrieben werden"_s
                                  .arg(QFileInfo(m_path).absoluteFilePath()));
}

} // namespace platform
