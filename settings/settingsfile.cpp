#include "settings/settingsfile.h"

#include "base/convert.h"
#include "base/cp1252.h"
#include "platform/regularfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <array>
#include <optional>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool isValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    Q_UNUSED(decoded);
    return !decoder.hasError();
}

const QByteArray Utf8Bom("\xEF\xBB\xBF");

enum class Encoding { Utf8, Cp1252, Utf16LE, Utf16BE };

struct Line
{
    QString content; // without the line end
    QString eol;     // "\r\n", "\n", "\r", or empty for a last line without one
    // The content's bytes as read, kept while the line is not written: bytes
    // that are no text in the file's encoding survive a save of other lines.
    std::optional<QByteArray> raw;
};

// The file split into lines, with what is needed to put it back together
// byte for byte.
struct Document
{
    Encoding encoding = Encoding::Utf8;
    Encoding readEncoding = Encoding::Utf8; // the encoding `raw` is in
    bool bom = false;
    QByteArray tail; // an odd last byte of a UTF-16 file
    QList<Line> lines;

    QString lineEnd() const
    {
        for (const Line &line : lines) {
            if (!line.eol.isEmpty())
                return line.eol;
        }
        return u"\n"_s;
    }

    QByteArray encode(const QString &text) const
    {
        switch (encoding) {
        case Encoding::Utf8:
            return text.toUtf8();
        case Encoding::Cp1252:
            // apply() has made the file UTF-8 if any text did not fit.
            return toCp1252(text).value_or(QByteArray());
        case Encoding::Utf16LE:
        case Encoding::Utf16BE:
            break;
        }
        const bool le = encoding == Encoding::Utf16LE;
        QByteArray bytes;
        bytes.reserve(2 * text.size());
        for (const QChar ch : text) {
            const char lo = char(ch.unicode() & 0xFF), hi = char(ch.unicode() >> 8);
            bytes.append(le ? lo : hi);
            bytes.append(le ? hi : lo);
        }
        return bytes;
    }

    QByteArray toBytes() const
    {
        QByteArray bytes;
        if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE)
            bytes = encode(u"\uFEFF"_s);
        else if (encoding == Encoding::Utf8 && bom)
            bytes = Utf8Bom;
        for (const Line &line : lines) {
            bytes += line.raw && encoding == readEncoding ? *line.raw : encode(line.content);
            bytes += encode(line.eol);
        }
        if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE)
            bytes += tail;
        return bytes;
    }
};

// Where each line starts, how long it is, and how long its line end.
struct LineSpan
{
    qsizetype start;
    qsizetype length;
    qsizetype eolLength;
};

// CR, LF and CRLF end a line; in UTF-8 and Windows-1252 these bytes are never
// part of another character, so bytes split as the text does.
template<typename Text>
QList<LineSpan> lineSpans(const Text &text)
{
    QList<LineSpan> spans;
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        qsizetype eolLength = 0;
        if (end < size)
            eolLength = (text[end] == u'\r' && end + 1 < size && text[end + 1] == u'\n') ? 2 : 1;
        spans.append({start, end - start, eolLength});
        start = end + eolLength;
    }
    return spans;
}

// Cuts a text read only in part after its last line end: a line cut in the
// middle would give a wrong value.
qsizetype wholeLinesLength(const QByteArray &bytes)
{
    const qsizetype lastEol = std::max(bytes.lastIndexOf('\n'), bytes.lastIndexOf('\r'));
    return lastEol + 1;
}

Document parse(QByteArray bytes, bool cut)
{
    Document doc;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // UTF-16 decodes and encodes without loss, lone surrogates included.
        doc.encoding = bytes.startsWith("\xFF\xFE") ? Encoding::Utf16LE : Encoding::Utf16BE;
        doc.bom = true;
        const bool le = doc.encoding == Encoding::Utf16LE;
        const qsizetype units = (bytes.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
            const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
            text[i] = QChar(char16_t(le ? (a | b << 8) : (b | a << 8)));
        }
        if (cut) {
            const qsizetype lastEol = std::max(text.lastIndexOf(u'\n'), text.lastIndexOf(u'\r'));
            text.truncate(lastEol + 1);
        } else {
            doc.tail = bytes.mid(2 + 2 * units);
        }
        for (const LineSpan &span : lineSpans(text))
            doc.lines.append({text.mid(span.start, span.length), text.mid(span.start + span.length, span.eolLength), {}});
    } else {
        if (bytes.startsWith(Utf8Bom)) {
            doc.bom = true;
            bytes.remove(0, Utf8Bom.size());
        }
        if (cut)
            bytes.truncate(wholeLinesLength(bytes));
        doc.encoding = (doc.bom || isValidUtf8(bytes)) ? Encoding::Utf8 : Encoding::Cp1252;
        for (const LineSpan &span : lineSpans(bytes)) {
            const QByteArray raw = bytes.mid(span.start, span.length);
            doc.lines.append({doc.encoding == Encoding::Utf8 ? QString::fromUtf8(raw) : fromCp1252(raw),
                              QString::fromLatin1(bytes.mid(span.start + span.length, span.eolLength)), raw});
        }
    }
    doc.readEncoding = doc.encoding;
    return doc;
}

// A section header's name, or nothing for other lines. Views into the line:
// a file of many lines is searched without copying them.
std::optional<QStringView> sectionName(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (!trimmed.startsWith(u'['))
        return std::nullopt;
    qsizetype end = trimmed.indexOf(u']');
    if (end < 0)
        end = trimmed.size();
    return trimmed.mid(1, end - 1).trimmed();
}

struct KeyLine
{
    QStringView key;
    QStringView value;
};

std::optional<KeyLine> keyLine(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    if (trimmed.startsWith(u';'))
        return std::nullopt;
    const qsizetype eq = trimmed.indexOf(u'=');
    if (eq < 0)
        return std::nullopt;
    KeyLine result{trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed()};
    if (result.key.isEmpty())
        return std::nullopt;
    const QStringView v = result.value;
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        result.value = v.mid(1, v.size() - 2);
    return result;
}

bool sameName(QStringView a, QStringView b)
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
        const QString &text = doc.lines[i].content;
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
        if (!QStringView(text).trimmed().isEmpty())
            loc.lastEntryLine = i;
        if (loc.keyLine >= 0)
            continue;
        if (const auto entry = keyLine(text); entry && sameName(entry->key, key)) {
            loc.keyLine = i;
            loc.value = entry->value.toString();
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

// Changes one key in the document, as the private-profile service does.
void apply(Document &doc, const SettingsFile::Entry &entry)
{
    const QString stored = storedValue(entry.value);
    // A value Windows-1252 cannot hold would be mangled: such a file becomes UTF-8.
    if (doc.encoding == Encoding::Cp1252
        && (!toCp1252(stored) || !toCp1252(entry.section) || !toCp1252(entry.key))) {
        doc.encoding = Encoding::Utf8;
    }
    const Location loc = locate(doc, entry.section, entry.key);
    if (loc.keyLine >= 0) {
        // Keep the key as written and the blanks after "=".
        Line &line = doc.lines[loc.keyLine];
        qsizetype start = line.content.indexOf(u'=') + 1;
        while (start < line.content.size() && (line.content[start] == u' ' || line.content[start] == u'\t'))
            ++start;
        line.content = line.content.left(start) + stored;
        line.raw.reset();
        return;
    }
    const QString eol = doc.lineEnd();
    QList<Line> added;
    if (loc.sectionLine < 0)
        added.append({u'[' + entry.section + u']', eol, {}});
    added.append({entry.key + u'=' + stored, eol, {}});
    const qsizetype after = loc.sectionLine >= 0 ? loc.lastEntryLine : doc.lines.size() - 1;
    if (after >= 0 && doc.lines[after].eol.isEmpty())
        doc.lines[after].eol = eol;
    for (qsizetype i = 0; i < added.size(); ++i)
        doc.lines.insert(after + 1 + i, added[i]);
}

// Windows-1252 files are told from UTF-8 ones by their bytes alone. If the
// bytes written would now pass for UTF-8, the next read would give the other
// keys another meaning ("\xC3\x84" is "Ã„" in Windows-1252 but "Ä" in UTF-8),
// so such a file is written in UTF-8, every key keeping its text.
void keepMeaning(Document &doc)
{
    if (doc.encoding != Encoding::Cp1252)
        return;
    const QByteArray bytes = doc.toBytes();
    const bool high = std::any_of(bytes.begin(), bytes.end(), [](char c) { return c & 0x80; });
    if (high && isValidUtf8(bytes))
        doc.encoding = Encoding::Utf8;
}

// Closes a descriptor when it goes out of scope.
struct FileDescriptor
{
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

struct SettingsFile::Parsed
{
    struct stat info;
    Document doc;
};

SettingsFile::SettingsFile(const QString &path)
    : m_path(path)
{
}

QString SettingsFile::readString(const QString &section, const QString &key,
                                 const QString &defaultValue) const
{
    // The start reads nine keys: the file is parsed once while it stays the same.
    const platform::FileBytes file = platform::readRegularFile(m_path, MaxFileSize, m_parsed ? &m_parsed->info : nullptr);
    const bool read = file.status == platform::FileStatus::Ok || file.status == platform::FileStatus::TooBig;
    // Asked again for an unchanged file: what may be read depends on its folder too.
    if ((!read && file.status != platform::FileStatus::Unchanged) || (m_readCheck && !m_readCheck(file.info)))
        m_parsed.reset();
    else if (read)
        m_parsed = std::make_shared<const Parsed>(Parsed{file.info, parse(file.bytes, file.status == platform::FileStatus::TooBig)});
    QString value = defaultValue;
    if (m_parsed) {
        const Location loc = locate(m_parsed->doc, section, key);
        if (loc.keyLine >= 0)
            value = loc.value;
    }
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
    writeStrings({{section, key, value}});
}

void SettingsFile::writeBool(const QString &section, const QString &key, bool value)
{
    writeString(section, key, value ? u"1"_s : u"0"_s);
}

void SettingsFile::writeStrings(const QList<Entry> &entries)
{
    // A Timer.ini linked from elsewhere stays a link; the file it points to
    // changes. Only through a link of the user's own: whoever owns the link
    // chooses the file written.
    QString target = m_path;
    const QFileInfo link(m_path);
    struct stat linkInfo = {};
    if (::lstat(QFile::encodeName(m_path).constData(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)
        && linkInfo.st_uid != ::geteuid())
        throwWriteError();
    if (link.isSymLink()) {
        const QString canonical = link.canonicalFilePath();
        target = canonical.isEmpty() ? link.symLinkTarget() : canonical;
    }
    const QFileInfo targetInfo(target);
    const QString folder = targetInfo.absolutePath();

    // The lock is on the folder: the file itself is replaced by every write,
    // and a lock file beside it would be left lying around.
    FileDescriptor folderFd;
    folderFd.fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd.fd < 0)
        throwWriteError();
    // Another save holds the lock for a moment. Anyone who may open the folder
    // can take it, though, and the window (and an alarm due) must not wait for
    // him: after a short try the save fails as any other would.
    const QDeadlineTimer lockDeadline(LockWaitMSecs);
    while (::flock(folderFd.fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK || lockDeadline.hasExpired())
            throwWriteError();
        ::usleep(2000);
    }

    // Under the lock, a temporary file can only be left by a writer that died.
    const QString tempPrefix = u'.' + targetInfo.fileName() + u'.';
    QDir dir(folder);
    for (const QString &stale : dir.entryList({tempPrefix + u"*.tmp"_s}, QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(stale);

    // Read again under the lock, so that another program's save is kept.
    const platform::FileBytes current = platform::readRegularFile(target, MaxFileSize);
    // A file that cannot be read, or only in part, must not be replaced by
    // one holding only the new keys.
    if (current.status == platform::FileStatus::Unreadable || current.status == platform::FileStatus::TooBig)
        throwWriteError();
    const bool exists = current.status == platform::FileStatus::Ok;
    Document doc = exists ? parse(current.bytes, false) : Document();
    for (const Entry &entry : entries)
        apply(doc, entry);
    keepMeaning(doc);
    const QByteArray bytes = doc.toBytes();
    if (exists && bytes == current.bytes)
        return;

    const QString tempPath = dir.filePath(
        tempPrefix + QString::number(QRandomGenerator::global()->generate64(), 16) + u".tmp"_s);
    const QByteArray tempName = QFile::encodeName(tempPath);
    FileDescriptor temp;
    temp.fd = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (temp.fd < 0)
        throwWriteError();
    auto fail = [&] {
        if (temp.fd >= 0)
            ::close(temp.fd);
        temp.fd = -1;
        ::unlink(tempName.constData());
        throwWriteError();
    };
    if (exists) {
        if (::getuid() == 0 && ::fchown(temp.fd, current.info.st_uid, current.info.st_gid) != 0) {
            // Root's copy keeps root's ownership; the file still works.
        }
        if (::fchmod(temp.fd, current.info.st_mode & 07777) != 0)
            fail();
    }

    const auto doWrite = m_calls.write ? m_calls.write : [](int fd, const void *data, size_t n) { return ::write(fd, data, n); };
    const auto doFsync = m_calls.fsync ? m_calls.fsync : [](int fd) { return ::fsync(fd); };
    const auto doClose = m_calls.close ? m_calls.close : [](int fd) { return ::close(fd); };
    const auto doRename = m_calls.rename ? m_calls.rename : [](const char *from, const char *to) { return ::rename(from, to); };

    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = doWrite(temp.fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail();
        written += n;
    }
    // The data must be on the disk before the name points at it, or a crash
    // could leave an empty Timer.ini.
    if (doFsync(temp.fd) != 0)
        fail();
    const int fd = temp.fd;
    temp.fd = -1;
    if (doClose(fd) != 0)
        fail();
    if (doRename(tempName.constData(), QFile::encodeName(target).constData()) != 0)
        fail();
    ::fsync(folderFd.fd); // the new name is in place; this only hastens it to the disk
}

void SettingsFile::throwWriteError() const
{
    throw ESettingsWriteError(u"nach %1 kann nicht geschrieben werden"_s
                                  .arg(QFileInfo(m_path).absoluteFilePath()));
}

