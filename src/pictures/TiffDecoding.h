// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"
#include "platform/PictureDecoder.h"

namespace quillane::pictures {

// The first picture of a TIFF through libtiff, in strips or tiles, of any
// kind libtiff turns into RGBA, or of 32-bit floating-point grey or RGB
// samples (mapped from the range its tags give, 0 to 1 when they give none),
// turned upright by its orientation. The file is read whole: its directory
// may lie anywhere in it, at its end often. The colour space of its ICC
// profile comes with it.
DecodedPicture decodeTiff(Source &source, const QString &path, qint64 limitBytes);

} // namespace quillane::pictures
