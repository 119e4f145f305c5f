#include "platform/QtPictureDecoder.h"

#include "platform/ColourConversion.h"
#include "platform/Failures.h"
#include "platform/JpegDecoding.h"
#include "platform/PictureChecks.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane {

namespace {

// strerror_r, because files are read on worker threads.
QString errorText(int error)
{
    char buffer[256] = {};
    return QString::fromLocal8Bit(strerror_r(error, buffer, sizeof buffer));
}

DecodedPicture failed(Failure failure)
{
    return {QImage(), std::move(failure)};
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

// Closes the descriptor whatever way the read ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Saturates far above any limit, so that a sum of a few stays in range
// whatever sizes a header claims.
qint64 bytesFor(QSize size, int bitsPerPixel)
{
    constexpr qint64 Huge = qint64(1) << 60;
    const qint64 stride = (qint64(size.width()) * bitsPerPixel + 31) / 32 * 4;
    return stride > Huge / std::max(size.height(), 1) ? Huge : stride * size.height();
}

enum class Kind { Jpeg, Png, Gif, Bmp, Other };

Kind kindOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    if (bytes.startsWith(QByteArray::fromHex("89504e470d0a1a0a")))
        return Kind::Png;
    if (bytes.startsWith("GIF8"))
        return Kind::Gif;
    if (bytes.startsWith("BM"))
        return Kind::Bmp;
    return Kind::Other;
}

} // namespace

PictureFile QtPictureDecoder::read(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so that a pipe put in the file's place cannot hold the
    // open; everything after is decided on what was opened.
    Descriptor file{::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return {QByteArray(), openFailure(path, name, errno)};
    struct stat info {};
    if (::fstat(file.fd, &info) != 0)
        return {QByteArray(), failures::unreadableFile(path, errorText(errno))};
    if (!S_ISREG(info.st_mode))
        return {QByteArray(), failures::notARegularFile(path, failures::fileKind(info.st_mode))};
    if (info.st_size > limitBytes_)
        return {QByteArray(), failures::fileTooLarge(path, info.st_size, limitBytes_)};

    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(file.fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return {QByteArray(), failures::unreadableFile(path, errorText(errno))};
        if (n == 0)
            break; // cut while being read: what is there is the file
        got += n;
    }
    bytes.truncate(got);
    return {std::move(bytes), std::nullopt};
}

DecodedPicture QtPictureDecoder::decodeBytes(const QByteArray &bytes, const QString &path,
                                             QSize target)
{
    if (bytes.isEmpty())
        return failed(failures::notAPicture(path, "the file is empty"));
    const Kind kind = kindOf(bytes);
    if (kind == Kind::Jpeg)
        return pictures::decodeJpeg(bytes, path, target, limitBytes_);

    QByteArray shared = bytes; // QBuffer wants it non-const; no copy is made
    QBuffer buffer(&shared);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind == Kind::Png   ? "png"
                                 : kind == Kind::Gif ? "gif"
                                 : kind == Kind::Bmp ? "bmp"
                                                     : "");
    // WebP and TIFF come whole or not at all from their libraries, which
    // report data that ends early; so does libpng, but only the chunk walk
    // tells where a cut PNG ends.
    pictures::Check check;
    if (kind == Kind::Png)
        check = pictures::checkPng(bytes);
    else if (kind == Kind::Gif)
        check = pictures::checkGif(bytes);
    else if (kind == Kind::Bmp)
        check = pictures::checkBmp(bytes);
    else if (!reader.canRead() || !(reader.format() == "webp" || reader.format() == "tiff") ||
             !reader.size().isValid())
        check = {pictures::Check::Unsupported,
                 "it is not a JPEG, PNG, GIF, BMP, WebP or TIFF picture", QSize()};
    if (check.outcome == pictures::Check::Unsupported)
        return failed(failures::notAPicture(path, check.detail));

    // Sized as the check found it, or as the decoder says.
    const QSize size = check.size.isValid() ? check.size : reader.size();
    if (size.isValid()) {
        const QImage::Format format = reader.imageFormat();
        const int bits =
            format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
        // Pictures of other depths are converted to 32 bits into a copy.
        const qint64 needed =
            bytes.size() + bytesFor(size, bits) + (bits != 32 ? bytesFor(size, 32) : 0);
        if (needed > limitBytes_)
            return failed(failures::pictureTooLarge(path, size, needed, limitBytes_));
    }
    if (!check.whole())
        return failed(failures::damagedPicture(path, check.detail));

    reader.setAllocationLimit(int(limitBytes_ >> 20) + 1);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return failed(failures::damagedPicture(path, "its picture data is damaged"));
    const QImage::Format shown =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != shown)
        image = std::move(image).convertToFormat(shown);

    // The colours the file's profile or PNG colour chunks give, in sRGB.
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
        const qint64 needed =
            bytes.size() + image.sizeInBytes() + colour::workingBytes(space.iccProfile().size());
        if (needed > limitBytes_)
            return failed(failures::pictureTooLarge(path, image.size(), needed, limitBytes_));
        colour::ToSrgb::fromColorSpace(space).convert(image);
        image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    }
    return {std::move(image), std::nullopt};
}

} // namespace quillane
