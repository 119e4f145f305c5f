#include "platform/JpegDecoding.h"

#include "platform/ColourConversion.h"
#include "platform/Failures.h"
#include "platform/PictureChecks.h"

#include <QLocale>
#include <QTransform>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jerror.h>
#include <jpeglib.h>

namespace quillane::pictures {

namespace {

constexpr int ExifMarker = JPEG_APP0 + 1;
constexpr int IccMarker = JPEG_APP0 + 2;
constexpr qint64 CoefficientBlockBytes = sizeof(JBLOCK);

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

[[noreturn]] void stop(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager *>(info->err)->jump, 1);
}

// Warnings are how libjpeg reports cut and corrupt data that it papers over.
void stopOnWarning(j_common_ptr info, int level)
{
    if (level < 0)
        stop(info);
}

// Everything the decoding run touches lives here, outside the function that
// may be left by longjmp.
struct Run {
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    QByteArrayView data;
    QSize target;
    qint64 limitBytes = 0;
    int orientation = 1;
    QImage image;
    QByteArray icc;        // the embedded colour profile, if any
    colour::ToSrgb toSrgb; // what turns the samples into sRGB
    QByteArray row;        // one row's samples, when they are not RGB32
    enum { Decoded, Damaged, Unsupported, TooLarge } outcome = Decoded;
    qint64 neededBytes = 0;
};

bool swapsAxes(int orientation)
{
    return orientation >= 5;
}

int scaleFor(const jpeg_decompress_struct &info, QSize target)
{
    if (!target.isValid())
        return 8;
    for (int scale = 1; scale < 8; ++scale) {
        const qint64 width = (qint64(info.image_width) * scale + 7) / 8;
        const qint64 height = (qint64(info.image_height) * scale + 7) / 8;
        if (width >= target.width() && height >= target.height())
            return scale;
    }
    return 8;
}

// libjpeg's own memory for this picture: the coefficients of every block when
// the file has several scans, and some rows of samples.
qint64 decoderBytes(const jpeg_decompress_struct &info)
{
    qint64 bytes = 64 * 1024 + qint64(info.output_width) * info.num_components *
                                   info.max_v_samp_factor * DCTSIZE * 4;
    if (!jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&info)))
        return bytes;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info &component = info.comp_info[c];
        const auto roundUp = [](qint64 n, qint64 step) { return (n + step - 1) / step * step; };
        bytes += roundUp(component.width_in_blocks, component.h_samp_factor) *
                 roundUp(component.height_in_blocks, component.v_samp_factor) *
                 CoefficientBlockBytes;
    }
    return bytes;
}

void readOrientation(Run &run)
{
    for (jpeg_saved_marker_ptr marker = run.info.marker_list; marker; marker = marker->next) {
        if (marker->marker == ExifMarker) {
            run.orientation = exifOrientation(QByteArrayView(
                reinterpret_cast<const char *>(marker->data), qsizetype(marker->data_length)));
            return;
        }
    }
}

// A profile whose markers are out of order or missing is ignored, not taken
// as damage to the picture.
void ignoreWarning(j_common_ptr, int) {}

QByteArray readIccProfile(jpeg_decompress_struct &info)
{
    JOCTET *data = nullptr;
    unsigned int length = 0;
    info.err->emit_message = ignoreWarning;
    const bool found = jpeg_read_icc_profile(&info, &data, &length);
    info.err->emit_message = stopOnWarning;
    QByteArray icc;
    if (found && data)
        icc = QByteArray(reinterpret_cast<const char *>(data), qsizetype(length));
    std::free(data);
    return icc;
}

colour::Samples samplesOf(const jpeg_decompress_struct &info)
{
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
        // Adobe's marker is how a file says its inks are stored inverted.
        return info.saw_Adobe_marker ? colour::Samples::InvertedCmyk : colour::Samples::Cmyk;
    }
    if (info.jpeg_color_space == JCS_GRAYSCALE)
        return colour::Samples::Gray;
    return colour::Samples::Bgrx;
}

// The file's own profile first, then EXIF's mark of Adobe RGB; CMYK without
// a usable profile takes the default press profile.
colour::ToSrgb colourOf(const Run &run)
{
    const colour::Samples samples = samplesOf(run.info);
    if (std::optional<colour::ToSrgb> fromProfile = colour::ToSrgb::fromProfile(run.icc, samples))
        return *fromProfile;
    if (samples != colour::Samples::Bgrx)
        return colour::ToSrgb();
    for (jpeg_saved_marker_ptr marker = run.info.marker_list; marker; marker = marker->next) {
        if (marker->marker == ExifMarker &&
            colour::exifMarksAdobeRgb(QByteArrayView(reinterpret_cast<const char *>(marker->data),
                                                     qsizetype(marker->data_length))))
            return colour::ToSrgb::adobeRgb();
    }
    return colour::ToSrgb();
}

J_COLOR_SPACE outputFor(colour::Samples samples)
{
    switch (samples) {
    case colour::Samples::Gray:
        return JCS_GRAYSCALE;
    case colour::Samples::Cmyk:
    case colour::Samples::InvertedCmyk:
        return JCS_CMYK;
    case colour::Samples::Bgrx:
        break;
    }
    return JCS_EXT_BGRX; // QImage's RGB32 in memory
}

// Returns false when libjpeg stopped it; run.outcome then says why.
bool decodeRun(Run &run)
{
    jpeg_decompress_struct &info = run.info;
    info.err = jpeg_std_error(&run.errors.base);
    run.errors.base.error_exit = stop;
    run.errors.base.emit_message = stopOnWarning;
    if (setjmp(run.errors.jump))
        return false;

    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const uchar *>(run.data.data()),
                 static_cast<unsigned long>(run.data.size()));
    jpeg_save_markers(&info, ExifMarker, 0xFFFF);
    jpeg_save_markers(&info, IccMarker, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    readOrientation(run);
    run.icc = readIccProfile(info);
    const colour::Samples samples = samplesOf(info);
    // At once: the file, the picture, and either libjpeg's buffers (while
    // decoding) or the turned copy (afterwards). Reckoned at the natural size
    // even for a smaller decode, so that whatever loads can also be viewed.
    info.scale_num = info.scale_denom = 8;
    jpeg_calc_output_dimensions(&info);
    const qint64 naturalBytes = qint64(info.output_width) * info.output_height * 4;
    const qint64 turnBytes = swapsAxes(run.orientation) ? naturalBytes : 0;
    run.neededBytes = run.data.size() + naturalBytes + std::max(decoderBytes(info), turnBytes);
    const bool cmyk = samples == colour::Samples::Cmyk || samples == colour::Samples::InvertedCmyk;
    const qint64 colourBytes =
        !run.icc.isEmpty() || cmyk ? colour::workingBytes(run.icc.size()) : 0;
    run.neededBytes += colourBytes;
    if (run.neededBytes > run.limitBytes) {
        run.outcome = Run::TooLarge;
        return false;
    }
    run.toSrgb = colourOf(run);
    info.out_color_space = run.toSrgb.converts() ? outputFor(samples) : JCS_EXT_BGRX;

    QSize target = run.target;
    if (swapsAxes(run.orientation))
        target.transpose();
    info.scale_num = unsigned(scaleFor(info, target));
    jpeg_calc_output_dimensions(&info);
    const qint64 pictureBytes = qint64(info.output_width) * info.output_height * 4;
    info.mem->max_memory_to_use =
        long(run.limitBytes - run.data.size() - pictureBytes - colourBytes);

    jpeg_start_decompress(&info); // a progressive file is read whole here
    run.image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB32);
    if (run.image.isNull()) {
        run.outcome = Run::TooLarge;
        return false;
    }
    const bool apart = info.out_color_space != JCS_EXT_BGRX;
    if (apart)
        run.row.resize(qsizetype(info.output_width) * info.output_components);
    while (info.output_scanline < info.output_height) {
        uchar *line = run.image.scanLine(int(info.output_scanline));
        JSAMPROW rows[1] = {apart ? reinterpret_cast<uchar *>(run.row.data()) : line};
        if (jpeg_read_scanlines(&info, rows, 1) != 1)
            return false;
        // Each row while it is still in the cache.
        run.toSrgb.convertRow(rows[0], line, int(info.output_width));
    }
    jpeg_finish_decompress(&info);
    return true;
}

QImage turnUpright(QImage image, int orientation)
{
    switch (orientation) {
    case 2:
        return std::move(image).mirrored(true, false);
    case 3:
        return std::move(image).mirrored(true, true);
    case 4:
        return std::move(image).mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8:
        return image.transformed(QTransform().rotate(270));
    default:
        return image;
    }
}

QString libjpegMessage(Run &run)
{
    char text[JMSG_LENGTH_MAX] = {};
    run.errors.base.format_message(reinterpret_cast<j_common_ptr>(&run.info), text);
    return QString::fromLocal8Bit(text);
}

} // namespace

DecodedPicture decodeJpeg(QByteArrayView data, const QString &path, QSize target, qint64 limitBytes)
{
    Run run;
    run.data = data;
    run.target = target;
    run.limitBytes = limitBytes;
    const bool decoded = decodeRun(run);
    const int code = run.errors.base.msg_code;
    const QString message = decoded ? QString() : libjpegMessage(run);
    const qint64 consumed =
        run.info.src ? run.data.size() - qint64(run.info.src->bytes_in_buffer) : 0;
    const QSize size(int(run.info.output_width), int(run.info.output_height));
    jpeg_destroy_decompress(&run.info);

    if (decoded)
        return {turnUpright(std::move(run.image), run.orientation), std::nullopt};
    if (run.outcome == Run::TooLarge)
        return {QImage(), failures::pictureTooLarge(path, size, run.neededBytes, limitBytes)};
    if (code == JERR_BAD_PRECISION || code == JERR_NOTIMPL || code == JERR_SOF_UNSUPPORTED)
        return {QImage(), failures::notAPicture(path, "it is a kind of JPEG this program cannot "
                                                      "read (" +
                                                          message + ')')};
    if (code == JWRN_JPEG_EOF)
        return {QImage(), failures::damagedPicture(
                              path, "its data ends at byte " +
                                        QLocale(QLocale::English).toString(qint64(data.size())) +
                                        ", before the picture is complete")};
    return {QImage(),
            failures::damagedPicture(path, message + ", at byte " +
                                               QLocale(QLocale::English).toString(consumed))};
}

} // namespace quillane::pictures
