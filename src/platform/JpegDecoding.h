#pragma once

#include "platform/PictureDecoder.h"

#include <QByteArrayView>

namespace quillane::pictures {

// JPEG through libjpeg-turbo, every warning taken as damage, turned upright
// by the file's EXIF orientation. A valid target decodes straight to the
// smallest DCT scale (n/8) that covers it. Refused as too large, before any
// pixel is decoded, when the file, the picture, the decoder's coefficient
// buffers and a rotation's second copy need more than limitBytes at once.
// Colours come out in sRGB, from the file's ICC profile, EXIF's Adobe RGB
// mark, or for CMYK the default press profile (ColourConversion.h).
DecodedPicture decodeJpeg(QByteArrayView data, const QString &path, QSize target,
                          qint64 limitBytes);

} // namespace quillane::pictures
