#include "platform/regularfile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

bool sameFile(const struct stat &a, const struct stat &b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size
        && a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec
        && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

} // namespace

FileBytes readRegularFile(const QString &path, qsizetype limit, const struct stat *known)
{
    FileBytes result;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.status = (errno == ENOENT) ? FileStatus::Missing : FileStatus::Unreadable;
        return result;
    }
    result.status = FileStatus::Unreadable;
    if (::fstat(fd, &result.info) == 0 && S_ISREG(result.info.st_mode) && known
        && sameFile(*known, result.info)) {
        result.status = FileStatus::Unchanged;
    } else if (S_ISREG(result.info.st_mode)) {
        // One byte more than the limit tells a file of exactly that size from a bigger one.
        QByteArray bytes(std::min<qsizetype>(limit + 1, qsizetype(result.info.st_size) + 1), Qt::Uninitialized);
        qsizetype got = 0;
        bool failed = false;
        while (got <= limit) {
            if (got == bytes.size())
                bytes.resize(std::min<qsizetype>(limit + 1, bytes.size() * 2 + 4096));
            const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                failed = true;
                break;
            }
            if (n == 0)
                break;
            got += n;
        }
        if (!failed) {
            bytes.truncate(std::min(got, limit));
            result.bytes = bytes;
            result.status = got > limit ? FileStatus::TooBig : FileStatus::Ok;
        }
    }
    ::close(fd);
    return result;
}

} // namespace platform
