// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QtGlobal>

namespace quillane {

// The pixels a rectangle of this many twips spans at density pixels per
// inch, rounded up: a rectangle never gets fewer pixels than it covers.
inline QSize pixelsFor(QSize twips, int density)
{
    auto pixels = [density](int length) { return int((qint64(length) * density + 1439) / 1440); };
    return {pixels(twips.width()), pixels(twips.height())};
}

// The size a picture of this many pixels is worth sending at in a rectangle
// of this many twips: each side shrunk to what the rectangle holds at
// density, never grown. A density of 0 keeps the picture's size.
inline QSize pictureTravelSize(QSize picture, QSize twips, int density)
{
    return density > 0 ? picture.boundedTo(pixelsFor(twips, density)) : picture;
}

} // namespace quillane
