// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/JpegDecoding.h"

#include "base/Failures.h"
#include "pictures/ColourConversion.h"
#include "pictures/Orientation.h"

#include <QLocale>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

namespace quillane::pictures {

namespace {

constexpr int ExifMarker = JPEG_APP0 + 1;
constexpr int IccMarker = JPEG_APP0 + 2;
constexpr qint64 CoefficientBlockBytes = sizeof(JBLOCK);
// The most blocks all scans together may decode, less than half a second's
// work: a progressive photo of the largest size the memory limit allows
// takes some 20 million. A file whose scans go over its whole picture many
// times (a valid one may have almost 900 scans) is stopped there.
constexpr qint64 MaxScanBlocks = qint64(24) << 20;
// What a scan costs whatever its size: its header and tables.
constexpr qint64 ScanSetupBlocks = 1024;
// Every marker segment is shorter: data this long without a marker byte,
// outside a scan's coded data, is no JPEG data.
constexpr qint64 LongestSegment = 65535 + 4;

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
    jpeg_source_mgr input{};
    jpeg_progress_mgr progress{};
    Source *source = nullptr;
    QSize target;
    qint64 limitBytes = 0;
    int orientation = 0; // 0 until an EXIF block is found
    QImage image;
    bool adobeRgb = false; // as the EXIF block marks it
    QByteArray icc;        // the embedded colour profile, if any
    colour::ToSrgb toSrgb; // what turns the samples into sRGB
    QByteArray row;        // one row's samples, when they are not RGB32
    enum {
        Decoded,
        Damaged,
        Unsupported,
        TooLarge,
        TooMuchWork,
        RunsOn,
        NoMarker
    } outcome = Decoded;
    qint64 neededBytes = 0;
    int scans = 0;
    qint64 scanBlocks = 0;
    qint64 stoppedAt = 0; // where the data stops making sense (RunsOn, NoMarker)
    qint64 handedOut = 0; // the end of the bytes libjpeg was given
};

Run &runOf(j_decompress_ptr info)
{
    return *static_cast<Run *>(info->client_data);
}

[[noreturn]] void stopWith(Run &run, decltype(Run::outcome) outcome)
{
    run.outcome = outcome;
    std::longjmp(run.errors.jump, 1);
}

// ---- The file's bytes, read as libjpeg asks for them ----

qint64 position(Run &run)
{
    const JOCTET *next = run.info.src->next_input_byte;
    const JOCTET *data = run.source->data();
    return next >= data && next <= data + run.source->loaded() ? next - data : run.source->loaded();
}

// Hands libjpeg what is loaded from at, loading count bytes first; false
// when the file ends before.
bool buffer(Run &run, qint64 at, qint64 count)
{
    const bool whole = run.source->load(at + count);
    run.handedOut = run.source->loaded();
    run.info.src->next_input_byte = run.source->data() + at;
    run.info.src->bytes_in_buffer = size_t(run.source->loaded() - at);
    return whole;
}

// Coded data runs from a scan's header to its last row; anything else is
// marker segments.
bool inScanData(const jpeg_decompress_struct &info)
{
    return info.input_scan_number > 0 && info.input_iMCU_row < info.total_iMCU_rows;
}

// libjpeg asks for more once it has used all it was given, without telling
// where it stands: at the end of what it was given.
boolean fillInput(j_decompress_ptr info)
{
    Run &run = runOf(info);
    const qint64 at = run.handedOut;
    // libjpeg skips what is no marker until it finds one, however far: stop
    // that before it reads a long run of nothing to its end.
    const uchar *data = run.source->data();
    if (!inScanData(*info) && at > LongestSegment &&
        !std::memchr(data + at - LongestSegment, 0xFF, LongestSegment)) {
        const void *marker = memrchr(data, 0xFF, size_t(at - LongestSegment));
        run.stoppedAt = marker ? static_cast<const uchar *>(marker) - data + 2 : 0;
        stopWith(run, Run::NoMarker);
    }
    if (!buffer(run, at, 1)) {
        static const JOCTET End[2] = {0xFF, JPEG_EOI};
        WARNMS(info, JWRN_JPEG_EOF);
        info->src->next_input_byte = End;
        info->src->bytes_in_buffer = 2;
    }
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count)
{
    if (count <= 0)
        return;
    if (size_t(count) <= info->src->bytes_in_buffer) {
        info->src->next_input_byte += count;
        info->src->bytes_in_buffer -= size_t(count);
        return;
    }
    Run &run = runOf(info);
    const qint64 to = std::min(position(run) + count, run.source->size());
    buffer(run, to, 0); // at the file's end when it ends inside: the next read says so
}

void noAction(j_decompress_ptr) {}

// The orientation and the mark of Adobe RGB from the first APP1 segment that
// is an EXIF block; other APP1 segments (XMP, ...) are passed over, and none
// is kept.
boolean readExifSegment(j_decompress_ptr info)
{
    Run &run = runOf(info);
    const qint64 start = position(run);
    if (!buffer(run, start, 2))
        return fillInput(info); // the file ends in the segment's length
    const JOCTET *at = info->src->next_input_byte;
    const qint64 length = at[0] << 8 | at[1];
    if (length < 2)
        ERREXIT(info, JERR_BAD_LENGTH);
    if (run.orientation == 0 && buffer(run, start, length)) {
        const QByteArrayView segment(reinterpret_cast<const char *>(at) + 2, length - 2);
        if (segment.startsWith(QByteArrayView("Exif\0\0", 6))) {
            run.orientation = exifOrientation(segment);
            run.adobeRgb = colour::exifMarksAdobeRgb(segment);
        }
    }
    skipInput(info, long(length));
    return TRUE;
}

// Adds each new scan's blocks to the work done, and stops a file whose scans
// add up to more than the limit.
void countScanWork(j_common_ptr common)
{
    auto *info = reinterpret_cast<j_decompress_ptr>(common);
    Run &run = runOf(info);
    if (info->input_scan_number == run.scans)
        return;
    run.scans = info->input_scan_number;
    run.scanBlocks += ScanSetupBlocks;
    for (int c = 0; c < info->comps_in_scan; ++c)
        run.scanBlocks += qint64(info->cur_comp_info[c]->width_in_blocks) *
                          info->cur_comp_info[c]->height_in_blocks;
    if (run.scanBlocks > MaxScanBlocks)
        stopWith(run, Run::TooMuchWork);
}

// After a picture's last row, before its end marker is read, only a marker
// may follow.
bool markerFollows(Run &run)
{
    if (run.info.unread_marker != 0 || !buffer(run, position(run), 1))
        return true; // a file that ends here is reported as cut
    return *run.info.src->next_input_byte == 0xFF;
}

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
    if (samples == colour::Samples::Bgrx && run.adobeRgb)
        return colour::ToSrgb::adobeRgb();
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
    info.client_data = &run;
    run.input.init_source = noAction;
    run.input.fill_input_buffer = fillInput;
    run.input.skip_input_data = skipInput;
    run.input.resync_to_restart = jpeg_resync_to_restart;
    run.input.term_source = noAction;
    run.input.next_input_byte = run.source->data();
    info.src = &run.input;
    run.progress.progress_monitor = countScanWork;
    info.progress = &run.progress;
    jpeg_set_marker_processor(&info, ExifMarker, readExifSegment);
    jpeg_save_markers(&info, IccMarker, 0xFFFF);
    jpeg_read_header(&info, TRUE);
    run.orientation = std::max(run.orientation, 1);

    run.icc = readIccProfile(info);
    const colour::Samples samples = samplesOf(info);
    // At once: the file, the picture, and either libjpeg's buffers (while
    // decoding) or the turned copy (afterwards). Reckoned at the natural size
    // even for a smaller decode, so that whatever loads can also be viewed.
    info.scale_num = info.scale_denom = 8;
    jpeg_calc_output_dimensions(&info);
    const qint64 naturalBytes = qint64(info.output_width) * info.output_height * 4;
    const qint64 turnBytes = swapsAxes(run.orientation) ? naturalBytes : 0;
    run.neededBytes = run.source->size() + naturalBytes + std::max(decoderBytes(info), turnBytes);
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
        long(run.limitBytes - run.source->size() - pictureBytes - colourBytes);

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
    if (!jpeg_input_complete(&info) && !markerFollows(run)) {
        run.stoppedAt = position(run);
        stopWith(run, Run::RunsOn);
    }
    jpeg_finish_decompress(&info);
    return true;
}

QString libjpegMessage(Run &run)
{
    char text[JMSG_LENGTH_MAX] = {};
    run.errors.base.format_message(reinterpret_cast<j_common_ptr>(&run.info), text);
    return QString::fromLocal8Bit(text);
}

// A valid file of a kind that libjpeg does not decode: what kind, or empty.
QString kindNotRead(const Run &run, int code, const QString &message)
{
    switch (code) {
    case JERR_UNKNOWN_MARKER: {
        const int marker = run.errors.base.msg_parm.i[0];
        return marker == 0xDE || marker == 0xDF ? QString("hierarchical") : QString();
    }
    case JERR_EMPTY_IMAGE:
        return "its height given by a DNL marker";
    case JERR_CONVERSION_NOTIMPL:
        return QString("%1 colour components").arg(run.info.num_components);
    case JERR_BAD_PRECISION:
    case JERR_NOTIMPL:
    case JERR_SOF_UNSUPPORTED:
    case JERR_COMPONENT_COUNT:
    case JERR_ARITH_NOTIMPL:
        return message;
    default:
        return {};
    }
}

} // namespace

DecodedPicture decodeJpeg(Source &source, const QString &path, QSize target, qint64 limitBytes)
{
    Run run;
    run.source = &source;
    run.target = target;
    run.limitBytes = limitBytes;
    const bool decoded = decodeRun(run);
    const int code = run.errors.base.msg_code;
    const QString message = decoded ? QString() : libjpegMessage(run);
    const qint64 consumed = run.info.src ? position(run) : 0;
    const QSize size(int(run.info.output_width), int(run.info.output_height));
    const QSize natural(int(run.info.image_width), int(run.info.image_height));
    const QString kind = decoded ? QString() : kindNotRead(run, code, message);
    jpeg_destroy_decompress(&run.info);

    const QLocale english(QLocale::English);
    if (decoded)
        return {turnUpright(std::move(run.image), run.orientation), std::nullopt};
    if (run.outcome == Run::TooLarge)
        return {QImage(), failures::pictureTooLarge(path, size, run.neededBytes, limitBytes)};
    if (run.outcome == Run::TooMuchWork)
        return {QImage(),
                failures::notAPicture(path, QString("it is a kind of JPEG this program cannot read "
                                                    "(progressive in more than %1 scans at %2 x %3 "
                                                    "pixels, more work than this program allows)")
                                                .arg(run.scans - 1)
                                                .arg(natural.width())
                                                .arg(natural.height()))};
    if (run.outcome == Run::RunsOn)
        return {QImage(), failures::damagedPicture(
                              path, "its data goes on past the end of its picture, at byte " +
                                        english.toString(run.stoppedAt))};
    if (run.outcome == Run::NoMarker)
        return {QImage(),
                failures::damagedPicture(path, "its data has no marker from byte " +
                                                   english.toString(run.stoppedAt) + " on")};
    if (!kind.isEmpty())
        return {QImage(), failures::notAPicture(path, "it is a kind of JPEG this program cannot "
                                                      "read (" +
                                                          kind + ')')};
    if (code == JWRN_JPEG_EOF)
        return {QImage(), failures::damagedPicture(path, "its data ends at byte " +
                                                             english.toString(source.size()) +
                                                             ", before the picture is complete")};
    return {QImage(),
            failures::damagedPicture(path, message + ", at byte " + english.toString(consumed))};
}

} // namespace quillane::pictures
