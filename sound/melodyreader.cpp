#include "sound/melodyreader.h"

#include "sound/ebeeperror.h"
#include "sound/notetable.h"
#include "base/convert.h"
#include "base/cp1252.h"

#include <QLatin1StringView>

#include <cstring>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

constexpr qsizetype TokenLength = 4;

bool isTokenChar(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z');
}

// Moves to the next token character; the size of the data when there is none.
qsizetype skipSeparators(const QByteArray &text, qsizetype pos)
{
    while (pos < text.size() && !isTokenChar(text[pos]))
        ++pos;
    return pos;
}

// The next comma from pos, stopping at a NUL byte and at the end; -1 if none.
qsizetype findComma(const QByteArray &text, qsizetype pos)
{
    for (; pos < text.size(); ++pos) {
        if (text[pos] == ',')
            return pos;
        if (text[pos] == '\0')
            return -1;
    }
    return -1;
}

[[noreturn]] void wrongChar()
{
    throw EBeepError(u"Beeper: Wrong Char"_s);
}

// The token from pos up to the next comma; pos moves behind the comma.
std::string_view takeToken(const QByteArray &text, qsizetype &pos)
{
    const qsizetype comma = findComma(text, pos);
    if (comma < 0)
        wrongChar();
    if (comma - pos > TokenLength)
        wrongChar();
    const std::string_view token(text.constData() + pos, size_t(comma - pos));
    pos = comma + 1;
    return token;
}

qsizetype findSong(const QByteArray &text, const QString &songName)
{
    // The name is searched only up to the first NUL byte.
    const qsizetype end = text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0');
    const QByteArrayView searched(text.constData(), end);
    // Melody files may be UTF-8 or Windows-1252; try the name in both. A name
    // Windows-1252 cannot hold is looked for in UTF-8 only.
    QByteArray forms[2] = {songName.toUtf8(), QByteArray()};
    if (forms[0].size() != songName.size())
        forms[1] = toCp1252(songName).value_or(QByteArray());
    for (const QByteArray &name : forms) {
        if (name.isEmpty())
            continue;
        const qsizetype at = searched.indexOf(name);
        if (at >= 0)
            return at + name.size();
    }
    return -1;
}

} // namespace

void readMelody(const QByteArray &text, const QString &songName, const QString &fileName,
                const std::function<void(quint16, qint32)> &play)
{
    const qsizetype nameEnd = findSong(text, songName);
    if (nameEnd < 0)
        throw EBeepError(u"Can Not Locate Song %1 in %2"_s.arg(songName, fileName));

    // The character directly behind the name is passed over, whatever it is.
    qsizetype pos = nameEnd + 1;
    for (;;) {
        pos = skipSeparators(text, pos);
        if (pos >= text.size())
            return; // the data ends before FINE: the melody ends here
        if (text.size() - pos >= 4 && std::memcmp(text.constData() + pos, "FINE", 4) == 0)
            return;
        const std::string_view note = takeToken(text, pos);
        pos = skipSeparators(text, pos);
        const std::string_view duration = takeToken(text, pos);
        for (const TNote &entry : NoteTable) {
            if (entry.name == note) {
                const QString durationText = QString::fromLatin1(duration.data(), qsizetype(duration.size()));
                play(quint16(entry.frequency), StrToInt(durationText));
                break;
            }
        }
    }
}
