// Colour profiles and EXIF colour marks from files, on any input: the input
// as a profile for every kind of samples, converted; inside RGB, grey and
// CMYK JPEGs decoded whole; and as an EXIF block.
#include "platform/ColourConversion.h"
#include "platform/QtPictureDecoder.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

#include <jpeglib.h>

using namespace quillane;

namespace {

constexpr int Side = 8;

// A small JPEG carrying icc, its samples a ramp through every value.
QByteArray jpegWith(const QByteArray &icc, J_COLOR_SPACE space, int components, bool adobeMarker)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = Side;
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = adobeMarker;
    jpeg_start_compress(&info, TRUE);
    jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(icc.constData()),
                           unsigned(icc.size()));
    JSAMPLE row[Side * 4];
    while (info.next_scanline < info.image_height) {
        for (int i = 0; i < Side * components; ++i)
            row[i] = JSAMPLE((info.next_scanline * Side * 4 + i) * 4);
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return file;
}

} // namespace

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

    uchar in[256 * 4], out[256 * 4];
    for (int i = 0; i < int(sizeof in); ++i)
        in[i] = uchar(i * 7);
    for (colour::Samples samples : {colour::Samples::Bgrx, colour::Samples::Gray,
                                    colour::Samples::Cmyk, colour::Samples::InvertedCmyk}) {
        const std::optional<colour::ToSrgb> toSrgb = colour::ToSrgb::fromProfile(icc, samples);
        const bool cmyk =
            samples == colour::Samples::Cmyk || samples == colour::Samples::InvertedCmyk;
        // CMYK always has a way to sRGB.
        if (cmyk && !(toSrgb && toSrgb->converts()))
            std::abort();
        if (toSrgb && toSrgb->converts()) {
            if (toSrgb->samples() != samples)
                std::abort();
            toSrgb->convertRow(in, out, 256);
            for (int x = 0; x < 256; ++x) {
                if (samples != colour::Samples::Bgrx && out[x * 4 + 3] != 0xFF)
                    std::abort();
            }
        }
    }

    static QtPictureDecoder decoder(qint64(256) << 20);
    const QByteArray jpegs[] = {jpegWith(icc, JCS_RGB, 3, false),
                                jpegWith(icc, JCS_GRAYSCALE, 1, false),
                                jpegWith(icc, JCS_CMYK, 4, true)};
    for (const QByteArray &jpeg : jpegs) {
        const DecodedPicture decoded = decoder.decodeBytes(jpeg, "fuzz.jpg", QSize(4, 4));
        if (!decoded.ok() || decoded.image.format() != QImage::Format_RGB32)
            std::abort();
    }

    colour::exifMarksAdobeRgb(QByteArray("Exif\0\0", 6) + icc);
    return 0;
}
