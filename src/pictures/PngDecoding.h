// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"
#include "platform/PictureDecoder.h"

namespace quillane::pictures {

// PNG through libpng, read chunk by chunk only as far as its data goes, at
// any size the memory limit allows (libpng's own limit of a million pixels a
// side is lifted). Damaged chunks and pixel data are refused, and so are
// pixels whose colour the palette lacks. The colour space the file gives
// comes with the picture.
DecodedPicture decodePng(Source &source, const QString &path, qint64 limitBytes);

} // namespace quillane::pictures
