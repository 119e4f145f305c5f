// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QImage>

namespace quillane::pictures {

// The orientation (1 to 8) an EXIF block (the APP1 segment's data, from
// "Exif") records; 1 when it records none or cannot be read.
int exifOrientation(QByteArrayView app1);
// The picture as an EXIF or TIFF orientation (1 to 8) says to show it.
QImage turnUpright(QImage image, int orientation);

} // namespace quillane::pictures
