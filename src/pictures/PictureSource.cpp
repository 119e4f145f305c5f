// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/PictureSource.h"

#include "base/Failures.h"
#include "base/FileNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane::pictures {

namespace {

// strerror_r, because files are read on worker threads.
QString errorText(int error)
{
    char buffer[256] = {};
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

Failure openFailure(const QString &path, const QByteArray &name, int error)
{
    struct stat info {};
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return failures::fileNotFound(path);
    case EACCES:
    case EPERM:
        return failures::permissionDenied(path);
    case ENXIO: // a socket, or a device that is not there
        if (::stat(name.constData(), &info) == 0)
            return failures::notARegularFile(path, failures::fileKind(info.st_mode));
        break;
    default:
        break;
    }
    return failures::unreadableFile(path, errorText(error));
}

} // namespace

Source::Source(const QByteArray &bytes) : bytes_(bytes), size_(bytes.size()) {}

Source::Source(const QString &path, qint64 limitBytes) : path_(path)
{
    const QByteArray name = fileNames::toNative(path);
    // Non-blocking, so that a pipe put in the file's place cannot hold the
    // open; everything after is decided on what was opened.
    fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        failure_ = openFailure(path, name, errno);
        return;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0)
        failure_ = failures::unreadableFile(path, errorText(errno));
    else if (!S_ISREG(info.st_mode))
        failure_ = failures::notARegularFile(path, failures::fileKind(info.st_mode));
    else if (info.st_size > limitBytes)
        failure_ = failures::fileTooLarge(path, info.st_size, limitBytes);
    if (failure_)
        return;
    size_ = info.st_size;
    // Room for the whole file at once, so that what is read never moves;
    // pages not read into take no memory.
    bytes_.reserve(qsizetype(size_));
}

Source::~Source()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool Source::load(qint64 end)
{
    if (end <= loaded())
        return true;
    if (fd_ < 0 || failure_)
        return false;
    const qint64 target = std::min(size_, std::max(end, loaded() + Chunk));
    qsizetype got = bytes_.size();
    bytes_.resize(qsizetype(target));
    while (got < target) {
        const ssize_t n = ::read(fd_, bytes_.data() + got, size_t(target - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            failure_ = failures::unreadableFile(path_, errorText(errno));
        if (n <= 0) {
            size_ = got; // cut while being read: what is there is the file
            break;
        }
        got += n;
    }
    bytes_.resize(got);
    return end <= got;
}

QByteArray Source::takeBytes()
{
    bytes_.squeeze();
    return std::move(bytes_);
}

} // namespace quillane::pictures
