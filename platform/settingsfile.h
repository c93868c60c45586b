#pragma once

#include "errors.h"

#include <QString>

namespace platform {

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
// ignored. Files in UTF-8 and in Windows-1252 are both read; a write keeps the
// file's encoding and line ends and every other byte.
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

    static constexpr int MaxValueLength = 2047;

private:
    [[noreturn]] void throwWriteError() const;

    QString m_path;
};

} // namespace platform
