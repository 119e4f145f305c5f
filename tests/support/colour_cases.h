// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures of 16 flat patches in every colour form a file may take, each with
// the sRGB that LittleCMS makes of what the file holds, and the CIEDE2000
// distance of a picture's patches from it; shared by colour_test and the
// figures tool that prints the distances.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "pictures/ColourConversion.h"
#include "support/TestEnvironment.h"
#include "support/jpeg_writer.h"

#include <QBuffer>
#include <QCheckBox>
#include <QColorSpace>
#include <QtEndian>

#include <array>
#include <memory>

#include <lcms2.h>

namespace quillane::test::colourcases {

constexpr int Side = 256; // 4 x 4 patches of 64 pixels
using Sample = std::array<uchar, 4>;

// Primaries and secondaries, greys, skin, foliage and sky.
inline const Sample Rgb[16] = {
    {255, 0, 0},     {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
    {0, 255, 255},   {255, 0, 255}, {255, 255, 255}, {0, 0, 0},
    {128, 128, 128}, {64, 64, 64},  {192, 192, 192}, {200, 120, 90},
    {90, 140, 60},   {50, 90, 170}, {230, 180, 40},  {120, 40, 110},
};
// Inks, 0 for none.
inline const Sample Cmyk[16] = {
    {0, 0, 0, 0},    {255, 0, 0, 0},   {0, 255, 0, 0},       {0, 0, 255, 0},
    {0, 0, 0, 255},  {255, 255, 0, 0}, {0, 255, 255, 0},     {255, 0, 255, 0},
    {128, 0, 0, 0},  {0, 128, 0, 0},   {0, 0, 128, 0},       {0, 0, 0, 128},
    {60, 40, 40, 0}, {20, 60, 80, 10}, {100, 100, 100, 100}, {200, 150, 50, 30},
};

enum Kind { RgbKind, GrayKind, CmykKind };

// The patches' samples, components bytes a pixel; Adobe's CMYK is inverted.
inline QByteArray samples(Kind kind, bool inverted = false)
{
    const int components = kind == CmykKind ? 4 : kind == GrayKind ? 1 : 3;
    const Sample *patches = kind == CmykKind ? Cmyk : Rgb;
    QByteArray bytes(Side * Side * components, Qt::Uninitialized);
    for (int i = 0; i < Side * Side; ++i) {
        const Sample &patch = patches[i / Side / 64 * 4 + i % Side / 64];
        for (int c = 0; c < components; ++c)
            bytes[i * components + c] = char(inverted ? 255 - patch[c] : patch[c]);
    }
    return bytes;
}

inline QImage rgbPicture()
{
    static const QByteArray rgb = samples(RgbKind);
    return QImage(reinterpret_cast<const uchar *>(rgb.constData()), Side, Side, Side * 3,
                  QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

inline QByteArray jpeg(J_COLOR_SPACE stored, bool adobeMarker = false, const QByteArray &icc = {},
                       const QByteArray &exif = {})
{
    const Kind kind = stored == JCS_GRAYSCALE ? GrayKind : stored == JCS_YCbCr ? RgbKind : CmykKind;
    return test::writeJpeg(samples(kind, adobeMarker), QSize(Side, Side), stored, adobeMarker, icc,
                           exif);
}

// ---- Profiles: RGB ones made with LittleCMS, CMYK ones from Debian ----

inline QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray icc(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, icc.data(), &size);
    cmsCloseProfile(profile);
    return icc;
}

inline QByteArray rgbProfile(cmsCIExyY white, cmsCIExyYTRIPLE primaries, cmsToneCurve *curve)
{
    cmsToneCurve *curves[3] = {curve, curve, curve};
    const QByteArray icc = saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return icc;
}

const cmsCIExyY D65{0.3127, 0.3290, 1};
inline QByteArray adobeRgb()
{
    return rgbProfile(D65, {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 563.0 / 256));
}
inline QByteArray displayP3()
{
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return rgbProfile(D65, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
}
inline QByteArray proPhoto()
{
    return rgbProfile({0.3457, 0.3585, 1},
                      {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}},
                      cmsBuildGamma(nullptr, 1.8));
}
// What Qt reads a PNG's gAMA 1/1.8 as: sRGB's primaries with that gamma.
inline QByteArray gamma18()
{
    return rgbProfile(D65, {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 1.8));
}
inline QByteArray gray18()
{
    cmsToneCurve *curve = cmsBuildGamma(nullptr, 1.8);
    const QByteArray icc = saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return icc;
}
inline QByteArray defaultCmyk()
{
    return test::fileBytes(colour::DefaultCmykProfile);
}
// Another press than the default one, for files that bring their own.
inline QByteArray ownCmyk()
{
    return test::fileBytes("/usr/share/color/icc/ghostscript/ps_cmyk.icc");
}

// ---- PNG and Qt's other writers ----

inline QByteArray saved(const QImage &image, const char *format, const QByteArray &icc = {})
{
    QImage tagged = image;
    tagged.setColorSpace(QColorSpace::fromIccProfile(icc));
    return test::encoded(tagged, format, 100);
}

// The untagged PNG with a gAMA chunk of 1/1.8 after its header.
inline QByteArray pngWithGamma18()
{
    return saved(rgbPicture(), "PNG")
        .insert(33, test::pngChunk("gAMA", QByteArray::fromHex("0000d904")));
}

// An EXIF block that says Adobe RGB as cameras do: colour space
// "uncalibrated" and the interoperability index "R03".
inline QByteArray adobeExif()
{
    return "Exif" + QByteArray(2, '\0') +
           QByteArray::fromHex("49492a0008000000" // little-endian TIFF, IFD0 at 8
                               "010069870400010000001a00000000000000" // the Exif IFD at 26
                               "020001a0030001000000ffff0000"         // colour space uncalibrated
                               "05a00400010000003800000000000000" // the interoperability IFD at 56
                               "010001000200040000005230330000000000"); // its index "R03"
}

// ---- Measuring ----

using Patches = QList<std::array<double, 3>>;

// The mean of each patch's middle, away from edges that scaling blurs.
inline Patches patchMeans(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    Patches means;
    for (int patch = 0; patch < 16; ++patch) {
        const int x0 = (patch % 4 * 4 + 1) * rgb.width() / 16, x1 = x0 + rgb.width() / 8;
        const int y0 = (patch / 4 * 4 + 1) * rgb.height() / 16, y1 = y0 + rgb.height() / 8;
        std::array<double, 3> sum{};
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c)
                    sum[c] += rgb.constScanLine(y)[x * 3 + c] / (double(x1 - x0) * (y1 - y0));
        means << sum;
    }
    return means;
}

// The patches in sRGB as LittleCMS turns them from profile; without one
// they are sRGB already.
inline Patches reference(Kind kind, const QByteArray &profile)
{
    Patches expected;
    cmsHPROFILE from = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    const cmsUInt32Number format = kind == CmykKind   ? TYPE_CMYK_8
                                   : kind == GrayKind ? TYPE_GRAY_8
                                                      : TYPE_RGB_8;
    cmsHTRANSFORM transform =
        from ? cmsCreateTransform(from, format, srgb, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0)
             : nullptr;
    for (const Sample &patch : kind == CmykKind ? Cmyk : Rgb) {
        Sample rgb = kind == GrayKind ? Sample{patch[0], patch[0], patch[0]} : patch;
        if (transform)
            cmsDoTransform(transform, patch.data(), rgb.data(), 1);
        else if (!profile.isEmpty())
            return {};
        expected << std::array<double, 3>{double(rgb[0]), double(rgb[1]), double(rgb[2])};
    }
    if (transform)
        cmsDeleteTransform(transform);
    if (from)
        cmsCloseProfile(from);
    cmsCloseProfile(srgb);
    return expected;
}

struct Difference {
    double mean = 0;
    double max = 0;
};

inline Difference deltaE2000(const Patches &got, const Patches &expected)
{
    static const cmsHTRANSFORM toLab = [] {
        cmsHPROFILE rgb = cmsCreate_sRGBProfile();
        cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
        cmsHTRANSFORM transform = cmsCreateTransform(rgb, TYPE_RGB_DBL, lab, TYPE_Lab_DBL,
                                                     INTENT_RELATIVE_COLORIMETRIC, 0);
        cmsCloseProfile(rgb);
        cmsCloseProfile(lab);
        return transform;
    }();
    Difference difference;
    for (qsizetype i = 0; i < got.size(); ++i) {
        cmsCIELab lab[2];
        for (int which = 0; which < 2; ++which) {
            const auto &rgb = which ? expected[i] : got[i];
            const double unit[3] = {rgb[0] / 255, rgb[1] / 255, rgb[2] / 255};
            cmsDoTransform(toLab, unit, &lab[which], 1);
        }
        const double e = cmsCIE2000DeltaE(&lab[0], &lab[1], 1, 1, 1);
        difference.mean += e / double(got.size());
        difference.max = std::max(difference.max, e);
    }
    return difference;
}

struct Row {
    const char *name;
    QByteArray file;
    Kind kind;
    QByteArray profile; // the reference's; none for sRGB
};

inline QList<Row> rows()
{
    QList<Row> rows;
    const QImage picture = rgbPicture();
    const QByteArray none;
    rows.append({"sRGB JPEG, untagged", jpeg(JCS_YCbCr), RgbKind, none});
    rows.append({"sRGB JPEG with its profile",
                 jpeg(JCS_YCbCr, false, saved(cmsCreate_sRGBProfile())), RgbKind, none});
    rows.append({"Adobe RGB JPEG with its profile", jpeg(JCS_YCbCr, false, adobeRgb()), RgbKind,
                 adobeRgb()});
    rows.append(
        {"Adobe RGB PNG with iCCP", saved(picture, "PNG", adobeRgb()), RgbKind, adobeRgb()});
    rows.append({"Adobe RGB TIFF with its profile", saved(picture, "TIFF", adobeRgb()), RgbKind,
                 adobeRgb()});
    rows.append({"Adobe RGB JPEG marked only by EXIF", jpeg(JCS_YCbCr, false, {}, adobeExif()),
                 RgbKind, adobeRgb()});
    rows.append({"Display P3 JPEG with its profile", jpeg(JCS_YCbCr, false, displayP3()), RgbKind,
                 displayP3()});
    rows.append({"ProPhoto JPEG with its profile", jpeg(JCS_YCbCr, false, proPhoto()), RgbKind,
                 proPhoto()});
    rows.append({"PNG with only gAMA 1/1.8", pngWithGamma18(), RgbKind, gamma18()});
    rows.append({"grey JPEG with a grey profile", jpeg(JCS_GRAYSCALE, false, gray18()), GrayKind,
                 gray18()});
    rows.append({"CMYK JPEG, Adobe marker, no profile: the default press", jpeg(JCS_CMYK, true),
                 CmykKind, defaultCmyk()});
    rows.append({"CMYK JPEG, Adobe marker, its own profile", jpeg(JCS_CMYK, true, ownCmyk()),
                 CmykKind, ownCmyk()});
    rows.append({"YCCK JPEG, Adobe marker, its own profile", jpeg(JCS_YCCK, true, ownCmyk()),
                 CmykKind, ownCmyk()});
    rows.append({"CMYK JPEG without the Adobe marker, its own profile",
                 jpeg(JCS_CMYK, false, ownCmyk()), CmykKind, ownCmyk()});
    rows.append({"CMYK JPEG without the Adobe marker or a profile", jpeg(JCS_CMYK, false), CmykKind,
                 defaultCmyk()});

    // Profiles that cannot be used: as if untagged, the default press for CMYK.
    const QByteArray cut = adobeRgb().chopped(200);
    const auto scrambled = [](QByteArray icc) {
        for (qsizetype i = 128; i < icc.size(); i += 3)
            icc[i] = char(~icc[i]);
        return icc;
    };
    rows.append({"damaged profile: cut short", jpeg(JCS_YCbCr, false, cut), RgbKind, none});
    rows.append({"damaged profile: scrambled tags", jpeg(JCS_YCbCr, false, scrambled(adobeRgb())),
                 RgbKind, none});
    rows.append(
        {"a CMYK profile in an RGB JPEG", jpeg(JCS_YCbCr, false, ownCmyk()), RgbKind, none});
    rows.append({"CMYK JPEG with a damaged profile", jpeg(JCS_CMYK, true, scrambled(ownCmyk())),
                 CmykKind, defaultCmyk()});
    rows.append({"CMYK JPEG with an RGB profile", jpeg(JCS_CMYK, true, adobeRgb()), CmykKind,
                 defaultCmyk()});
    return rows;
}

// The main window on doubles, printing the front cover alone to a printer
// that takes the picture whole.
class Bench {
public:
    Bench()
    {
        platform_.printer.printers = {"Fake"};
        platform_.printer.area.pictureDensity = 100;
        window_ = showMainWindow(platform_.platform);
        if (window_->printBackBox()->isChecked())
            clickChild(window_.get(), "Check2");
        if (!window_->printFrontBox()->isChecked())
            clickChild(window_.get(), "Check1");
    }

    // Loads file into the front slot and prints the front cover: the picture
    // the slot shows and the one the printer gets; both null when a message
    // came instead (it is closed).
    std::pair<QImage, QImage> loadAndPrint(const QByteArray &file)
    {
        const QString path = writeBytes(files_, QString::number(++written_), file);
        bool failed = false;
        for (int i = 0; i < 3; ++i) {
            modals() << [&failed](QWidget *window) {
                failed = window->objectName() != "Form7";
                clickChild(window, failed ? "Command2" : "Command1");
            };
        }
        platform_.commonDialog.openAnswers << path;
        clickChild(window_.get(), "Image1");
        platform_.printer.painted.clear();
        if (!failed && window_->frontSlot().path() == path)
            clickChild(window_.get(), "Command3");
        modals().drop();
        if (failed || platform_.printer.painted.size() != 1)
            return {};
        return {window_->frontSlot().box()->shown(), platform_.printer.painted[0]};
    }

private:
    QTemporaryDir files_;
    TestPlatform platform_;
    std::unique_ptr<MainWindow> window_;
    int written_ = 0;
};

} // namespace quillane::test::colourcases
