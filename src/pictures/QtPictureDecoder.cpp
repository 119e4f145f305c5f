// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/QtPictureDecoder.h"

#include "base/Failures.h"
#include "pictures/BmpCheck.h"
#include "pictures/ColourConversion.h"
#include "pictures/GifCheck.h"
#include "pictures/JpegDecoding.h"
#include "pictures/PictureSource.h"
#include "pictures/PngDecoding.h"
#include "pictures/TiffDecoding.h"
#include "pictures/WebpDecoding.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

#include <algorithm>

namespace quillane {

namespace {

DecodedPicture failed(Failure failure)
{
    return {QImage(), std::move(failure)};
}

// Saturates far above any limit, so that a sum of a few stays in range
// whatever sizes a header claims.
qint64 bytesFor(QSize size, int bitsPerPixel)
{
    constexpr qint64 Huge = qint64(1) << 60;
    const qint64 stride = (qint64(size.width()) * bitsPerPixel + 31) / 32 * 4;
    return stride > Huge / std::max(size.height(), 1) ? Huge : stride * size.height();
}

enum class Kind { Jpeg, Png, Gif, Bmp, Webp, Tiff, Other };

Kind kindOf(QByteArrayView head)
{
    if (head.startsWith("\xFF\xD8\xFF"))
        return Kind::Jpeg;
    if (head.startsWith("\x89PNG\r\n\x1A\n"))
        return Kind::Png;
    if (head.startsWith("GIF8"))
        return Kind::Gif;
    if (head.startsWith("BM"))
        return Kind::Bmp;
    if (head.startsWith("RIFF") &&
        head.sliced(std::min<qsizetype>(8, head.size())).startsWith("WEBP"))
        return Kind::Webp;
    if (head.startsWith(QByteArrayView("II*\0", 4)) ||
        head.startsWith(QByteArrayView("MM\0*", 4)) ||
        head.startsWith(QByteArrayView("II+\0", 4)) || head.startsWith(QByteArrayView("MM\0+", 4)))
        return Kind::Tiff;
    return Kind::Other;
}

// GIF and BMP through Qt, once their structure is known to be whole: Qt's
// decoders fill what a file leaves out and report success.
DecodedPicture decodeWithQt(pictures::Source &source, const QString &path, Kind kind,
                            qint64 limitBytes)
{
    qint64 needed = 0;
    // Pictures of other depths are converted to 32 bits into a copy.
    const pictures::Fits fits = [&](QSize size, int bits) {
        needed = source.size() + bytesFor(size, bits) + (bits != 32 ? bytesFor(size, 32) : 0);
        return needed <= limitBytes;
    };
    const pictures::Check check =
        kind == Kind::Gif ? pictures::checkGif(source, fits) : pictures::checkBmp(source, fits);
    switch (check.outcome) {
    case pictures::Check::Unsupported:
        return failed(failures::notAPicture(path, check.detail));
    case pictures::Check::TooLarge:
        return failed(failures::pictureTooLarge(path, check.size, needed, limitBytes));
    case pictures::Check::Damaged:
        return failed(failures::damagedPicture(path, check.detail));
    case pictures::Check::Whole:
        break;
    }
    // What the check read is all the decoder needs.
    QByteArray bytes = QByteArray::fromRawData(source.view().data(), source.view().size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, kind == Kind::Gif ? "gif" : "bmp");
    reader.setAllocationLimit(int(limitBytes >> 20) + 1);
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return failed(failures::damagedPicture(path, "its picture data is damaged"));
    return {std::move(image), std::nullopt};
}

} // namespace

PictureFile QtPictureDecoder::read(const QString &path)
{
    pictures::Source source(path, limitBytes_);
    source.load(source.size());
    if (source.failure())
        return {QByteArray(), source.failure()};
    return {source.takeBytes(), std::nullopt};
}

LoadedPicture QtPictureDecoder::load(const QString &path, QSize target)
{
    pictures::Source source(path, limitBytes_);
    if (source.failure())
        return {QByteArray(), failed(*source.failure())};
    DecodedPicture decoded = decodeSource(source, path, target);
    // A file that could not be read says so, whatever the decoder made of it.
    if (source.failure())
        return {QByteArray(), failed(*source.failure())};
    if (!decoded.ok())
        return {QByteArray(), std::move(decoded)};
    return {source.takeBytes(), std::move(decoded)};
}

DecodedPicture QtPictureDecoder::decodeBytes(const QByteArray &bytes, const QString &path,
                                             QSize target)
{
    pictures::Source source(bytes);
    return decodeSource(source, path, target);
}

DecodedPicture QtPictureDecoder::decodeSource(pictures::Source &source, const QString &path,
                                              QSize target)
{
    source.load(16);
    if (source.size() == 0)
        return failed(failures::notAPicture(path, "the file is empty"));
    DecodedPicture decoded;
    switch (const Kind kind = kindOf(source.view())) {
    case Kind::Jpeg:
        decoded = pictures::decodeJpeg(source, path, target, limitBytes_);
        break;
    case Kind::Png:
        decoded = pictures::decodePng(source, path, limitBytes_);
        break;
    case Kind::Webp:
        decoded = pictures::decodeWebp(source, path, target, limitBytes_);
        break;
    case Kind::Tiff:
        decoded = pictures::decodeTiff(source, path, limitBytes_);
        break;
    case Kind::Gif:
    case Kind::Bmp:
        decoded = decodeWithQt(source, path, kind, limitBytes_);
        break;
    case Kind::Other:
        return failed(
            failures::notAPicture(path, "it is not a JPEG, PNG, GIF, BMP, WebP or TIFF picture"));
    }
    if (!decoded.ok())
        return decoded;
    QImage &image = decoded.image;
    const QImage::Format shown =
        image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    if (image.format() != shown)
        image = std::move(image).convertToFormat(shown);

    // The colours the file's profile or PNG colour chunks give, in sRGB.
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb)) {
        const qint64 needed =
            source.size() + image.sizeInBytes() + colour::workingBytes(space.iccProfile().size());
        if (needed > limitBytes_)
            return failed(failures::pictureTooLarge(path, image.size(), needed, limitBytes_));
        colour::ToSrgb::fromColorSpace(space).convert(image);
        image.setColorSpace(QColorSpace(QColorSpace::SRgb));
    }
    return decoded;
}

} // namespace quillane
