// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/GifCheck.h"

#include "pictures/Bytes.h"

#include <algorithm>
#include <array>

namespace quillane::pictures {

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

} // namespace quillane::pictures
