// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QLine>
#include <QList>
#include <QRect>

namespace quillane {

// The paper and the top-left corner of its printable area, in hundredths of
// a millimetre as libcups gives them: exact for every ISO and US paper.
struct PageGeometry {
    int paperWidth = 0;
    int paperLength = 0;
    int left = 0;
    int top = 0;
};

// One page as a PDF document, written here for every printer and for a PDF
// file alike. The page is the paper's exact size; drawing is in twips from
// the printable area's top-left corner, as the cover layout gives it.
// (QPdfWriter states the page size in whole points only.)
class PdfPage {
public:
    explicit PdfPage(const PageGeometry &geometry);

    // The whole picture stretched to fill the rectangle; it travels as a JPEG
    // of its own pixels, any transparency laid on white paper. False when it
    // cannot be encoded (memory).
    bool drawPicture(const QImage &picture, const QRect &twips);
    // A solid line as thin as the device can draw: one device pixel.
    void drawLine(const QLine &twips, const QColor &colour);

    // The finished document, its colours declared sRGB (an output intent).
    QByteArray document() const;

private:
    PageGeometry geometry_;
    QByteArray content_;
    QList<QByteArray> pictures_; // each an image object's dictionary and stream
};

} // namespace quillane
