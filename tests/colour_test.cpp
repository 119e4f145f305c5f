// Colour-true covers: pictures with colour profiles, EXIF's Adobe RGB mark,
// PNG gamma and CMYK, as the slot shows them and as the printer gets them,
// against LittleCMS's own conversion of the same file to sRGB (relative
// colorimetric), measured in CIEDE2000 on 16 flat patches.
#include "app/MainWindow.h"
#include "covers/CoverSlot.h"
#include "doubles/TestEnvironment.h"
#include "platform/ColourConversion.h"
#include "platform/QtPictureDecoder.h"
#include "print_answers.h"

#include <QBuffer>
#include <QCheckBox>
#include <QColorSpace>
#include <QFile>
#include <QTest>
#include <QtEndian>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>
#include <lcms2.h>

using namespace quillane;

namespace {

constexpr int Side = 256; // 4 x 4 patches of 64 pixels
using Sample = std::array<uchar, 4>;

// Saturated primaries and secondaries, greys, and colours of skin, foliage and sky.
const Sample RgbPatches[16] = {
    {255, 0, 0},     {0, 255, 0},   {0, 0, 255},     {255, 255, 0},
    {0, 255, 255},   {255, 0, 255}, {255, 255, 255}, {0, 0, 0},
    {128, 128, 128}, {64, 64, 64},  {192, 192, 192}, {200, 120, 90},
    {90, 140, 60},   {50, 90, 170}, {230, 180, 40},  {120, 40, 110},
};
// Ink amounts, 0 for none.
const Sample CmykPatches[16] = {
    {0, 0, 0, 0},    {255, 0, 0, 0},   {0, 255, 0, 0},       {0, 0, 255, 0},
    {0, 0, 0, 255},  {255, 255, 0, 0}, {0, 255, 255, 0},     {255, 0, 255, 0},
    {128, 0, 0, 0},  {0, 128, 0, 0},   {0, 0, 128, 0},       {0, 0, 0, 128},
    {60, 40, 40, 0}, {20, 60, 80, 10}, {100, 100, 100, 100}, {200, 150, 50, 30},
};

// The samples of a picture of patches, components bytes a pixel.
QByteArray patchSamples(const Sample (&patches)[16], int components, bool inverted = false)
{
    QByteArray samples(Side * Side * components, Qt::Uninitialized);
    for (int y = 0; y < Side; ++y) {
        for (int x = 0; x < Side; ++x) {
            const Sample &patch = patches[y / 64 * 4 + x / 64];
            for (int c = 0; c < components; ++c)
                samples[(y * Side + x) * components + c] =
                    char(inverted ? 255 - patch[c] : patch[c]);
        }
    }
    return samples;
}

QImage rgbPicture()
{
    const QByteArray samples = patchSamples(RgbPatches, 3);
    return QImage(reinterpret_cast<const uchar *>(samples.constData()), Side, Side, Side * 3,
                  QImage::Format_RGB888)
        .convertToFormat(QImage::Format_RGB32);
}

// ---- Profiles, made with LittleCMS ----

QByteArray saved(cmsHPROFILE profile)
{
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    QByteArray icc(qsizetype(size), '\0');
    cmsSaveProfileToMem(profile, icc.data(), &size);
    cmsCloseProfile(profile);
    return icc;
}

QByteArray rgbProfile(cmsCIExyY white, cmsCIExyYTRIPLE primaries, cmsToneCurve *curve)
{
    cmsToneCurve *curves[3] = {curve, curve, curve};
    const QByteArray icc = saved(cmsCreateRGBProfile(&white, &primaries, curves));
    cmsFreeToneCurve(curve);
    return icc;
}

const cmsCIExyY D65{0.3127, 0.3290, 1};
QByteArray adobeRgb()
{
    return rgbProfile(D65, {{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 563.0 / 256));
}
QByteArray displayP3()
{
    const double srgbCurve[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    return rgbProfile(D65, {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}},
                      cmsBuildParametricToneCurve(nullptr, 4, srgbCurve));
}
QByteArray proPhoto()
{
    return rgbProfile({0.3457, 0.3585, 1},
                      {{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}},
                      cmsBuildGamma(nullptr, 1.8));
}
QByteArray gamma18()
{
    return rgbProfile(D65, {{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}},
                      cmsBuildGamma(nullptr, 1.8));
}
QByteArray srgb()
{
    return saved(cmsCreate_sRGBProfile());
}
QByteArray grayProfile()
{
    cmsToneCurve *curve = cmsBuildGamma(nullptr, 1.8);
    const QByteArray icc = saved(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    return icc;
}

// A press of its own, unlike the default one: inks with a heavy dot gain.
int sampleInks(const cmsUInt16Number in[], cmsUInt16Number out[], void *toLab)
{
    cmsUInt16Number rgb[3];
    const double k = 1 - std::pow(in[3] / 65535.0, 0.6);
    for (int c = 0; c < 3; ++c)
        rgb[c] = cmsUInt16Number(65535 * (1 - std::pow(in[c] / 65535.0, 0.6)) * k);
    cmsDoTransform(toLab, rgb, out, 1);
    return TRUE;
}
QByteArray cmykProfile(int gridPoints = 9)
{
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHPROFILE rgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM toLab =
        cmsCreateTransform(rgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
    cmsSetProfileVersion(profile, 4.3);
    cmsSetDeviceClass(profile, cmsSigOutputClass);
    cmsSetColorSpace(profile, cmsSigCmykData);
    cmsSetPCS(profile, cmsSigLabData);
    cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsPipeline *pipeline = cmsPipelineAlloc(nullptr, 4, 3);
    cmsStage *table = cmsStageAllocCLut16bit(nullptr, cmsUInt32Number(gridPoints), 4, 3, nullptr);
    cmsStageSampleCLut16bit(table, sampleInks, toLab, 0);
    // Curves on either side, which the profile's table type requires.
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, nullptr));
    cmsPipelineInsertStage(pipeline, cmsAT_END, table);
    cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(profile, cmsSigAToB0Tag, pipeline);
    cmsPipelineFree(pipeline);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(rgb);
    cmsCloseProfile(lab);
    return saved(profile);
}

QByteArray defaultCmyk()
{
    QFile file(colour::DefaultCmykProfile);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// ---- Files ----

struct Jpeg {
    J_COLOR_SPACE stored = JCS_YCbCr; // JCS_YCbCr, JCS_CMYK, JCS_YCCK or JCS_GRAYSCALE
    bool adobeMarker = false;
    QByteArray icc;
    QByteArray exif; // APP1's data
};

// The patches as a JPEG of quality 100 without subsampling.
QByteArray writeJpeg(const Jpeg &spec)
{
    const bool cmyk = spec.stored == JCS_CMYK || spec.stored == JCS_YCCK;
    const int components = cmyk ? 4 : spec.stored == JCS_GRAYSCALE ? 1 : 3;
    const QByteArray samples = cmyk ? patchSamples(CmykPatches, 4, spec.adobeMarker)
                                    : patchSamples(RgbPatches, components);
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = info.image_height = Side;
    info.input_components = components;
    info.in_color_space = cmyk ? JCS_CMYK : components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, spec.stored);
    info.write_Adobe_marker = spec.adobeMarker;
    jpeg_set_quality(&info, 100, TRUE);
    for (int c = 0; c < components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    if (!spec.icc.isEmpty())
        jpeg_write_icc_profile(&info, reinterpret_cast<const JOCTET *>(spec.icc.constData()),
                               unsigned(spec.icc.size()));
    if (!spec.exif.isEmpty())
        jpeg_write_marker(&info, JPEG_APP0 + 1,
                          reinterpret_cast<const JOCTET *>(spec.exif.constData()),
                          unsigned(spec.exif.size()));
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char *>(samples.constData())) +
                       info.next_scanline * Side * components;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const QByteArray file(reinterpret_cast<const char *>(buffer), qsizetype(size));
    std::free(buffer);
    return file;
}

// A JPEG's samples as the file stores them, untouched: RGB, CMYK or grey.
QByteArray rawJpegSamples(const QByteArray &file, int *components)
{
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const uchar *>(file.constData()), file.size());
    jpeg_read_header(&info, TRUE);
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk                                     ? JCS_CMYK
                           : info.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE
                                                                    : JCS_RGB;
    jpeg_start_decompress(&info);
    *components = info.output_components;
    QByteArray samples(qsizetype(info.output_width) * info.output_height * *components, '\0');
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(samples.data()) +
                       qsizetype(info.output_scanline) * info.output_width * *components;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return samples;
}

// An EXIF block that says Adobe RGB as cameras do: colour space
// "uncalibrated" and the interoperability index "R03".
QByteArray adobeExif()
{
    return "Exif" + QByteArray(2, '\0') +
           QByteArray::fromHex("49492a0008000000" // little-endian TIFF, IFD0 at 8
                               "010069870400010000001a00000000000000" // the Exif IFD at 26
                               "020001a0030001000000ffff0000"         // colour space uncalibrated
                               "05a00400010000003800000000000000" // the interoperability IFD at 56
                               "010001000200040000005230330000000000"); // its index "R03"
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

QByteArray saved(const QImage &image, const char *format, const QByteArray &icc = {})
{
    QImage tagged = image;
    if (!icc.isEmpty())
        tagged.setColorSpace(QColorSpace::fromIccProfile(icc));
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    tagged.save(&buffer, format, 100);
    return file;
}

// The untagged PNG of the patches with one more chunk after its header.
QByteArray pngWith(const QByteArray &type, const QByteArray &data)
{
    QByteArray length(4, '\0'), crc(4, '\0');
    qToBigEndian<quint32>(quint32(data.size()), length.data());
    qToBigEndian<quint32>(crc32(type + data), crc.data());
    return saved(rgbPicture(), "PNG").insert(33, length + type + data + crc);
}

QByteArray pngWithGamma18()
{
    QByteArray gamma(4, '\0');
    qToBigEndian<quint32>(55556, gamma.data());
    return pngWith("gAMA", gamma);
}

QByteArray pngWithProfile(const QByteArray &icc)
{
    return pngWith("iCCP", QByteArray("profile") + '\0' + '\0' + qCompress(icc).mid(4));
}

// ---- Measuring ----

using Patches = QList<std::array<double, 4>>;

// The mean of each patch's middle half, so that edges blurred by scaling do not count.
Patches patchMeans(const uchar *samples, int width, int height, qsizetype stride, int components)
{
    Patches means;
    for (int patch = 0; patch < 16; ++patch) {
        const int x0 = (patch % 4 * 4 + 1) * width / 16, x1 = (patch % 4 * 4 + 3) * width / 16;
        const int y0 = (patch / 4 * 4 + 1) * height / 16, y1 = (patch / 4 * 4 + 3) * height / 16;
        std::array<double, 4> sum{};
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                for (int c = 0; c < components; ++c)
                    sum[c] += samples[y * stride + x * components + c];
        for (double &s : sum)
            s /= double(x1 - x0) * (y1 - y0);
        means << sum;
    }
    return means;
}

Patches patchMeans(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    return patchMeans(rgb.constBits(), rgb.width(), rgb.height(), rgb.bytesPerLine(), 3);
}

// Each patch in sRGB as LittleCMS turns the file's own samples into it;
// without a profile the samples are sRGB already.
Patches reference(const QByteArray &file, const QByteArray &profile, bool inverted)
{
    int components = 3;
    Patches raw;
    if (file.startsWith("\xFF\xD8")) {
        const QByteArray samples = rawJpegSamples(file, &components);
        raw = patchMeans(reinterpret_cast<const uchar *>(samples.constData()), Side, Side,
                         Side * components, components);
    } else {
        raw = patchMeans(QImage::fromData(file));
    }
    if (profile.isEmpty())
        return raw;
    cmsHPROFILE from = cmsOpenProfileFromMem(profile.constData(), cmsUInt32Number(profile.size()));
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    const cmsUInt32Number format = components == 4   ? (inverted ? TYPE_CMYK_8_REV : TYPE_CMYK_8)
                                   : components == 1 ? TYPE_GRAY_8
                                                     : TYPE_RGB_8;
    cmsHTRANSFORM transform =
        from ? cmsCreateTransform(from, format, to, TYPE_RGB_8, INTENT_RELATIVE_COLORIMETRIC, 0)
             : nullptr;
    Patches converted;
    if (!transform)
        return converted;
    for (const auto &mean : std::as_const(raw)) {
        uchar in[4], out[3];
        for (int c = 0; c < 4; ++c)
            in[c] = uchar(qRound(mean[c]));
        cmsDoTransform(transform, in, out, 1);
        converted << std::array<double, 4>{double(out[0]), double(out[1]), double(out[2]), 0};
    }
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    return converted;
}

struct Difference {
    double mean = 0;
    double max = 0;
};

Difference deltaE2000(const Patches &got, const Patches &expected)
{
    static const auto toLab = [] {
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

} // namespace

class ColourTest : public QObject {
    Q_OBJECT

    test::ConfigHome home_;
    QTemporaryDir files_;
    test::TestPlatform platform_;
    std::unique_ptr<MainWindow> window_;

    // Loads file into the front slot and prints the front cover; the picture
    // the slot shows and the one the printer gets. A message closes and
    // leaves both null.
    std::pair<QImage, QImage> loadAndPrint(const QByteArray &file)
    {
        const QString path = test::writeBytes(files_, QString::number(++files), file);
        test::ModalAnswers answers;
        bool failed = false;
        for (int i = 0; i < 3; ++i) {
            answers.answers << [&failed](QWidget *window) {
                failed = window->objectName() != "Form7";
                test::clickChild(window, failed ? "Command2" : "Command1");
            };
        }
        answers.start();
        platform_.commonDialog.openAnswers << path;
        test::clickChild(window_.get(), "Image1");
        platform_.printer.painted.clear();
        if (!failed && window_->frontSlot().path() == path)
            test::clickChild(window_.get(), "Command3");
        answers.stop();
        if (failed || platform_.printer.painted.size() != 1)
            return {};
        return {window_->frontSlot().box()->shown(), platform_.printer.painted[0]};
    }
    int files = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(!defaultCmyk().isEmpty(), colour::DefaultCmykProfile);
        platform_.printer.printers = {"Fake"};
        platform_.printer.area.pictureDensity = 100; // the 256-pixel picture travels whole
        window_ = test::showMainWindow(platform_.platform);
        if (window_->printBackBox()->isChecked())
            test::clickChild(window_.get(), "Check2");
        if (!window_->printFrontBox()->isChecked())
            test::clickChild(window_.get(), "Check1");

        // The profiles the tests make are the profile fuzzer's seeds.
        if (const QByteArray seeds = qgetenv("QUILLANE_SAVE_SEEDS"); !seeds.isEmpty()) {
            const QList<std::pair<const char *, QByteArray>> profiles = {
                {"adobe-rgb.icc", adobeRgb()},
                {"display-p3.icc", displayP3()},
                {"gray.icc", grayProfile()},
                {"cmyk.icc", cmykProfile(3)},
                {"srgb.icc", srgb()}};
            for (const auto &[name, icc] : profiles) {
                QFile seed(QString::fromLocal8Bit(seeds) + '/' + name);
                QVERIFY(seed.open(QIODevice::WriteOnly) && seed.write(icc) == icc.size());
            }
        }
    }

    void slotAndPageMatchLittleCms_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("profile"); // the reference's; none for sRGB
        QTest::addColumn<bool>("inverted");

        const QImage picture = rgbPicture();
        QTest::newRow("sRGB JPEG, untagged") << writeJpeg({}) << QByteArray() << false;
        QTest::newRow("sRGB JPEG with its profile")
            << writeJpeg({JCS_YCbCr, false, srgb(), {}}) << QByteArray() << false;
        QTest::newRow("Adobe RGB JPEG with its profile")
            << writeJpeg({JCS_YCbCr, false, adobeRgb(), {}}) << adobeRgb() << false;
        QTest::newRow("Adobe RGB PNG with iCCP")
            << pngWithProfile(adobeRgb()) << adobeRgb() << false;
        QTest::newRow("Adobe RGB TIFF with its profile")
            << saved(picture, "TIFF", adobeRgb()) << adobeRgb() << false;
        QTest::newRow("Adobe RGB WebP with its profile")
            << saved(picture, "WEBP", adobeRgb()) << adobeRgb() << false;
        QTest::newRow("Adobe RGB JPEG marked only by EXIF")
            << writeJpeg({JCS_YCbCr, false, {}, adobeExif()}) << adobeRgb() << false;
        QTest::newRow("Display P3 JPEG with its profile")
            << writeJpeg({JCS_YCbCr, false, displayP3(), {}}) << displayP3() << false;
        QTest::newRow("ProPhoto JPEG with its profile")
            << writeJpeg({JCS_YCbCr, false, proPhoto(), {}}) << proPhoto() << false;
        QTest::newRow("PNG with only gAMA 1/1.8") << pngWithGamma18() << gamma18() << false;
        QTest::newRow("grey JPEG with a grey profile")
            << writeJpeg({JCS_GRAYSCALE, false, grayProfile(), {}}) << grayProfile() << false;
        QTest::newRow("CMYK JPEG, Adobe marker, no profile: the default press")
            << writeJpeg({JCS_CMYK, true, {}, {}}) << defaultCmyk() << true;
        QTest::newRow("CMYK JPEG, Adobe marker, its own profile")
            << writeJpeg({JCS_CMYK, true, cmykProfile(), {}}) << cmykProfile() << true;
        QTest::newRow("YCCK JPEG, Adobe marker, its own profile")
            << writeJpeg({JCS_YCCK, true, cmykProfile(), {}}) << cmykProfile() << true;
        QTest::newRow("CMYK JPEG without the Adobe marker, its own profile")
            << writeJpeg({JCS_CMYK, false, cmykProfile(), {}}) << cmykProfile() << false;
        QTest::newRow("CMYK JPEG without the Adobe marker or a profile")
            << writeJpeg({JCS_CMYK, false, {}, {}}) << defaultCmyk() << false;

        // Profiles that cannot be used: shown as if untagged, the default press for CMYK.
        QByteArray damaged = adobeRgb();
        damaged.truncate(damaged.size() / 2);
        QByteArray scrambled = adobeRgb();
        for (qsizetype i = 128; i < scrambled.size(); i += 3)
            scrambled[i] = char(~scrambled[i]);
        QTest::newRow("damaged profile: cut in half")
            << writeJpeg({JCS_YCbCr, false, damaged, {}}) << QByteArray() << false;
        QTest::newRow("damaged profile: scrambled tags")
            << writeJpeg({JCS_YCbCr, false, scrambled, {}}) << QByteArray() << false;
        QTest::newRow("damaged profile in a PNG")
            << pngWithProfile(damaged) << QByteArray() << false;
        QTest::newRow("a CMYK profile in an RGB JPEG")
            << writeJpeg({JCS_YCbCr, false, cmykProfile(), {}}) << QByteArray() << false;
        QTest::newRow("CMYK JPEG with a damaged profile")
            << writeJpeg({JCS_CMYK, true, damaged, {}}) << defaultCmyk() << true;
        QTest::newRow("CMYK JPEG with an RGB profile")
            << writeJpeg({JCS_CMYK, true, adobeRgb(), {}}) << defaultCmyk() << true;
    }

    void slotAndPageMatchLittleCms()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, profile);
        QFETCH(bool, inverted);
        const auto [slot, page] = loadAndPrint(file);
        QVERIFY2(!slot.isNull() && !page.isNull(), "the picture did not load or print");
        QCOMPARE(page.size(), QSize(Side, Side));

        const Patches expected = reference(file, profile, inverted);
        QCOMPARE(expected.size(), 16);
        const Difference onSlot = deltaE2000(patchMeans(slot), expected);
        const Difference onPage = deltaE2000(patchMeans(page), expected);
        qInfo("%-55s slot %.2f / %.2f  page %.2f / %.2f", QTest::currentDataTag(), onSlot.mean,
              onSlot.max, onPage.mean, onPage.max);
        QVERIFY2(onSlot.mean <= 1 && onSlot.max <= 2, "slot");
        QVERIFY2(onPage.mean <= 1 && onPage.max <= 2, "page");
    }

    // Nothing tags it, or an sRGB profile does: the decoder's pixels are
    // libjpeg's and the PNG's own, bit for bit.
    void sRgbPixelsStayAsTheyAre()
    {
        QtPictureDecoder decoder;
        const QByteArray untagged = writeJpeg({});
        int components = 0;
        const QByteArray samples = rawJpegSamples(untagged, &components);
        const QImage libjpeg = QImage(reinterpret_cast<const uchar *>(samples.constData()), Side,
                                      Side, Side * 3, QImage::Format_RGB888)
                                   .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(decoder.decodeBytes(untagged, "untagged.jpg").image, libjpeg);
        QCOMPARE(decoder.decodeBytes(writeJpeg({JCS_YCbCr, false, srgb(), {}}), "srgb.jpg").image,
                 libjpeg);
        QCOMPARE(decoder.decodeBytes(saved(rgbPicture(), "PNG"), "untagged.png").image,
                 rgbPicture());
    }

    // A profile counts in the memory a picture may take.
    void profileCountsInTheMemoryLimit()
    {
        const QByteArray icc = adobeRgb();
        QtPictureDecoder decoder(colour::workingBytes(icc.size()));
        QVERIFY(decoder.decodeBytes(writeJpeg({}), "untagged.jpg").ok());
        const DecodedPicture tagged =
            decoder.decodeBytes(writeJpeg({JCS_YCbCr, false, icc, {}}), "tagged.jpg");
        QVERIFY(!tagged.ok());
        QVERIFY2(tagged.failure->description.contains("too large"),
                 qPrintable(tagged.failure->description));
    }
};

QTEST_MAIN(ColourTest)
#include "colour_test.moc"
