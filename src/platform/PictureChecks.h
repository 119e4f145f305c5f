#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>

// Structural checks of picture files whose Qt decoders cannot tell a whole
// file from a cut or damaged one: they fill what the data leaves out with
// whatever the memory held, or with black, and report success.
namespace quillane::pictures {

struct Check {
    enum Outcome { Whole, Damaged, Unsupported };
    Outcome outcome = Whole;
    // Damaged: where the data ends or goes wrong; Unsupported: what it is.
    QString detail;
    // The decoded picture's size, once the header has been read.
    QSize size;

    bool whole() const { return outcome == Whole; }
};

// A BMP whose pixel data covers every pixel exactly once, with colours its
// palette has.
Check checkBmp(QByteArrayView data);
// A GIF whose first picture's data is all there and decodes to every pixel of it.
Check checkGif(QByteArrayView data);
// A PNG whose chunks lie within the file, from its header to its end chunk
// (libpng itself tells missing or broken image data).
Check checkPng(QByteArrayView data);

// The orientation (1 to 8) an EXIF block (the APP1 segment's data, from
// "Exif") records; 1 when it records none or cannot be read.
int exifOrientation(QByteArrayView app1);

} // namespace quillane::pictures
