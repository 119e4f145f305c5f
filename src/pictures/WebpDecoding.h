// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/PictureSource.h"
#include "platform/PictureDecoder.h"

namespace quillane::pictures {

// WebP through libwebp: a still picture, or an animation's first frame on its
// canvas (transparent where the frame does not reach), read only as far as
// the file's header says its data goes. A valid target decodes straight to
// the smallest size that covers it. The colour space of its ICC profile
// comes with the picture.
DecodedPicture decodeWebp(Source &source, const QString &path, QSize target, qint64 limitBytes);

} // namespace quillane::pictures
