// SPDX-License-Identifier: GPL-3.0-or-later
// Colour-true covers: pictures with colour profiles, EXIF's Adobe RGB mark,
// PNG gamma and CMYK, as the slot shows them and as the printer gets them,
// against LittleCMS's own conversion to sRGB (relative colorimetric) of what
// the files hold, in CIEDE2000 on 16 flat patches.
#include "pictures/ColourConversion.h"
#include "support/colour_cases.h"

#include <QBuffer>
#include <QCheckBox>
#include <QColorSpace>
#include <QTest>
#include <QtEndian>

#include <array>
#include <memory>

#include <lcms2.h>

using namespace quillane;

using namespace test::colourcases;

class ColourTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;
    std::unique_ptr<Bench> bench_;

private slots:
    void initTestCase()
    {
        QVERIFY2(!defaultCmyk().isEmpty() && !ownCmyk().isEmpty(), "libgs-common's profiles");
        bench_ = std::make_unique<Bench>();
    }

    void slotAndPageMatchLittleCms_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("profile");
        for (const Row &row : rows())
            QTest::newRow(row.name) << row.file << int(row.kind) << row.profile;
    }

    void slotAndPageMatchLittleCms()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, kind);
        QFETCH(QByteArray, profile);
        const auto [slot, page] = bench_->loadAndPrint(file);
        QVERIFY2(!slot.isNull() && !page.isNull(), "the picture did not load or print");
        QCOMPARE(page.size(), QSize(Side, Side));
        const Patches expected = reference(Kind(kind), profile);
        QCOMPARE(expected.size(), 16);

        const Difference onSlot = deltaE2000(patchMeans(slot), expected);
        const Difference onPage = deltaE2000(patchMeans(page), expected);
        const QString figures = QString("slot %1 / %2, page %3 / %4")
                                    .arg(onSlot.mean, 0, 'f', 2)
                                    .arg(onSlot.max, 0, 'f', 2)
                                    .arg(onPage.mean, 0, 'f', 2)
                                    .arg(onPage.max, 0, 'f', 2);
        QVERIFY2(onSlot.mean <= 1 && onSlot.max <= 2, qPrintable(figures));
        QVERIFY2(onPage.mean <= 1 && onPage.max <= 2, qPrintable(figures));
    }

    // Nothing tags it, or an sRGB profile does: the decoder's pixels are
    // libjpeg's and the PNG's own, bit for bit.
    void sRgbPixelsStayAsTheyAre()
    {
        QtPictureDecoder decoder;
        const QByteArray untagged = jpeg(JCS_YCbCr);
        const QImage libjpeg = QImage::fromData(untagged).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decoder.decodeBytes(untagged, "untagged.jpg").image, libjpeg);
        QCOMPARE(
            decoder.decodeBytes(jpeg(JCS_YCbCr, false, saved(cmsCreate_sRGBProfile())), "s.jpg")
                .image,
            libjpeg);
        QCOMPARE(decoder.decodeBytes(saved(rgbPicture(), "PNG"), "untagged.png").image,
                 rgbPicture());
    }

    // A profile counts in the memory a picture may take.
    void profileCountsInTheMemoryLimit()
    {
        const QByteArray icc = adobeRgb();
        QtPictureDecoder decoder(colour::workingBytes(icc.size()));
        QVERIFY(decoder.decodeBytes(jpeg(JCS_YCbCr), "untagged.jpg").ok());
        const DecodedPicture tagged =
            decoder.decodeBytes(jpeg(JCS_YCbCr, false, icc), "tagged.jpg");
        QVERIFY(!tagged.ok());
        QVERIFY2(tagged.failure->description.contains("too large"),
                 qPrintable(tagged.failure->description));
    }
};

QTEST_MAIN(ColourTest)
#include "colour_test.moc"
