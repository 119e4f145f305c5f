// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"
#include "platform/PictureDecoder.h"

namespace quillane::pictures {

// JPEG through libjpeg-turbo, every warning taken as damage, turned upright
// by the file's EXIF orientation. A valid target decodes straight to the
// smallest DCT scale (n/8) that covers it. Refused as too large, before any
// pixel is decoded, when the file, the picture, the decoder's coefficient
// buffers and a rotation's second copy need more than limitBytes at once.
// The file is read only as far as its data makes sense, and its scans may
// decode a bounded number of blocks. Colours come out in sRGB, from the
// file's ICC profile, EXIF's Adobe RGB mark, or for CMYK the default press
// profile (ColourConversion.h).
DecodedPicture decodeJpeg(Source &source, const QString &path, QSize target, qint64 limitBytes);

} // namespace quillane::pictures
