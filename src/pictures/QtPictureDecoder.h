// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/PictureDecoder.h"

namespace quillane {

namespace pictures {
class Source;
}

// Reads regular files only, and only as far as their picture's data goes;
// decodes JPEG with libjpeg-turbo, PNG with libpng, WebP with libwebp and
// TIFF with libtiff; GIF (first frame) and BMP with Qt after a check of the
// file's structure, so that a cut or damaged file is refused rather than
// shown with pixels its data never gave. Pictures come out as RGB32, or
// ARGB32 when they have transparency, turned upright by their orientation.
class QtPictureDecoder final : public PictureDecoder {
public:
    // All that decoding one picture needs at once: the file's bytes, the
    // picture, and the decoder's own buffers. Files and pictures needing more
    // are refused before they are read or decoded.
    static constexpr qint64 LimitBytes = qint64(1024) << 20;

    explicit QtPictureDecoder(qint64 limitBytes = LimitBytes) : limitBytes_(limitBytes) {}

    PictureFile read(const QString &path) override;
    DecodedPicture decodeBytes(const QByteArray &bytes, const QString &path,
                               QSize target = QSize()) override;
    LoadedPicture load(const QString &path, QSize target) override;

private:
    DecodedPicture decodeSource(pictures::Source &source, const QString &path, QSize target);

    qint64 limitBytes_;
};

} // namespace quillane
