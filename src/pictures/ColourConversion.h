// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QtGlobal>

#include <memory>
#include <optional>

class QColorSpace;

// Turning a decoded picture's colours into sRGB, once, as it is decoded, so
// that the slot, the viewer and the printed page all show the same colours.
// Everything as LittleCMS 2 converts it: matrix-and-curve RGB profiles and
// CMYK through tables made from it, grey and table-based profiles through
// LittleCMS itself.
namespace quillane::colour {

// The samples a decoder hands over, as the file stores them.
enum class Samples {
    Bgrx,        // QImage's RGB32 or ARGB32 in memory
    Gray,        // one byte a pixel
    Cmyk,        // four bytes a pixel, 0 is no ink
    InvertedCmyk // four bytes a pixel, 255 is no ink (Adobe's CMYK JPEGs)
};

// The press profile untagged CMYK is printed with (Artifex's SWOP profile,
// Debian's libgs-common); when it is missing, a plain formula.
extern const char *const DefaultCmykProfile;

// Memory that turning a picture with a profile of this size into sRGB may
// take at once, besides the picture: the profile as read and assembled, and
// LittleCMS's tables, which are refused what goes beyond this.
qint64 workingBytes(qint64 profileBytes);

class ToSrgb {
public:
    // Nothing to convert: the picture is sRGB, or untagged and so taken as sRGB.
    ToSrgb() = default;

    // From an ICC profile embedded in the file, for samples of that kind.
    // Empty when the profile is damaged, too large or of a kind that does
    // not match the samples or cannot reach sRGB; CMYK samples then fall
    // back to the default CMYK profile (an empty icc asks for it straight).
    static std::optional<ToSrgb> fromProfile(QByteArrayView icc, Samples samples);
    // From the colour space Qt's readers attach (PNG iCCP, gAMA and cHRM;
    // TIFF and WebP profiles).
    static ToSrgb fromColorSpace(const QColorSpace &space);
    // Adobe RGB (1998), as EXIF marks it.
    static ToSrgb adobeRgb();

    // False when the pixels stay as they are.
    bool converts() const { return engine_ != nullptr; }
    Samples samples() const { return samples_; }

    // width pixels of samples() at in to RGB32 at out; in may be out for Bgrx.
    void convertRow(const uchar *in, uchar *out, int width) const;
    // An RGB32 or ARGB32 picture in place.
    void convert(QImage &image) const;

    struct Engine;

private:
    ToSrgb(std::shared_ptr<const Engine> engine, Samples samples)
        : engine_(std::move(engine)), samples_(samples)
    {
    }

    std::shared_ptr<const Engine> engine_;
    Samples samples_ = Samples::Bgrx;
};

// True when an EXIF block (the APP1 segment's data, from "Exif") marks the
// picture as Adobe RGB: the interoperability index "R03" with a colour space
// other than sRGB, or the colour space value 2 some cameras write.
bool exifMarksAdobeRgb(QByteArrayView app1);

} // namespace quillane::colour
