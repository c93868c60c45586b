#include "talarmsettings.h"

#include "settings/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool userMayWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// Reads a key from the user's file, falling back to the shared one.
class LayeredReader
{
public:
    explicit LayeredReader(const SettingsLocation &location)
        : m_file(location.file), m_defaults(location.defaults)
    {
    }

    QString string(const QString &section, const QString &key, const QString &defaultValue) const
    {
        const QString fallback = m_defaults.path().isEmpty()
            ? defaultValue
            : m_defaults.readString(section, key, defaultValue);
        return m_file.readString(section, key, fallback);
    }

    bool boolean(const QString &section, const QString &key, bool defaultValue) const
    {
        const bool fallback = m_defaults.path().isEmpty()
            ? defaultValue
            : m_defaults.readBool(section, key, defaultValue);
        return m_file.readBool(section, key, fallback);
    }

private:
    SettingsFile m_file;
    SettingsFile m_defaults;
};

} // namespace

SettingsLocation SettingsLocation::single(const QString &path)
{
    return {path, QString()};
}

SettingsLocation SettingsLocation::choose(const QString &programFolder, const QString &configHome)
{
    const QString beside = QDir(programFolder).filePath(u"Timer.ini"_s);
    // A copy of the program in the user's own folder keeps its settings beside it.
    const bool writable = userMayWrite(programFolder)
        && (!QFileInfo::exists(beside) || userMayWrite(beside));
    if (writable)
        return single(beside);
    return {QDir(configHome).filePath(u"brenvik-timer/Timer.ini"_s), beside};
}

SettingsLocation SettingsLocation::forProgram()
{
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The base directory rules ignore a relative path.
    if (configHome.isEmpty() || QDir::isRelativePath(configHome))
        configHome = QDir::homePath() + u"/.config"_s;
    return choose(QCoreApplication::applicationDirPath(), configHome);
}

LoadedSettings loadSettings(const SettingsLocation &location)
{
    using namespace SettingsKeys;
    const LayeredReader file(location);
    LoadedSettings loaded;
    TAlarmSettings &settings = loaded.record;
    settings.SoundFile = file.string(Sound, File, u"törö.wav"_s);
    settings.AlarmMeldung = file.string(Meldung, AlarmMeldung, u"Alarmzeit erreicht"_s);
    settings.Ohne = file.boolean(Sound, Ohne, true);
    settings.Speaker = file.boolean(Sound, Speaker, false);
    settings.Soundkarte = file.boolean(Sound, Soundkarte, false);
    settings.Song = file.string(Sound, Song, u"Entertainer"_s);
    loaded.Stunde = file.string(Meldung, Stunde, u"12"_s);
    loaded.Minute = file.string(Meldung, Minute, u"30"_s);
    loaded.Sekunde = file.string(Meldung, Sekunde, u"0"_s);
    return loaded;
}

void saveSoundChoice(const SettingsLocation &location, const SoundChoice &choice)
{
    using namespace SettingsKeys;
    if (!location.defaults.isEmpty())
        QDir().mkpath(QFileInfo(location.file).absolutePath());
    auto flag = [](bool on) { return on ? u"1"_s : u"0"_s; };
    SettingsFile(location.file)
        .writeStrings({{Sound, File, choice.SoundFile},
                       {Sound, Ohne, flag(choice.Ohne)},
                       {Sound, Speaker, flag(choice.Speaker)},
                       {Sound, Soundkarte, flag(choice.Soundkarte)}});
}

void applySoundChoice(TAlarmSettings &settings, const SoundChoice &choice)
{
    settings.SoundFile = choice.SoundFile;
    settings.Ohne = choice.Ohne;
    settings.Speaker = choice.Speaker;
    settings.Soundkarte = choice.Soundkarte;
}
