#include "platform/PictureChecks.h"

#include <QLocale>
#include <QTransform>

#include <array>
#include <climits>

namespace quillane::pictures {

namespace {

QString number(qint64 n)
{
    return QLocale(QLocale::English).toString(n);
}

Check unsupported(const QString &what)
{
    return {Check::Unsupported, what, QSize()};
}

Check damaged(const QString &where, QSize size)
{
    return {Check::Damaged, where, size};
}

Check endsAt(qsizetype at, const QString &inside, QSize size = QSize())
{
    return damaged(QString("its data ends at byte %1, %2").arg(number(at), inside), size);
}

// Reads of a file's fields that never go past its end: callers ask has()
// first, which reads the file that far.
class Bytes {
public:
    explicit Bytes(QByteArrayView data) : data_(data) {}
    explicit Bytes(Source &source) : source_(&source) {}

    qint64 size() const { return source_ ? source_->size() : data_.size(); }
    bool has(qint64 at, qint64 count) const
    {
        return at >= 0 && count >= 0 && at <= size() && count <= size() - at &&
               (!source_ || source_->load(at + count));
    }
    quint32 u8(qint64 at) const
    {
        return source_ ? source_->data()[at] : quint8(data_[qsizetype(at)]);
    }
    quint32 le16(qint64 at) const { return u8(at) | u8(at + 1) << 8; }
    quint32 le32(qint64 at) const { return le16(at) | le16(at + 2) << 16; }
    quint32 be16(qint64 at) const { return u8(at) << 8 | u8(at + 1); }
    quint32 be32(qint64 at) const { return be16(at) << 16 | be16(at + 2); }

private:
    QByteArrayView data_;
    Source *source_ = nullptr;
};

// ---- BMP ----

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

// ---- GIF ----

namespace {

// The colours a GIF picture may use: its table's, and its transparent index.
struct GifColours {
    int count = 0;
    int transparent = -1;
    bool defines(int index) const { return index < count || index == transparent; }
};

// Counts the pixels that a GIF picture's LZW codes give, from at (its code
// size byte) to its block terminator, and finds any of them whose colour is
// not defined; at is left past the terminator.
Check countGifPixels(const Bytes &b, qint64 &at, qint64 pixels, GifColours colours, QSize size)
{
    if (!b.has(at, 1))
        return endsAt(b.size(), "inside its first picture", size);
    const int minimum = int(b.u8(at++));
    if (minimum < 1 || minimum > 8)
        return damaged(QString("its first picture has the invalid code size %1").arg(minimum),
                       size);
    const int clear = 1 << minimum, end = clear + 1;
    // Each code's string: its length, its first index, the code of all but its
    // last index, and an index in it that the colours lack (or -1).
    struct String {
        quint16 length = 1;
        quint8 first = 0;
        quint16 prefix = 0;
        qint16 undefined = -1;
    };
    std::array<String, 4096> strings{};
    for (int code = 0; code < clear; ++code)
        strings[code] = {1, quint8(code), 0, qint16(colours.defines(code) ? -1 : code)};
    int codeSize = minimum + 1, next = clear + 2, previous = -1;
    quint32 accumulator = 0;
    int bitsHeld = 0;
    qint64 produced = 0;
    bool ended = false;
    const auto invalidCode = [&](qint64 byte) {
        return damaged(
            QString("its first picture has an invalid code at byte %1").arg(number(byte)), size);
    };
    for (;;) {
        if (!b.has(at, 1))
            return endsAt(b.size(), "inside its first picture", size);
        const qint64 blockSize = b.u8(at++);
        if (blockSize == 0)
            break;
        if (!b.has(at, blockSize))
            return endsAt(b.size(), "inside its first picture", size);
        for (qint64 i = 0; i < blockSize && !ended; ++i) {
            accumulator |= b.u8(at + i) << bitsHeld;
            bitsHeld += 8;
            while (bitsHeld >= codeSize && !ended) {
                const int code = int(accumulator & ((1u << codeSize) - 1));
                accumulator >>= codeSize;
                bitsHeld -= codeSize;
                if (code == clear) {
                    codeSize = minimum + 1;
                    next = clear + 2;
                    previous = -1;
                    continue;
                }
                if (code == end) {
                    ended = true;
                    break;
                }
                if ((previous < 0 && code >= clear) || code > next ||
                    (code == next && next >= 4096))
                    return invalidCode(at + i);
                // The string the code gives; one not yet in the table is the
                // previous string and its own first index.
                String string = strings[code];
                if (code == next) {
                    const String &before = strings[previous];
                    const int last = before.first;
                    string = {quint16(before.length + 1), before.first, quint16(previous),
                              qint16(before.undefined >= 0   ? before.undefined
                                     : colours.defines(last) ? -1
                                                             : last)};
                }
                // Only the indices within the picture count.
                if (produced < pixels) {
                    const String *inside = &string;
                    if (code == next && pixels - produced < string.length)
                        inside = &strings[previous];
                    while (inside->length > pixels - produced)
                        inside = &strings[inside->prefix];
                    if (inside->undefined >= 0)
                        return damaged(QString("its first picture uses colour %1 of a %2-colour "
                                               "table")
                                           .arg(inside->undefined)
                                           .arg(colours.count),
                                       size);
                }
                produced += string.length;
                if (previous >= 0 && next < 4096) {
                    const String &before = strings[previous];
                    const int last = string.first;
                    strings[next] = {quint16(before.length + 1), before.first, quint16(previous),
                                     qint16(before.undefined >= 0   ? before.undefined
                                            : colours.defines(last) ? -1
                                                                    : last)};
                    if (++next == (1 << codeSize) && codeSize < 12)
                        ++codeSize;
                }
                previous = code;
            }
        }
        at += blockSize;
    }
    if (produced < pixels)
        return damaged(QString("its first picture stops after %1 of its %2 pixels")
                           .arg(number(produced), number(pixels)),
                       size);
    return {Check::Whole, QString(), size};
}

// Skips an extension's data blocks from at; false when they run past the end.
bool skipBlocks(const Bytes &b, qint64 &at)
{
    for (;;) {
        if (!b.has(at, 1))
            return false;
        const qint64 blockSize = b.u8(at++);
        if (blockSize == 0)
            return true;
        if (!b.has(at, blockSize))
            return false;
        at += blockSize;
    }
}

} // namespace

Check checkGif(Source &source, const Fits &fits)
{
    const Bytes b(source);
    source.load(6);
    const QByteArrayView head = source.view();
    if (!head.startsWith("GIF87a") && !head.startsWith("GIF89a"))
        return head.startsWith("GIF") && b.size() < 6 ? endsAt(b.size(), "inside its header")
                                                      : unsupported("it is not a GIF picture");
    if (!b.has(0, 13))
        return endsAt(b.size(), "inside its header");
    int screenWidth = int(b.le16(6)), screenHeight = int(b.le16(8));
    const quint32 flags = b.u8(10);
    const bool globalTable = flags & 0x80;
    GifColours colours;
    qint64 at = 13;
    if (globalTable) {
        colours.count = 2 << (flags & 7);
        at += 3 * colours.count;
        if (!b.has(0, at))
            return endsAt(b.size(), "inside its colour table");
    }
    for (;;) {
        if (!b.has(at, 1))
            return endsAt(b.size(), "before its first picture");
        const quint32 introducer = b.u8(at++);
        if (introducer == '!') {
            // A graphic control block's transparent index defines that colour too.
            if (b.has(at, 6) && b.u8(at) == 0xF9 && b.u8(at + 1) == 4)
                colours.transparent = b.u8(at + 2) & 1 ? int(b.u8(at + 5)) : -1;
            ++at; // the extension's label
            if (!skipBlocks(b, at))
                return endsAt(b.size(), "before its first picture");
            continue;
        }
        if (introducer == ';')
            return damaged("it ends without a picture", QSize());
        if (introducer != ',')
            return damaged(QString("it has an unknown block at byte %1").arg(number(at - 1)),
                           QSize());
        if (!b.has(at, 9))
            return endsAt(b.size(), "inside its first picture");
        const int left = int(b.le16(at)), top = int(b.le16(at + 2));
        const int width = int(b.le16(at + 4)), height = int(b.le16(at + 6));
        const quint32 imageFlags = b.u8(at + 8);
        at += 9;
        // The screen that the decoder allocates, as it sizes it.
        if (screenWidth / 10 > std::max(width, 200) || screenWidth <= 0)
            screenWidth = left + width;
        if (screenHeight / 10 > std::max(height, 200) || screenHeight <= 0)
            screenHeight = top + height;
        const QSize size(screenWidth, screenHeight);
        if (width == 0 || height == 0)
            return damaged("its first picture has no pixels", size);
        if (!fits(size, 32))
            return {Check::TooLarge, QString(), size};
        if (imageFlags & 0x80) {
            colours.count = 2 << (imageFlags & 7);
            at += 3 * colours.count;
            if (!b.has(0, at))
                return endsAt(b.size(), "inside its first picture's colour table", size);
        } else if (!globalTable) {
            return damaged("it has no colour table", size);
        }
        return countGifPixels(b, at, qint64(width) * height, colours, size);
    }
}

// ---- EXIF ----

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
