#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace platform {

// What reading a file found.
enum class FileStatus {
    Ok,
    Missing,
    Unreadable, // not a regular file (a FIFO, a device, a folder), or a read failed
    TooBig,     // longer than the limit: `bytes` holds its beginning
    Unchanged,  // still the file described by `known`: not read again
};

struct FileBytes
{
    FileStatus status = FileStatus::Missing;
    QByteArray bytes;
    struct stat info = {};
};

// Reads a regular file, or one a link leads to, and at most `limit` bytes of
// it. It is opened without blocking, so a FIFO, a device or a folder in its
// place is refused at once instead of stalling the caller, and a huge file
// costs no more than its beginning. With `known`, a file that is still the one
// described there (same file, size and times) is not read again.
FileBytes readRegularFile(const QString &path, qsizetype limit, const struct stat *known = nullptr);

} // namespace platform
