#pragma once

#include <QString>

// The settings record, the keys of Timer.ini and where that file lives: the
// one place that knows the settings schema. The main window owns the record
// and loads it; the options dialog saves the sound choice into it.
// The file format itself (sections, keys, atomic saving) is settings/settingsfile.h.

// The program-wide settings record: loaded when the main window is first shown,
// changed by the message entry and the options dialog, read at every alarm.
struct TAlarmSettings
{
    QString SoundFile;
    QString Song;
    QString AlarmMeldung;
    bool Ohne = false;
    bool Speaker = false;
    bool Soundkarte = false;
};

// Sections and keys of Timer.ini.
namespace SettingsKeys {
inline const QString Sound = QStringLiteral("Sound");
inline const QString Meldung = QStringLiteral("Meldung");
inline const QString File = QStringLiteral("File");
inline const QString Ohne = QStringLiteral("Ohne");
inline const QString Speaker = QStringLiteral("Speaker");
inline const QString Soundkarte = QStringLiteral("Soundkarte");
inline const QString Song = QStringLiteral("Song");
inline const QString AlarmMeldung = QStringLiteral("AlarmMeldung");
inline const QString Stunde = QStringLiteral("Stunde");
inline const QString Minute = QStringLiteral("Minute");
inline const QString Sekunde = QStringLiteral("Sekunde");
} // namespace SettingsKeys

// Where Timer.ini is read and written. Beside the program while this user may
// change it there; otherwise a file of the user's own, which wins key by key
// over the one beside the program, which then holds the defaults for everyone.
struct SettingsLocation
{
    QString file;     // read and written
    QString defaults; // read where `file` lacks a key; empty for none

    // One file, read and written.
    static SettingsLocation single(const QString &path);
    // Timer.ini in programFolder if this user can write the folder and the
    // file; else <configHome>/brenvik-timer/Timer.ini over the one in programFolder.
    static SettingsLocation choose(const QString &programFolder, const QString &configHome);
    // For the running program: its own folder and $XDG_CONFIG_HOME (~/.config).
    static SettingsLocation forProgram();
};

// What the loading step reads besides the record: the texts of the alarm-time fields.
struct LoadedSettings
{
    TAlarmSettings record;
    QString Stunde;
    QString Minute;
    QString Sekunde;
};

// Every key with its default; reading never fails.
LoadedSettings loadSettings(const SettingsLocation &location);

// The options dialog's choice: what one "OK" saves.
struct SoundChoice
{
    QString SoundFile;
    bool Ohne = false;
    bool Speaker = false;
    bool Soundkarte = false;

    bool operator==(const SoundChoice &) const = default;
};

// Writes the four keys in one replacement of the file (creating the user's
// settings folder if needed); raises ESettingsWriteError and then
// has changed nothing.
void saveSoundChoice(const SettingsLocation &location, const SoundChoice &choice);
// Copies a saved choice into the record.
void applySoundChoice(TAlarmSettings &settings, const SoundChoice &choice);
