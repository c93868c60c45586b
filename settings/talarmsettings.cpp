#include "settings/talarmsettings.h"

#include "settings/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

bool userMayWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// A group of the user's alone: the user's own group of the same name, with no
// other members listed.
bool privateGroup(gid_t gid)
{
    const passwd *user = ::getpwuid(::geteuid());
    const group *own = ::getgrgid(gid);
    if (!user || !own || gid != user->pw_gid || qstrcmp(own->gr_name, user->pw_name) != 0)
        return false;
    for (char **member = own->gr_mem; *member; ++member) {
        if (qstrcmp(*member, user->pw_name) != 0)
            return false;
    }
    return true;
}

// Whether someone else may add, rename or remove files in the folder.
bool othersMayWrite(const struct stat &folder)
{
    if (folder.st_uid != ::geteuid() && folder.st_uid != 0)
        return true;
    return (folder.st_mode & S_IWOTH) || ((folder.st_mode & S_IWGRP) && !privateGroup(folder.st_gid));
}

// Whether no one else could have put or changed what lies at a name in the
// folder: the folder is open to no one else, or it is sticky, which keeps
// others from replacing a file, and the name is a file of the user's own.
bool onlyTheUserCouldPut(const struct stat &folder, const struct stat *entry)
{
    if (!othersMayWrite(folder))
        return true;
    return (folder.st_mode & S_ISVTX) && entry && S_ISREG(entry->st_mode) && entry->st_uid == ::geteuid();
}

// Whether the settings beside the program are this user's to write: the user
// may write the folder and the file, no one else could have put the file or a
// link there, and a link is the user's own.
bool ownSettingsBeside(const QString &folder, const QString &file)
{
    struct stat folderInfo = {};
    if (!userMayWrite(folder) || ::stat(QFile::encodeName(folder).constData(), &folderInfo) != 0)
        return false;
    struct stat fileInfo = {};
    const bool exists = ::lstat(QFile::encodeName(file).constData(), &fileInfo) == 0;
    if (exists && (!userMayWrite(file) || (S_ISLNK(fileInfo.st_mode) && fileInfo.st_uid != ::geteuid())))
        return false;
    return onlyTheUserCouldPut(folderInfo, exists ? &fileInfo : nullptr);
}

// Whether a settings file, as opened, may be read: by the rule that decides
// where the program writes, so that another user's file planted beside the
// program sets nothing. A link, though, may be the administrator's.
bool mayRead(const QString &path, const struct stat &opened)
{
    struct stat folder = {};
    struct stat entry = {};
    if (::stat(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &folder) != 0
        || ::lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return false;
    if (S_ISLNK(entry.st_mode) && entry.st_uid != ::geteuid() && entry.st_uid != 0)
        return false;
    if (!onlyTheUserCouldPut(folder, &entry))
        return false;
    // What was opened is what was looked at, not a file put there meanwhile.
    return !S_ISREG(entry.st_mode) || (entry.st_dev == opened.st_dev && entry.st_ino == opened.st_ino);
}

// Reads a key from the user's file, falling back to the shared one.
class LayeredReader
{
public:
    explicit LayeredReader(const SettingsLocation &location)
        : m_file(location.file), m_defaults(location.defaults)
    {
        for (SettingsFile *file : {&m_file, &m_defaults}) {
            file->setReadCheck([path = file->path()](const struct stat &opened) { return mayRead(path, opened); });
        }
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

// Makes the user's settings folder and what is missing above it, open to
// no one else: whoever may open a folder may also lock it.
void makeUserFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(folder);
    if (QFileInfo::exists(path) || path == u"/"_s || path.isEmpty())
        return;
    makeUserFolder(QFileInfo(path).absolutePath());
    ::mkdir(QFile::encodeName(path).constData(), 0700);
}

} // namespace

SettingsLocation SettingsLocation::single(const QString &path)
{
    return {path, QString()};
}

SettingsLocation SettingsLocation::choose(const QString &programFolder, const QString &configHome)
{
    const QString beside = QDir(programFolder).filePath(u"Timer.ini"_s);
    // A copy of the program in the user's own folder keeps its settings beside it.
    if (ownSettingsBeside(programFolder, beside))
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
        makeUserFolder(QFileInfo(location.file).absolutePath());
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
