// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/Orientation.h"

#include "pictures/Bytes.h"

#include <QTransform>

namespace quillane::pictures {

int exifOrientation(QByteArrayView app1)
{
    if (!app1.startsWith(QByteArrayView("Exif\0\0", 6)))
        return 1;
    const QByteArrayView tiff = app1.sliced(6);
    const Bytes b(tiff);
    if (!b.has(0, 8))
        return 1;
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return 1;
    const auto u16 = [&](qint64 at) { return little ? b.le16(at) : b.be16(at); };
    const auto u32 = [&](qint64 at) { return little ? b.le32(at) : b.be32(at); };
    if (u16(2) != 42)
        return 1;
    const qint64 directory = u32(4);
    if (!b.has(directory, 2))
        return 1;
    const qint64 entries = u16(directory);
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = directory + 2 + 12 * i;
        if (!b.has(entry, 12))
            return 1;
        if (u16(entry) == 0x0112) {
            const int value = int(u16(entry + 8));
            return value >= 1 && value <= 8 ? value : 1;
        }
    }
    return 1;
}

QImage turnUpright(QImage image, int orientation)
{
    switch (orientation) {
    case 2:
        return std::move(image).mirrored(true, false);
    case 3:
        return std::move(image).mirrored(true, true);
    case 4:
        return std::move(image).mirrored(false, true);
    case 5:
        return image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6:
        return image.transformed(QTransform().rotate(90));
    case 7:
        return image.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8:
        return image.transformed(QTransform().rotate(270));
    default:
        return image;
    }
}

} // namespace quillane::pictures
