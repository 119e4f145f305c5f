#pragma once

#include "platform/PictureSource.h"

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

// Structural checks of picture files whose Qt decoders cannot tell a whole
// file from a cut or damaged one: they fill what the data leaves out with
// whatever the memory held, or with black, and report success.
namespace quillane::pictures {

struct Check {
    enum Outcome { Whole, Damaged, Unsupported, TooLarge };
    Outcome outcome = Whole;
    // Damaged: where the data ends or goes wrong; Unsupported: what it is.
    QString detail;
    // The decoded picture's size, once the header has been read.
    QSize size;

    bool whole() const { return outcome == Whole; }
};

// Whether a picture of this size, decoded at this many bits a pixel, may be
// decoded at all: asked before its pixel data is read, which a check then
// leaves unread (TooLarge).
using Fits = std::function<bool(QSize size, int bitsPerPixel)>;

// Both read the source only as far as they need.
// A BMP whose pixel data, after its header, covers every pixel exactly once,
// with colours its palette has.
Check checkBmp(Source &source, const Fits &fits);
// A GIF whose first picture's data is all there and decodes to every pixel
// of it, with colours its table has.
Check checkGif(Source &source, const Fits &fits);

// The orientation (1 to 8) an EXIF block (the APP1 segment's data, from
// "Exif") records; 1 when it records none or cannot be read.
int exifOrientation(QByteArrayView app1);
// The picture as an EXIF or TIFF orientation (1 to 8) says to show it.
QImage turnUpright(QImage image, int orientation);

} // namespace quillane::pictures
