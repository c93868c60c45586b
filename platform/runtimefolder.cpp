#include "platform/runtimefolder.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace platform {

QString privateFolderProblem(const QString &path)
{
    struct stat info = {};
    // lstat: a link is refused, wherever it points.
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return u"Der Ordner %1 fehlt."_s.arg(path);
    if (S_ISLNK(info.st_mode))
        return u"%1 ist eine Verknüpfung, kein Ordner."_s.arg(path);
    if (!S_ISDIR(info.st_mode))
        return u"%1 ist kein Ordner."_s.arg(path);
    if (info.st_uid != ::geteuid())
        return u"Der Ordner %1 gehört einem anderen Benutzer."_s.arg(path);
    if ((info.st_mode & 077) != 0)
        return u"Der Ordner %1 ist auch für andere Benutzer offen."_s.arg(path);
    return {};
}

QString makePrivateFolder(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return u"Der Ordner %1 lässt sich nicht anlegen."_s.arg(path);
    return privateFolderProblem(path);
}

RuntimeFolder choosePrivateFolder(const QStringList &candidates, const QString &fallback)
{
    for (const QString &candidate : candidates) {
        if (candidate.isEmpty() || QDir::isRelativePath(candidate))
            continue;
        const QString path = QDir::cleanPath(candidate);
        if (privateFolderProblem(path).isEmpty())
            return {path, {}};
    }
    if (const QString problem = makePrivateFolder(fallback); !problem.isEmpty())
        return {{}, problem};
    return {fallback, {}};
}

RuntimeFolder userRuntimeFolder()
{
    const uint uid = ::geteuid();
    return choosePrivateFolder({qEnvironmentVariable("XDG_RUNTIME_DIR"), u"/run/user/%1"_s.arg(uid)},
                               u"/tmp/brenvik-timer-%1"_s.arg(uid));
}

RuntimeFolder fallbackRuntimeFolder()
{
    return choosePrivateFolder({}, u"/tmp/brenvik-timer-%1"_s.arg(::geteuid()));
}

} // namespace platform
