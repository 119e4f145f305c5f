// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/BmpCheck.h"

#include "pictures/Bytes.h"

#include <algorithm>

namespace quillane::pictures {

namespace {

struct BmpHeader {
    qint64 headerSize = 0;
    qint64 width = 0, height = 0; // height < 0: rows top down
    quint32 bits = 0, compression = 0, colours = 0;
};

constexpr quint32 BmpRgb = 0, BmpRle8 = 1, BmpRle4 = 2, BmpBitfields = 3;

// The colour index of pixel x of a row of 1, 4 or 8 bits a pixel.
quint32 indexAt(const Bytes &b, qint64 row, qint64 x, quint32 bits)
{
    const qint64 bit = x * bits;
    const quint32 byte = b.u8(row + bit / 8);
    return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

Check badColour(qint64 row, quint32 index, quint32 colours, QSize size)
{
    return damaged(QString("row %1 of its pixel data uses colour %2 of a %3-colour table")
                       .arg(number(row + 1), number(index), number(colours)),
                   size);
}

// Run-length data must set every pixel once: a jump, an early end of a row or
// of the picture, or a run past the row's end leaves pixels to chance.
Check checkBmpRuns(const Bytes &b, qint64 at, const BmpHeader &h, QSize size)
{
    const bool four = h.compression == BmpRle4;
    qint64 x = 0, y = 0;
    const auto colourOutside = [&](quint32 byte) {
        return four ? (byte >> 4) >= h.colours || (byte & 15) >= h.colours : byte >= h.colours;
    };
    while (y < h.height) {
        if (!b.has(at, 2))
            return (y == h.height - 1 && x == h.width)
                       ? Check{Check::Whole, QString(), size}
                       : endsAt(b.size(),
                                QString("in row %1 of %2").arg(number(y + 1), number(h.height)),
                                size);
        const quint32 count = b.u8(at), code = b.u8(at + 1);
        at += 2;
        if (count > 0) {
            if (x + count > h.width)
                return damaged(QString("row %1 runs past its end").arg(number(y + 1)), size);
            if (colourOutside(code))
                return badColour(y, four ? std::max(code >> 4, code & 15) : code, h.colours, size);
            x += count;
        } else if (code == 0) {
            if (x != h.width)
                return damaged(QString("row %1 ends after %2 of its %3 pixels")
                                   .arg(number(y + 1), number(x), number(h.width)),
                               size);
            x = 0;
            ++y;
        } else if (code == 1) {
            if (y == h.height - 1 && x == h.width)
                return {Check::Whole, QString(), size};
            return damaged(QString("its pixels stop in row %1 of %2, leaving the rest unset")
                               .arg(number(y + 1), number(h.height)),
                           size);
        } else if (code == 2) {
            return damaged(QString("it skips pixels in row %1").arg(number(y + 1)), size);
        } else {
            const qint64 bytes = four ? (code + 1) / 2 : code;
            if (!b.has(at, bytes))
                return endsAt(b.size(),
                              QString("in row %1 of %2").arg(number(y + 1), number(h.height)),
                              size);
            if (x + code > h.width)
                return damaged(QString("row %1 runs past its end").arg(number(y + 1)), size);
            for (qint64 i = 0; i < code; ++i) {
                const quint32 index = four ? indexAt(b, at, i, 4) : b.u8(at + i);
                if (index >= h.colours)
                    return badColour(y, index, h.colours, size);
            }
            x += code;
            at += bytes + (bytes & 1);
        }
    }
    return {Check::Whole, QString(), size};
}

} // namespace

Check checkBmp(Source &source, const Fits &fits)
{
    const Bytes b(source);
    source.load(2);
    if (!source.view().startsWith("BM"))
        return unsupported("it is not a BMP picture");
    if (!b.has(0, 18))
        return endsAt(b.size(), "inside its header");
    BmpHeader h;
    h.headerSize = b.le32(14);
    const qint64 offBits = b.le32(10);
    quint32 planes = 0;
    if (h.headerSize == 12) {
        if (!b.has(14, 12))
            return endsAt(b.size(), "inside its header");
        h.width = qint16(b.le16(18));
        h.height = qint16(b.le16(20));
        planes = b.le16(22);
        h.bits = b.le16(24);
    } else if (h.headerSize == 40 || h.headerSize == 64 || h.headerSize == 108 ||
               h.headerSize == 124) {
        if (!b.has(14, h.headerSize))
            return endsAt(b.size(), "inside its header");
        h.width = qint32(b.le32(18));
        h.height = qint32(b.le32(22));
        planes = b.le16(26);
        h.bits = b.le16(28);
        h.compression = b.le32(30);
        h.colours = b.le32(46);
    } else {
        return unsupported(QString("it has a BMP header of %1 bytes, which this program cannot "
                                   "read")
                               .arg(number(h.headerSize)));
    }
    const bool known = (h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 16 || h.bits == 24 ||
                        h.bits == 32) &&
                       planes == 1 &&
                       (h.compression == BmpRgb || (h.bits == 8 && h.compression == BmpRle8) ||
                        (h.bits == 4 && h.compression == BmpRle4) ||
                        ((h.bits == 16 || h.bits == 32) && h.compression == BmpBitfields));
    if (!known)
        return unsupported(QString("it is a kind of BMP this program cannot read (%1 bits a "
                                   "pixel, compression %2)")
                               .arg(h.bits)
                               .arg(h.compression));
    if (h.width <= 0 || h.height == 0 || h.height == INT_MIN)
        return damaged(QString("its header gives %1 x %2 pixels").arg(h.width).arg(h.height),
                       QSize());
    const bool runs = h.compression == BmpRle4 || h.compression == BmpRle8;
    if (runs && h.height < 0)
        return unsupported("it is a compressed BMP stored top down, which this program cannot "
                           "read");
    const bool topDown = h.height < 0;
    h.height = qAbs(h.height);
    const QSize size(int(h.width), int(h.height));
    if (!fits(size, h.bits == 1 ? 1 : h.bits <= 8 ? 8 : 32))
        return {Check::TooLarge, QString(), size};

    qint64 at = 14 + h.headerSize;
    if (h.compression == BmpBitfields && h.headerSize < 108) {
        if (!b.has(at, 12))
            return endsAt(b.size(), "inside its colour masks", size);
        at += 12;
    }
    // The decoder takes its pixels from where the file says, even from its
    // header, which no pixel is.
    if (offBits < at)
        return damaged(
            QString("its pixel data starts at byte %1, inside its header").arg(number(offBits)),
            size);
    if (h.bits <= 8) {
        const quint32 colours = h.colours ? h.colours : 1u << h.bits;
        if (colours > 256)
            return damaged(QString("its colour table claims %1 colours").arg(number(colours)),
                           size);
        const qint64 entryBytes = h.headerSize == 12 ? 3 : 4;
        const qint64 tableBytes = qint64(colours) * entryBytes;
        // One byte past the table too: the decoder takes a table that ends the
        // file for a cut file.
        if (!b.has(at, tableBytes + 1))
            return endsAt(b.size(), "inside its colour table", size);
        // A table that runs into the pixel data has only the colours before it.
        h.colours = quint32(std::min(tableBytes, offBits - at) / entryBytes);
    }
    at = offBits;
    if (runs)
        return checkBmpRuns(b, at, h, size);

    const qint64 stride = (h.width * h.bits + 31) / 32 * 4;
    if (at > b.size() || (b.size() - at) / stride < h.height || !b.has(at, stride * h.height)) {
        const qint64 rows = std::max<qint64>(0, b.size() - at) / stride;
        return endsAt(b.size(),
                      QString("after %1 of its %2 rows").arg(number(rows), number(h.height)), size);
    }
    if (h.bits <= 8 && h.colours < (1u << h.bits)) {
        for (qint64 row = 0; row < h.height; ++row) {
            for (qint64 x = 0; x < h.width; ++x) {
                const quint32 index = indexAt(b, at + row * stride, x, h.bits);
                if (index >= h.colours)
                    return badColour(topDown ? row : h.height - 1 - row, index, h.colours, size);
            }
        }
    }
    return {Check::Whole, QString(), size};
}

} // namespace quillane::pictures
