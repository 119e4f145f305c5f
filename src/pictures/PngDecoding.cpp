// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/PngDecoding.h"

#include "base/Failures.h"

#include <QColorSpace>
#include <QLocale>

#include <csetjmp>
#include <cstring>

#include <png.h>

namespace quillane::pictures {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

// Everything the decoding touches lives here, outside the function that
// libpng may leave by longjmp.
struct Run {
    Source *source = nullptr;
    qint64 limitBytes = 0;
    qint64 at = 0; // what libpng has read
    png_structp png = nullptr;
    png_infop info = nullptr;
    QImage image;
    QSize size;
    qint64 neededBytes = 0;
    enum { Decoded, Damaged, EndsEarly, TooLarge, BadColour } outcome = Decoded;
    QString message;
    QByteArray chunk; // being read when the data ended
    int colours = 0, colourUsed = 0;
};

void readData(png_structp png, png_bytep out, size_t count)
{
    Run &run = *static_cast<Run *>(png_get_io_ptr(png));
    if (!run.source->load(run.at + qint64(count))) {
        const png_uint_32 type = png_get_io_chunk_type(png);
        const char name[4] = {char(type >> 24), char(type >> 16), char(type >> 8), char(type)};
        run.chunk = QByteArray(name, 4);
        run.outcome = Run::EndsEarly;
        png_longjmp(png, 1);
    }
    std::memcpy(out, run.source->data() + run.at, count);
    run.at += qint64(count);
}

void onError(png_structp png, png_const_charp message)
{
    Run &run = *static_cast<Run *>(png_get_error_ptr(png));
    run.message = QString::fromLatin1(message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// The colour space as the file states it: an ICC profile before sRGB before
// gamma and primaries.
QColorSpace colourSpace(png_structp png, png_infop info)
{
    png_charp name = nullptr;
    png_bytep profile = nullptr;
    png_uint_32 length = 0;
    int compression = 0, intent = 0;
    if (png_get_iCCP(png, info, &name, &compression, &profile, &length)) {
        const QColorSpace space = QColorSpace::fromIccProfile(
            QByteArray(reinterpret_cast<const char *>(profile), qsizetype(length)));
        if (space.isValid())
            return space;
    }
    if (png_get_sRGB(png, info, &intent))
        return QColorSpace::SRgb;
    double gamma = 0; // what samples were raised to: decoding raises them to 1 / gamma
    if (!png_get_gAMA(png, info, &gamma) || gamma <= 0)
        return {};
    double x[4] = {}, y[4] = {}; // white, red, green, blue
    if (png_get_cHRM(png, info, &x[0], &y[0], &x[1], &y[1], &x[2], &y[2], &x[3], &y[3])) {
        const QColorSpace space({x[0], y[0]}, {x[1], y[1]}, {x[2], y[2]}, {x[3], y[3]},
                                QColorSpace::TransferFunction::Gamma, float(1 / gamma));
        if (space.isValid())
            return space;
    }
    return QColorSpace(QColorSpace::Primaries::SRgb, QColorSpace::TransferFunction::Gamma,
                       float(1 / gamma));
}

// Turns the palette indices at the start of each row into the colours they
// stand for, from the row's end so that none is overwritten before it is
// read; false when an index is past the palette's end.
bool lookUpColours(Run &run)
{
    png_colorp palette = nullptr;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_PLTE(run.png, run.info, &palette, &run.colours);
    png_get_tRNS(run.png, run.info, &alphas, &alphaCount, nullptr);
    QRgb colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = i < run.colours ? qRgba(palette[i].red, palette[i].green, palette[i].blue,
                                             i < alphaCount ? alphas[i] : 255)
                                     : 0;
    for (int y = 0; y < run.image.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(run.image.scanLine(y));
        const uchar *indices = run.image.constScanLine(y);
        for (int x = run.image.width() - 1; x >= 0; --x) {
            const uchar index = indices[x];
            if (index >= run.colours) {
                run.colourUsed = index;
                run.outcome = Run::BadColour;
                return false;
            }
            row[x] = colours[index];
        }
    }
    return true;
}

// Returns false when libpng stopped it or the picture cannot be; run.outcome
// then says why.
bool decodeRun(Run &run)
{
    png_structp png = run.png;
    png_infop info = run.info;
    if (setjmp(png_jmpbuf(png))) {
        if (run.outcome == Run::Decoded)
            run.outcome = Run::Damaged;
        return false;
    }
    png_set_read_fn(png, &run, readData);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_read_info(png, info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
    run.size = QSize(int(width), int(height));
    const bool alpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);
    // At once: the file, the picture, and two rows of libpng's own.
    run.neededBytes = run.source->size() + qint64(width) * height * 4 +
                      2 * qint64(png_get_rowbytes(png, info) + 1) + (64 << 10);
    if (run.neededBytes > run.limitBytes) {
        run.outcome = Run::TooLarge;
        return false;
    }

    // Every kind comes out as 8-bit BGRA, the memory order of QImage's
    // formats; palette indices come a byte each, to be looked up below.
    const bool indexed = type == PNG_COLOR_TYPE_PALETTE;
    if (indexed) {
        png_set_packing(png);
    } else {
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        png_set_bgr(png);
        if (!alpha)
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    run.image = QImage(run.size, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (run.image.isNull()) {
        run.outcome = Run::TooLarge;
        return false;
    }
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < run.size.height(); ++y)
            png_read_row(png, run.image.scanLine(y), nullptr);
    png_read_end(png, nullptr);
    if (indexed && !lookUpColours(run))
        return false;
    run.image.setColorSpace(colourSpace(png, info));
    return true;
}

} // namespace

DecodedPicture decodePng(Source &source, const QString &path, qint64 limitBytes)
{
    Run run;
    run.source = &source;
    run.limitBytes = limitBytes;
    run.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &run, onError, onWarning);
    run.info = run.png ? png_create_info_struct(run.png) : nullptr;
    const bool decoded = run.info && decodeRun(run);
    png_destroy_read_struct(&run.png, &run.info, nullptr);

    if (decoded)
        return {std::move(run.image), std::nullopt};
    switch (run.outcome) {
    case Run::TooLarge:
        return {QImage(), failures::pictureTooLarge(path, run.size, run.neededBytes, limitBytes)};
    case Run::EndsEarly:
        return {QImage(),
                failures::damagedPicture(
                    path, QString("its data ends at byte %1, inside its %2 chunk")
                              .arg(number(source.size()), QString::fromLatin1(run.chunk)))};
    case Run::BadColour:
        return {QImage(),
                failures::damagedPicture(path, QString("its pixels use colour %1 of a %2-colour "
                                                       "palette")
                                                   .arg(run.colourUsed)
                                                   .arg(run.colours))};
    default:
        return {QImage(), failures::damagedPicture(
                              path, QString("%1, at byte %2").arg(run.message, number(run.at)))};
    }
}

} // namespace quillane::pictures
