// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/StructureCheck.h"

namespace quillane::pictures {

// A GIF whose first picture's data is all there and decodes to every pixel
// of it, with colours its table has. Reads the source only as far as it needs.
Check checkGif(Source &source, const Fits &fits);

} // namespace quillane::pictures
