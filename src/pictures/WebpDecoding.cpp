// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/WebpDecoding.h"

#include "base/Failures.h"

#include <QColorSpace>
#include <QLocale>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

namespace quillane::pictures {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

DecodedPicture failed(Failure failure)
{
    return {QImage(), std::move(failure)};
}

QString statusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA:
        return "its picture data ends before the picture is complete";
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return "it uses a feature of WebP this program cannot read";
    default:
        return "its picture data is damaged";
    }
}

} // namespace

DecodedPicture decodeWebp(Source &source, const QString &path, QSize target, qint64 limitBytes)
{
    // The header gives the size of all that follows: what the file lacks of
    // it is cut off, what it has beyond is no part of it.
    if (!source.load(12))
        return failed(failures::damagedPicture(
            path, QString("its data ends at byte %1, inside its header").arg(source.size())));
    const qint64 declared = qint64(qFromLittleEndian<quint32>(source.data() + 4)) + 8;
    if (declared > source.size())
        return failed(failures::damagedPicture(
            path, QString("its data ends at byte %1, before the %2 bytes its header gives")
                      .arg(number(source.size()), number(declared))));
    source.load(declared);

    const WebPData data{source.data(), size_t(declared)};
    const std::unique_ptr<WebPDemuxer, void (*)(WebPDemuxer *)> demux(WebPDemux(&data),
                                                                      WebPDemuxDelete);
    WebPIterator frame{};
    if (!demux || !WebPDemuxGetFrame(demux.get(), 1, &frame))
        return failed(failures::damagedPicture(path, "its chunks are damaged"));
    const std::unique_ptr<WebPIterator, void (*)(WebPIterator *)> release(&frame,
                                                                          WebPDemuxReleaseIterator);
    const QSize canvas(int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)),
                       int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)));
    const bool animated = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS) & ANIMATION_FLAG;

    WebPBitstreamFeatures features{};
    if (WebPGetFeatures(frame.fragment.bytes, frame.fragment.size, &features) != VP8_STATUS_OK)
        return failed(failures::damagedPicture(path, "its picture data is damaged"));
    // At once: the file, the canvas, and the decoder's own buffers: a lossless
    // frame is decoded whole before it is copied out, a lossy one keeps its
    // transparency whole.
    const qint64 needed = source.size() + qint64(canvas.width()) * canvas.height() * 4 +
                          qint64(frame.width) * frame.height * (features.format == 2 ? 4 : 1) +
                          (64 << 10);
    if (needed > limitBytes)
        return failed(failures::pictureTooLarge(path, canvas, needed, limitBytes));
    // A valid target: decoded straight at the smallest size that covers it,
    // the frame scaled in its place on the canvas.
    const double scale = target.isValid()
                             ? std::min(1.0, std::max(double(target.width()) / canvas.width(),
                                                      double(target.height()) / canvas.height()))
                             : 1.0;
    const auto scaled = [scale](int n) { return std::max(1, int(std::ceil(n * scale))); };
    const QSize shown(scaled(canvas.width()), scaled(canvas.height()));
    const QRect place = QRect(int(frame.x_offset * scale), int(frame.y_offset * scale),
                              scaled(frame.width), scaled(frame.height)) &
                        QRect(QPoint(), shown);
    QImage image;
    if (animated) {
        // The canvas starts transparent, as memory the system hands out
        // zeroed is already, and stays untouched where the frame does not lie.
        if (void *zeros = std::calloc(size_t(shown.width()) * size_t(shown.height()), 4))
            image = QImage(static_cast<uchar *>(zeros), shown.width(), shown.height(),
                           qsizetype(shown.width()) * 4, QImage::Format_ARGB32, std::free, zeros);
    } else {
        image = QImage(shown, frame.has_alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    if (image.isNull() || place.isEmpty())
        return failed(failures::pictureTooLarge(path, canvas, needed, limitBytes));
    // The first frame drawn on a transparent canvas is the frame itself,
    // however it blends: it is decoded straight into its place.
    WebPDecoderConfig config;
    WebPInitDecoderConfig(&config);
    config.options.use_scaling = scale < 1;
    config.options.scaled_width = place.width();
    config.options.scaled_height = place.height();
    config.output.colorspace = MODE_BGRA; // QImage's ARGB32 in memory
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = image.scanLine(place.y()) + qsizetype(place.x()) * 4;
    config.output.u.RGBA.stride = int(image.bytesPerLine());
    config.output.u.RGBA.size =
        size_t(image.bytesPerLine()) * size_t(place.height() - 1) + size_t(place.width()) * 4;
    const VP8StatusCode status = WebPDecode(frame.fragment.bytes, frame.fragment.size, &config);
    WebPFreeDecBuffer(&config.output);
    if (status != VP8_STATUS_OK)
        return failed(status == VP8_STATUS_UNSUPPORTED_FEATURE
                          ? failures::notAPicture(path, statusText(status))
                          : failures::damagedPicture(path, statusText(status)));

    WebPChunkIterator profile{};
    if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &profile)) {
        const QColorSpace space = QColorSpace::fromIccProfile(QByteArray(
            reinterpret_cast<const char *>(profile.chunk.bytes), qsizetype(profile.chunk.size)));
        if (space.isValid())
            image.setColorSpace(space);
    }
    WebPDemuxReleaseChunkIterator(&profile);
    return {std::move(image), std::nullopt};
}

} // namespace quillane::pictures
