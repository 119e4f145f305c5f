// SPDX-License-Identifier: GPL-3.0-or-later
// Colour profiles and EXIF colour marks from files, on any input: the input
// as a profile for every kind of samples, converted; inside RGB, grey and
// CMYK JPEGs decoded whole; and as an EXIF block.
#include "support/jpeg_writer.h"
#include "pictures/ColourConversion.h"
#include "pictures/QtPictureDecoder.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

using namespace quillane;

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A JPEG's profile is at most 255 markers of 65519 bytes.
    if (size == 0 || size > 255 * 65519)
        return 0;
    const QByteArray icc(reinterpret_cast<const char *>(data), qsizetype(size));

    QByteArray ramp(256 * 4, Qt::Uninitialized), out(256 * 4, Qt::Uninitialized);
    for (int i = 0; i < ramp.size(); ++i)
        ramp[i] = char(i * 7);
    const auto *in = reinterpret_cast<const uchar *>(ramp.constData());
    for (colour::Samples samples : {colour::Samples::Bgrx, colour::Samples::Gray,
                                    colour::Samples::Cmyk, colour::Samples::InvertedCmyk}) {
        const std::optional<colour::ToSrgb> toSrgb = colour::ToSrgb::fromProfile(icc, samples);
        const bool cmyk = samples != colour::Samples::Bgrx && samples != colour::Samples::Gray;
        // CMYK always has a way to sRGB, and RGB32 comes out opaque.
        if (cmyk && !(toSrgb && toSrgb->converts()))
            std::abort();
        if (!toSrgb || !toSrgb->converts())
            continue;
        toSrgb->convertRow(in, reinterpret_cast<uchar *>(out.data()), 256);
        for (int x = 0; samples != colour::Samples::Bgrx && x < 256; ++x) {
            if (uchar(out[x * 4 + 3]) != 0xFF)
                std::abort();
        }
    }

    // A damaged profile never makes the picture fail.
    static QtPictureDecoder decoder(qint64(256) << 20);
    for (J_COLOR_SPACE stored : {JCS_YCbCr, JCS_GRAYSCALE, JCS_CMYK}) {
        const QByteArray samples = ramp.left(8 * 8 *
                                             (stored == JCS_CMYK    ? 4
                                              : stored == JCS_YCbCr ? 3
                                                                    : 1));
        const DecodedPicture decoded = decoder.decodeBytes(
            test::writeJpeg(samples, QSize(8, 8), stored, stored == JCS_CMYK, icc), "fuzz.jpg",
            QSize(4, 4));
        if (!decoded.ok() || decoded.image.format() != QImage::Format_RGB32)
            std::abort();
    }

    colour::exifMarksAdobeRgb(QByteArray("Exif\0\0", 6) + icc);
    return 0;
}
