// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/PdfPage.h"

#include "base/Version.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

#include <lcms2.h>

namespace quillane {

namespace {

constexpr double PointsPerHundredthMm = 72 / 2540.0;
constexpr double PointsPerTwip = 1 / 20.0;
// As Qt's own PDF engine encodes photographs.
constexpr int JpegQuality = 94;

// Plain decimal notation, as PDF wants it, finer than any printer's pixel.
QByteArray number(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text == "-0" ? "0" : text;
}

// sRGB's ICC profile, version 2 as PDF 1.4 takes it, made once; empty should
// LittleCMS fail.
const QByteArray &srgbProfile()
{
    static const QByteArray profile = [] {
        QByteArray icc;
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        if (!srgb)
            return icc;
        cmsSetProfileVersion(srgb, 2.1);
        cmsUInt32Number size = 0;
        if (cmsSaveProfileToMem(srgb, nullptr, &size)) {
            icc.resize(qsizetype(size));
            if (!cmsSaveProfileToMem(srgb, icc.data(), &size))
                icc.clear();
        }
        cmsCloseProfile(srgb);
        return icc;
    }();
    return profile;
}

QByteArray colour(const QColor &c)
{
    return number(c.redF()) + ' ' + number(c.greenF()) + ' ' + number(c.blueF());
}

} // namespace

PdfPage::PdfPage(const PageGeometry &geometry) : geometry_(geometry) {}

bool PdfPage::drawPicture(const QImage &picture, const QRect &twips)
{
    // Three colour channels, always; transparency laid on white paper prints the same.
    QImage opaque = picture;
    if (picture.format() != QImage::Format_RGB32) {
        opaque = QImage(picture.size(), QImage::Format_RGB32);
        if (opaque.isNull())
            return false;
        opaque.fill(Qt::white);
        QPainter(&opaque).drawImage(0, 0, picture);
    }

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(JpegQuality);
    if (!buffer.open(QIODevice::WriteOnly) || !writer.write(opaque))
        return false;

    pictures_ << "<< /Type /XObject /Subtype /Image /Width " + QByteArray::number(opaque.width()) +
                     " /Height " + QByteArray::number(opaque.height()) +
                     " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode /Length " +
                     QByteArray::number(jpeg.size()) + " >>\nstream\n" + jpeg + "\nendstream";
    // The picture's first row at the rectangle's top.
    content_ += "q " + number(twips.width()) + " 0 0 " + number(-twips.height()) + ' ' +
                number(twips.x()) + ' ' + number(twips.y() + twips.height()) + " cm /P" +
                QByteArray::number(pictures_.size()) + " Do Q\n";
    return true;
}

void PdfPage::drawLine(const QLine &twips, const QColor &c)
{
    // Width 0: the thinnest line the device draws.
    content_ += "q " + colour(c) + " RG 0 w " + number(twips.x1()) + ' ' + number(twips.y1()) +
                " m " + number(twips.x2()) + ' ' + number(twips.y2()) + " l S Q\n";
}

QByteArray PdfPage::document() const
{
    const double width = geometry_.paperWidth * PointsPerHundredthMm;
    const double length = geometry_.paperLength * PointsPerHundredthMm;
    // Twips from the printable area's top-left corner, y downwards.
    const QByteArray content = "q " + number(PointsPerTwip) + " 0 0 " + number(-PointsPerTwip) +
                               ' ' + number(geometry_.left * PointsPerHundredthMm) + ' ' +
                               number(length - geometry_.top * PointsPerHundredthMm) + " cm\n" +
                               content_ + "Q\n";

    QByteArray names;
    for (qsizetype i = 1; i <= pictures_.size(); ++i)
        names += " /P" + QByteArray::number(i) + ' ' + QByteArray::number(5 + i) + " 0 R";
    // The pictures' and lines' colours are sRGB, as the pictures were made
    // at decoding: an output intent says so for the whole page.
    const QByteArray &icc = srgbProfile();
    const QByteArray intent =
        icc.isEmpty() ? QByteArray()
                      : " /OutputIntents [<< /Type /OutputIntent /S /GTS_PDFA1"
                        " /OutputConditionIdentifier (sRGB IEC61966-2.1) /Info (sRGB IEC61966-2.1)"
                        " /DestOutputProfile " +
                            QByteArray::number(6 + pictures_.size()) + " 0 R >>]";
    QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R" + intent + " >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(width) + ' ' + number(length) +
            "] /Resources << /XObject <<" + names + " >> >> /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content +
            "endstream",
        "<< /Title (Quillane cover sheet) /Creator (" QUILLANE_NAME_AND_VERSION ") >>",
    };
    objects += pictures_;
    if (!icc.isEmpty())
        objects << "<< /N 3 /Length " + QByteArray::number(icc.size()) + " >>\nstream\n" + icc +
                       "\nendstream";

    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets << pdf.size();
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) +
           " /Root 1 0 R /Info 5 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return pdf;
}

} // namespace quillane
