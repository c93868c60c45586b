#pragma once

#include "base/errors.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/types.h>

// A write to the settings file failed; the message names the file's full path.
class ESettingsWriteError : public Exception
{
public:
    using Exception::Exception;
};

// A sectioned key=value file read and written like the Windows private-profile
// service, so a Timer.ini written by hand or on Windows reads as it did there:
// section and key names match without regard to case, blanks around keys and
// values are trimmed, one pair of matching quotes around a value is removed,
// the first matching section and key win, ";" lines and lines without "=" are
// ignored. Files in UTF-8, Windows-1252 and UTF-16 (with its byte-order mark)
// are read; CR, LF and CRLF all end a line. A write keeps the file's encoding,
// its line ends and every other byte, and replaces the whole file at once.
class SettingsFile
{
public:
    explicit SettingsFile(const QString &path);

    QString path() const { return m_path; }

    // The value, cut to MaxValueLength characters, or defaultValue when the
    // file, section or key is missing or the file cannot be read.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    // Integer text ("1", "-1", "$A", "0x10") is true when not 0; anything else
    // gives defaultValue.
    bool readBool(const QString &section, const QString &key, bool defaultValue) const;

    // Replaces the value in place, or adds the key (and the section, and the
    // file). Raises ESettingsWriteError "nach <path> kann nicht geschrieben werden".
    void writeString(const QString &section, const QString &key, const QString &value);
    // Writes "1" or "0".
    void writeBool(const QString &section, const QString &key, bool value);

    struct Entry
    {
        QString section;
        QString key;
        QString value;
    };
    // All entries in one replacement of the file, under a lock that a second
    // writer waits for (at most LockWaitMSecs): a reader or a crash finds all
    // of them or none.
    void writeStrings(const QList<Entry> &entries);

    // The system calls a write goes through; tests make them fail.
    struct WriteCalls
    {
        std::function<ssize_t(int, const void *, size_t)> write;
        std::function<int(int)> fsync;
        std::function<int(int)> close;
        std::function<int(const char *, const char *)> rename;
    };
    void setWriteCalls(WriteCalls calls) { m_calls = std::move(calls); }

    // Whether the file, as opened (its status given), may be read at all; one
    // that may not reads as missing. Without a check every file is read.
    using ReadCheck = std::function<bool(const struct stat &opened)>;
    void setReadCheck(ReadCheck check) { m_readCheck = std::move(check); }

    static constexpr int MaxValueLength = 2047;
    // Only this much of a file is read, so that a huge file cannot stall the
    // start; values past it count as missing, and such a file is not rewritten.
    static constexpr qsizetype MaxFileSize = 1024 * 1024;
    // How long a save waits for the folder's lock before it fails.
    static constexpr int LockWaitMSecs = 200;

private:
    [[noreturn]] void throwWriteError() const;

    struct Parsed;
    QString m_path;
    mutable std::shared_ptr<const Parsed> m_parsed; // the last read, while the file is unchanged
    WriteCalls m_calls;
    ReadCheck m_readCheck;
};

