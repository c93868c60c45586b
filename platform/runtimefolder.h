#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Whether the folder belongs to this user alone: a real folder (not a link),
// owned by the effective user, with no permission for group or others.
// Returns the German reason it is not, or an empty text.
QString privateFolderProblem(const QString &path);

// The same check after making the folder with mode 0700 when it is missing
// (its parent must exist). A folder that exists is never changed.
QString makePrivateFolder(const QString &path);

// A folder for this user's sockets, or the German reason there is none.
struct RuntimeFolder
{
    QString path;
    QString problem;
};

// The first of the candidates that is a private folder; else the fallback,
// made when missing. Candidates are never made, and empty or relative ones
// are passed over.
RuntimeFolder choosePrivateFolder(const QStringList &candidates, const QString &fallback);

// For the running program: $XDG_RUNTIME_DIR, else /run/user/<uid>, else
// /tmp/brenvik-timer-<uid>. The fallback does not depend on the environment,
// so that a start without XDG_RUNTIME_DIR finds the clock of another such start.
RuntimeFolder userRuntimeFolder();
// The last resort alone: /tmp/brenvik-timer-<uid>.
RuntimeFolder fallbackRuntimeFolder();

} // namespace platform
