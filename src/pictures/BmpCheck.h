// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pictures/StructureCheck.h"

namespace quillane::pictures {

// A BMP whose pixel data, after its header, covers every pixel exactly once,
// with colours its palette has. Reads the source only as far as it needs.
Check checkBmp(Source &source, const Fits &fits);

} // namespace quillane::pictures
