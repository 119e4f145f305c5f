// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own reading of picture files: the structural checks, the
// EXIF reader and the whole decoding of bytes (JPEG, PNG, GIF, BMP, WebP and
// TIFF), on any input.
#include "pictures/BmpCheck.h"
#include "pictures/GifCheck.h"
#include "pictures/Orientation.h"
#include "pictures/QtPictureDecoder.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

using namespace quillane;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // For Qt's image format plugins (GIF).
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));

    // Pictures of up to 16 million pixels, as the decoder's lower limit below allows.
    const pictures::Fits fits = [](QSize size, int) {
        return qint64(size.width()) * size.height() <= (qint64(1) << 24);
    };
    for (const auto check : {pictures::checkBmp, pictures::checkGif}) {
        pictures::Source source(bytes);
        const pictures::Check checked = check(source, fits);
        if ((checked.outcome == pictures::Check::Damaged ||
             checked.outcome == pictures::Check::Unsupported) == checked.detail.isEmpty())
            std::abort();
    }
    const int orientation = pictures::exifOrientation(QByteArray("Exif\0\0", 6) + bytes);
    if (orientation < 1 || orientation > 8)
        std::abort();

    // A lower limit than the program's keeps each run quick; the paths are the same.
    static QtPictureDecoder decoder(qint64(64) << 20);
    const QSize target = size > 0 ? QSize(data[0] % 64 + 1, data[0] % 64 + 1) : QSize();
    for (QSize asked : {QSize(), target}) {
        const DecodedPicture decoded = decoder.decodeBytes(bytes, "fuzz.jpg", asked);
        if (decoded.ok() == decoded.image.isNull())
            std::abort();
        if (!decoded.ok() && decoded.failure->description.isEmpty())
            std::abort();
        if (decoded.ok() && decoded.image.format() != QImage::Format_RGB32 &&
            decoded.image.format() != QImage::Format_ARGB32)
            std::abort();
    }
    return 0;
}
