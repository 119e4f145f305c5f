// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/TiffDecoding.h"

#include "base/Failures.h"
#include "pictures/Orientation.h"

#include <QColorSpace>
#include <QLocale>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include <tiffio.h>

namespace quillane::pictures {

namespace {

// libtiff reads through this, from the source as far as it asks.
struct Run {
    Source *source = nullptr;
    qint64 at = 0;
    bool ranOut = false; // asked for more than the file has
    QString error;       // libtiff's first
};

Run &runOf(thandle_t handle)
{
    return *static_cast<Run *>(handle);
}

tmsize_t readData(thandle_t handle, void *out, tmsize_t count)
{
    Run &run = runOf(handle);
    if (count <= 0)
        return 0;
    run.source->load(run.at + count);
    const qint64 got = std::clamp<qint64>(run.source->loaded() - run.at, 0, count);
    if (got < count)
        run.ranOut = true;
    if (got > 0)
        std::memcpy(out, run.source->data() + run.at, size_t(got));
    run.at += got;
    return tmsize_t(got);
}

tmsize_t writeNothing(thandle_t, void *, tmsize_t)
{
    return 0;
}

toff_t seekData(thandle_t handle, toff_t offset, int whence)
{
    Run &run = runOf(handle);
    const qint64 from = whence == SEEK_CUR ? run.at : whence == SEEK_END ? run.source->size() : 0;
    run.at = std::clamp<qint64>(from + qint64(std::min<toff_t>(offset, LLONG_MAX / 2)), 0,
                                LLONG_MAX / 2);
    return toff_t(run.at);
}

int closeNothing(thandle_t)
{
    return 0;
}

toff_t dataSize(thandle_t handle)
{
    return toff_t(runOf(handle).source->size());
}

// libtiff reads strips and tiles from the whole file in memory: its own
// reading of uncompressed tiles fails on valid files.
int mapWhole(thandle_t handle, void **base, toff_t *size)
{
    Source &source = *runOf(handle).source;
    source.load(source.size());
    *base = const_cast<uchar *>(source.data());
    *size = toff_t(source.loaded());
    return 1;
}

void unmapNothing(thandle_t, void *, toff_t) {}

int onError(TIFF *, void *user, const char *, const char *format, va_list arguments)
{
    Run &run = *static_cast<Run *>(user);
    if (run.error.isEmpty()) {
        char text[512] = {};
        std::vsnprintf(text, sizeof text, format, arguments);
        run.error = QString::fromLocal8Bit(text);
    }
    return 1;
}

int onWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

DecodedPicture failed(Failure failure)
{
    return {QImage(), std::move(failure)};
}

Failure damaged(const Run &run, const QString &path)
{
    if (run.ranOut)
        return failures::damagedPicture(path,
                                        "its data ends at byte " +
                                            QLocale(QLocale::English).toString(run.source->size()));
    return failures::damagedPicture(
        path, run.error.isEmpty() ? QString("its picture data is damaged") : run.error);
}

Failure kindNotRead(const QString &path, const QString &what)
{
    return failures::notAPicture(path,
                                 "it is a kind of TIFF this program cannot read (" + what + ')');
}

// Any kind libtiff's RGBA reader knows, as stored: rows top down as the file
// keeps them, which the orientation then turns.
DecodedPicture readRgba(Run &run, TIFF *tiff, QSize size, const QString &path,
                        const Failure &outOfMemory)
{
    char message[1024] = {};
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&rgba, tiff, 1, message))
        return failed(kindNotRead(path, QString::fromLocal8Bit(message)));
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    rgba.orientation = ORIENTATION_TOPLEFT;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        TIFFRGBAImageEnd(&rgba);
        return failed(outOfMemory);
    }
    const bool read = TIFFRGBAImageGet(&rgba, reinterpret_cast<uint32_t *>(image.bits()),
                                       uint32_t(size.width()), uint32_t(size.height()));
    const bool alpha = rgba.alpha != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!read)
        return failed(damaged(run, path));
    // libtiff's pixels hold red where QImage's hold blue.
    image = std::move(image).rgbSwapped();
    if (!alpha)
        image.reinterpretAsFormat(QImage::Format_RGB32);
    return {std::move(image), std::nullopt};
}

// 32-bit floating-point grey or RGB, in strips or tiles, from the range the
// file's tags give.
DecodedPicture readFloats(Run &run, TIFF *tiff, QSize size, const QString &path,
                          const Failure &outOfMemory)
{
    uint16_t bits = 0, samples = 1, planar = PLANARCONFIG_CONTIG, photometric = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool grey = samples == 1 && photometric == PHOTOMETRIC_MINISBLACK;
    if (bits != 32 || planar != PLANARCONFIG_CONTIG ||
        !(grey || (samples == 3 && photometric == PHOTOMETRIC_RGB)))
        return failed(kindNotRead(
            path, QString("%1-bit floating-point samples, %2 a pixel").arg(bits).arg(samples)));
    double low = 0, high = 1;
    TIFFGetField(tiff, TIFFTAG_SMINSAMPLEVALUE, &low);
    TIFFGetField(tiff, TIFFTAG_SMAXSAMPLEVALUE, &high);
    if (!(high > low))
        low = 0, high = 1;
    const auto level = [&](float value) {
        const double share =
            std::isnan(value) ? 0 : std::clamp((value - low) / (high - low), 0.0, 1.0);
        return int(share * 255 + 0.5);
    };

    const bool tiled = TIFFIsTiled(tiff);
    uint32_t blockWidth = uint32_t(size.width()), blockHeight = 0;
    if (tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &blockWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &blockHeight);
    } else {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &blockHeight);
        blockHeight = std::min(blockHeight, uint32_t(size.height()));
    }
    const tmsize_t blockBytes = tiled ? TIFFTileSize(tiff) : TIFFStripSize(tiff);
    if (blockWidth == 0 || blockHeight == 0 || blockBytes <= 0)
        return failed(damaged(run, path));
    const qint64 stride = qint64(blockWidth) * samples; // floats a row
    QImage image(size, QImage::Format_RGB32);
    std::unique_ptr<float[]> block(new (std::nothrow) float[size_t(blockBytes) / 4 + 1]);
    if (image.isNull() || !block)
        return failed(outOfMemory);
    for (uint32_t y = 0; y < uint32_t(size.height()); y += blockHeight) {
        for (uint32_t x = 0; x < uint32_t(size.width()); x += blockWidth) {
            const tmsize_t got = tiled
                                     ? TIFFReadEncodedTile(tiff, TIFFComputeTile(tiff, x, y, 0, 0),
                                                           block.get(), blockBytes)
                                     : TIFFReadEncodedStrip(tiff, TIFFComputeStrip(tiff, y, 0),
                                                            block.get(), blockBytes);
            const qint64 rows = std::min<qint64>(blockHeight, size.height() - y);
            const qint64 columns = std::min<qint64>(blockWidth, size.width() - x);
            if (got < ((rows - 1) * stride + columns * samples) * 4)
                return failed(damaged(run, path));
            for (qint64 row = 0; row < rows; ++row) {
                const float *in = block.get() + row * stride;
                QRgb *out = reinterpret_cast<QRgb *>(image.scanLine(int(y + row))) + x;
                for (qint64 column = 0; column < columns; ++column, in += samples) {
                    const int red = level(in[0]);
                    out[column] =
                        grey ? qRgb(red, red, red) : qRgb(red, level(in[1]), level(in[2]));
                }
            }
        }
    }
    return {std::move(image), std::nullopt};
}

DecodedPicture readFirstPicture(Run &run, TIFF *tiff, const QString &path, qint64 limitBytes)
{
    uint32_t width = 0, height = 0;
    uint16_t orientation = ORIENTATION_TOPLEFT, format = SAMPLEFORMAT_UINT;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX)
        return failed(failures::damagedPicture(
            path, QString("its header gives %1 x %2 pixels").arg(width).arg(height)));
    const QSize size{int(width), int(height)};
    // At once: the file, the picture, its turned copy, and a strip or tile
    // with the compressed data behind it.
    const qint64 pictureBytes = qint64(width) * height * 4;
    const qint64 needed =
        run.source->size() + pictureBytes * (orientation >= 5 ? 2 : 1) +
        2 * qint64(TIFFIsTiled(tiff) ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
    const Failure tooLarge = failures::pictureTooLarge(path, size, needed, limitBytes);
    if (needed > limitBytes)
        return failed(tooLarge);

    DecodedPicture decoded = format == SAMPLEFORMAT_IEEEFP
                                 ? readFloats(run, tiff, size, path, tooLarge)
                                 : readRgba(run, tiff, size, path, tooLarge);
    if (!decoded.ok())
        return decoded;
    decoded.image = turnUpright(std::move(decoded.image), orientation);
    uint32_t profileBytes = 0;
    const void *profile = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &profileBytes, &profile)) {
        const QColorSpace space = QColorSpace::fromIccProfile(
            QByteArray(static_cast<const char *>(profile), qsizetype(profileBytes)));
        if (space.isValid())
            decoded.image.setColorSpace(space);
    }
    return decoded;
}

} // namespace

DecodedPicture decodeTiff(Source &source, const QString &path, qint64 limitBytes)
{
    Run run;
    run.source = &source;
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, onError, &run);
    TIFFOpenOptionsSetWarningHandlerExtR(options, onWarning, &run);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(limitBytes));
    TIFF *tiff = TIFFClientOpenExt("", "r", &run, readData, writeNothing, seekData, closeNothing,
                                   dataSize, mapWhole, unmapNothing, options);
    TIFFOpenOptionsFree(options);
    if (!tiff)
        return failed(damaged(run, path));
    DecodedPicture decoded = readFirstPicture(run, tiff, path, limitBytes);
    TIFFClose(tiff);
    return decoded;
}

} // namespace quillane::pictures
