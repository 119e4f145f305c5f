#include "platform/QtPictureDecoder.h"

#include "platform/Failures.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <cstring>

namespace quillane {

namespace {

DecodedPicture failed(Failure failure)
{
    return {QImage(), std::move(failure)};
}

// Decoded pictures are counted at four bytes a pixel, as Qt counts them.
qint64 decodedBytes(QSize size)
{
    return qint64(size.width()) * size.height() * 4;
}

} // namespace

bool QtPictureDecoder::jpegIsComplete(QByteArrayView data)
{
    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    const qsizetype size = data.size();
    if (size < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    qsizetype i = 2;
    while (i + 1 < size) {
        if (bytes[i] != 0xFF) {
            // Entropy-coded data: skip to the next marker candidate.
            const void *next = std::memchr(bytes + i, 0xFF, size_t(size - i));
            if (!next)
                return false;
            i = static_cast<const uchar *>(next) - bytes;
            continue;
        }
        const uchar marker = bytes[i + 1];
        if (marker == 0xD9)
            return true; // end of image
        if (marker == 0xFF) {
            ++i; // fill byte
        } else if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2; // stuffed zero, TEM or restart marker: no length follows
        } else {
            if (i + 3 >= size)
                return false;
            const int length = (bytes[i + 2] << 8) | bytes[i + 3];
            if (length < 2)
                return false;
            i += 2 + length;
        }
    }
    return false;
}

DecodedPicture QtPictureDecoder::decode(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return failed(failures::fileNotFound(path));
    if (info.isDir())
        return failed(failures::unreadableFile(path, "it is a folder, not a file"));
    if (!info.isReadable())
        return failed(failures::permissionDenied(path));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(failures::unreadableFile(path, file.errorString()));
    if (file.size() == 0)
        return failed(failures::notAPicture(path, "the file is empty"));

    // Read from the device, so that the content decides the format, not the name.
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(int(LimitBytes >> 20));
    if (!reader.canRead())
        return failed(failures::notAPicture(
            path, "it is not a JPEG, GIF, BMP or other picture this program can read"));
    const QSize size = reader.size();
    if (size.isValid() && decodedBytes(size) > LimitBytes)
        return failed(failures::pictureTooLarge(path, size, LimitBytes));

    if (reader.format() == "jpeg") {
        if (const uchar *mapped = file.map(0, file.size())) {
            const bool complete =
                jpegIsComplete(QByteArrayView(reinterpret_cast<const char *>(mapped), file.size()));
            file.unmap(const_cast<uchar *>(mapped));
            if (!complete)
                return failed(failures::notAPicture(
                    path, "the picture is incomplete; the file may have been cut short"));
        }
    }

    QImage image;
    if (!reader.read(&image) || image.isNull())
        return failed(failures::notAPicture(path, "the picture data is damaged"));
    return {std::move(image), std::nullopt};
}

} // namespace quillane
