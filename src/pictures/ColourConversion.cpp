// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures/ColourConversion.h"

#include <QColorSpace>
#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <lcms2_plugin.h>

namespace quillane::colour {

const char *const DefaultCmykProfile = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

namespace {

// ---- LittleCMS's memory, bounded while it reads a file's profile ----

// What one file's profile may still take; none while trusted data is read.
struct Budget {
    qint64 left;
    quint64 id; // never 0
};
thread_local Budget *currentBudget = nullptr;
thread_local quint64 budgetsOpened = 0;

// Every block starts with its size and the budget it was charged to (0 for
// none), so that it is given back to that budget only.
struct alignas(16) BlockHeader {
    std::size_t size;
    quint64 charged;
};

void *allocate(cmsContext, cmsUInt32Number size)
{
    Budget *budget = currentBudget;
    if (budget) {
        if (qint64(size) > budget->left)
            return nullptr;
        budget->left -= qint64(size);
    }
    auto *header = static_cast<BlockHeader *>(std::malloc(sizeof(BlockHeader) + size));
    if (!header) {
        if (budget)
            budget->left += qint64(size);
        return nullptr;
    }
    *header = {size, budget ? budget->id : 0};
    return header + 1;
}

void release(cmsContext, void *block)
{
    if (!block)
        return;
    BlockHeader *header = static_cast<BlockHeader *>(block) - 1;
    if (currentBudget && header->charged == currentBudget->id)
        currentBudget->left += qint64(header->size);
    std::free(header);
}

void *reallocate(cmsContext context, void *block, cmsUInt32Number size)
{
    void *moved = allocate(context, size);
    if (moved && block) {
        const BlockHeader *header = static_cast<const BlockHeader *>(block) - 1;
        std::memcpy(moved, block, std::min<std::size_t>(header->size, size));
        release(context, block);
    }
    return moved;
}

cmsContext littleCms()
{
    static cmsPluginMemHandler memory = [] {
        cmsPluginMemHandler handler{};
        handler.base.Magic = cmsPluginMagicNumber;
        handler.base.ExpectedVersion = 2060;
        handler.base.Type = cmsPluginMemHandlerSig;
        handler.MallocPtr = allocate;
        handler.FreePtr = release;
        handler.ReallocPtr = reallocate;
        return handler;
    }();
    static const cmsContext context = cmsCreateContext(&memory, nullptr);
    return context;
}

// Charges what LittleCMS allocates on this thread to a budget while it lives.
class BudgetScope {
public:
    explicit BudgetScope(qint64 bytes) : budget_{bytes, ++budgetsOpened}
    {
        currentBudget = &budget_;
    }
    ~BudgetScope() { currentBudget = nullptr; }
    BudgetScope(const BudgetScope &) = delete;
    BudgetScope &operator=(const BudgetScope &) = delete;

private:
    Budget budget_;
};

qint64 littleCmsBytes(qint64 profileBytes)
{
    return (qint64(8) << 20) + 4 * profileBytes;
}

struct ProfileCloser {
    void operator()(void *profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

bool usesTables(cmsHPROFILE profile)
{
    for (cmsTagSignature tag : {cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag, cmsSigDToB0Tag,
                                cmsSigDToB1Tag, cmsSigDToB2Tag}) {
        if (cmsIsTag(profile, tag))
            return true;
    }
    return false;
}

cmsUInt32Number formatOf(Samples samples)
{
    switch (samples) {
    case Samples::Gray:
        return TYPE_GRAY_8;
    case Samples::Cmyk:
        return TYPE_CMYK_8;
    case Samples::InvertedCmyk:
        return TYPE_CMYK_8_REV;
    case Samples::Bgrx:
        break;
    }
    return TYPE_BGRA_8;
}

cmsColorSpaceSignature modelOf(Samples samples)
{
    switch (samples) {
    case Samples::Gray:
        return cmsSigGrayData;
    case Samples::Cmyk:
    case Samples::InvertedCmyk:
        return cmsSigCmykData;
    case Samples::Bgrx:
        break;
    }
    return cmsSigRgbData;
}

bool isCmyk(Samples samples)
{
    return samples == Samples::Cmyk || samples == Samples::InvertedCmyk;
}

} // namespace

// ---- The engines ----

struct ToSrgb::Engine {
    virtual ~Engine() = default;
    virtual void convertRow(const uchar *in, uchar *out, int width) const = 0;
    virtual void convert(QImage &image) const
    {
        for (int y = 0; y < image.height(); ++y)
            convertRow(image.constScanLine(y), image.scanLine(y), image.width());
    }
};

namespace {

using EnginePointer = std::shared_ptr<const ToSrgb::Engine>;

// The sRGB side of every matrix-and-curve conversion, made once: sRGB's
// matrix from XYZ, and its curve as a table from linear light in 1.14 fixed
// point (0 to 16384) to 8-bit samples, rounded as LittleCMS rounds them.
struct SrgbOutput {
    cmsMAT3 fromXyz{};
    std::array<uchar, 16385> encode{};
    bool made = false;
};

bool colorantMatrix(cmsHPROFILE profile, cmsMAT3 *toXyz)
{
    const auto *red = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, cmsSigRedColorantTag));
    const auto *green = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, cmsSigGreenColorantTag));
    const auto *blue = static_cast<const cmsCIEXYZ *>(cmsReadTag(profile, cmsSigBlueColorantTag));
    if (!red || !green || !blue)
        return false;
    _cmsVEC3init(&toXyz->v[0], red->X, green->X, blue->X);
    _cmsVEC3init(&toXyz->v[1], red->Y, green->Y, blue->Y);
    _cmsVEC3init(&toXyz->v[2], red->Z, green->Z, blue->Z);
    return true;
}

const SrgbOutput &srgbOutput()
{
    // LittleCMS's own context: nothing here is charged to a file's budget.
    static const SrgbOutput output = [] {
        SrgbOutput made;
        const Profile srgb(cmsCreate_sRGBProfile());
        cmsMAT3 toXyz;
        if (!srgb || !colorantMatrix(srgb.get(), &toXyz) || !_cmsMAT3inverse(&toXyz, &made.fromXyz))
            return made;
        const auto *curve =
            static_cast<const cmsToneCurve *>(cmsReadTag(srgb.get(), cmsSigRedTRCTag));
        cmsToneCurve *reversed = curve ? cmsReverseToneCurve(curve) : nullptr;
        if (!reversed)
            return made;
        for (int i = 0; i <= 16384; ++i) {
            const double value = cmsEvalToneCurveFloat(reversed, cmsFloat32Number(i / 16384.0));
            const quint32 word = quint32(std::clamp(std::floor(value * 65535 + 0.5), 0.0, 65535.0));
            made.encode[std::size_t(i)] = uchar((word * 65281 + 8388608) >> 24);
        }
        cmsFreeToneCurve(reversed);
        made.made = true;
        return made;
    }();
    return output;
}

// Matrix-and-curve RGB profiles, the usual kind of camera and editing
// profiles, converted as LittleCMS converts 8-bit samples between two such
// profiles, to the same numbers, in a loop the compiler turns into vector
// code: each input curve to linear light in 1.14 fixed point, times the two
// profiles' matrices joined into one in 1.14, both folded into one table
// per input channel; then sRGB's curve as a table. About twice as
// quick as Qt's colour transform.
class MatrixShaperEngine final : public ToSrgb::Engine {
public:
    // Null when the profile's matrix or curves cannot be read, or its matrix
    // is so extreme that the sums could overflow.
    static std::shared_ptr<const MatrixShaperEngine> from(cmsHPROFILE profile)
    {
        const SrgbOutput &output = srgbOutput();
        cmsMAT3 toXyz, joined;
        if (!output.made || cmsGetPCS(profile) != cmsSigXYZData || !colorantMatrix(profile, &toXyz))
            return nullptr;
        _cmsMAT3per(&joined, &output.fromXyz, &toXyz);
        int matrix[3][3];
        for (int row = 0; row < 3; ++row) {
            double sum = 0;
            for (int column = 0; column < 3; ++column) {
                const double c = joined.v[row].n[column];
                sum += std::abs(c);
                // In range for int, or the row is refused below.
                matrix[row][column] = sum < 8 ? int(std::floor(c * 16384 + 0.5)) : 0;
            }
            // 7.5 x 16384 x 16384 and the rounding stay below 2^31.
            if (!(sum < 7.5))
                return nullptr;
        }
        auto engine = std::make_shared<MatrixShaperEngine>();
        const cmsTagSignature curves[3] = {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag};
        for (int channel = 0; channel < 3; ++channel) {
            const auto *curve =
                static_cast<const cmsToneCurve *>(cmsReadTag(profile, curves[channel]));
            if (!curve)
                return nullptr;
            for (int sample = 0; sample < 256; ++sample) {
                const double value = cmsEvalToneCurveFloat(curve, cmsFloat32Number(sample / 255.0));
                // NaN from a broken curve counts as black.
                const int linear =
                    int(std::floor((value > 0 ? std::min(value, 1.0) : 0) * 16384 + 0.5));
                Terms &terms = engine->terms_[std::size_t(channel)][std::size_t(sample)];
                for (int out = 0; out < 3; ++out)
                    terms.lane[out] = matrix[out][channel] * linear + (channel == 0 ? 0x2000 : 0);
            }
        }
        return engine;
    }

    void convertRow(const uchar *in, uchar *out, int width) const override
    {
        // Locals, so that nothing is read again after each store through out.
        const uchar *encode = srgbOutput().encode.data();
        const Terms *red = terms_[0].data(), *green = terms_[1].data(), *blue = terms_[2].data();
        for (int x = 0; x < width; ++x) {
            quint32 pixel; // BGRX or BGRA in memory; alpha stays as it is
            std::memcpy(&pixel, in + 4 * x, 4);
            const Terms &r = red[pixel >> 16 & 0xFF], &g = green[pixel >> 8 & 0xFF],
                        &b = blue[pixel & 0xFF];
            int linear[4];
            for (int lane = 0; lane < 4; ++lane)
                linear[lane] = std::min(
                    std::max((r.lane[lane] + g.lane[lane] + b.lane[lane]) >> 14, 0), 16384);
            pixel = (pixel & 0xFF000000) | quint32(encode[linear[0]]) << 16 |
                    quint32(encode[linear[1]]) << 8 | quint32(encode[linear[2]]);
            std::memcpy(out + 4 * x, &pixel, 4);
        }
    }

private:
    // What one input sample adds to red, green and blue out, in 1.14 (the
    // rounding in red's), and a fourth lane, so that all are added at once.
    struct alignas(16) Terms {
        qint32 lane[4];
    };
    std::array<std::array<Terms, 256>, 3> terms_{};
};

struct LittleCmsEngine final : ToSrgb::Engine {
    LittleCmsEngine(cmsHTRANSFORM transform, Samples samples)
        : transform(transform), samples(samples)
    {
    }
    ~LittleCmsEngine() override { cmsDeleteTransform(transform); }
    void convertRow(const uchar *in, uchar *out, int width) const override
    {
        // LittleCMS leaves the fourth byte alone: RGB32 wants it opaque.
        if (samples != Samples::Bgrx)
            std::memset(out, 0xFF, std::size_t(width) * 4);
        cmsDoTransform(transform, in, out, cmsUInt32Number(width));
    }

    cmsHTRANSFORM transform;
    Samples samples;
};

// CMYK through LittleCMS's own transform sampled on a grid of 17 x 17 x 17 x
// 17 inks and interpolated as LittleCMS does (tetrahedral in cyan, magenta
// and yellow, linear in black), in integers for 8-bit samples: about twice
// as quick, for the same colours.
class CmykTableEngine final : public ToSrgb::Engine {
public:
    static constexpr int Grid = 17;
    // RGB at every node, 12 bits, black the fastest axis.
    using Nodes = std::vector<quint16>;

    // transform: 16-bit CMYK to 16-bit RGB.
    static std::shared_ptr<const Nodes> sample(cmsHTRANSFORM transform)
    {
        std::vector<cmsUInt16Number> inks(Grid * Grid * Grid * Grid * 4);
        for (std::size_t node = 0; node < inks.size() / 4; ++node) {
            std::size_t rest = node;
            for (int ink = 3; ink >= 0; --ink, rest /= Grid)
                inks[node * 4 + ink] = cmsUInt16Number(rest % Grid * 65535 / (Grid - 1));
        }
        std::vector<cmsUInt16Number> rgb(inks.size() / 4 * 3);
        cmsDoTransform(transform, inks.data(), rgb.data(), cmsUInt32Number(inks.size() / 4));
        auto nodes = std::make_shared<Nodes>(rgb.size());
        for (std::size_t i = 0; i < rgb.size(); ++i)
            (*nodes)[i] = quint16((rgb[i] * 4095 + 32767) / 65535);
        return nodes;
    }

    CmykTableEngine(std::shared_ptr<const Nodes> nodes, bool inverted) : nodes_(std::move(nodes))
    {
        for (int value = 0; value < 256; ++value) {
            const int ink = inverted ? 255 - value : value;
            const int position = ink * (Grid - 1) * 65536 / 255;
            const int base = std::min(position >> 16, Grid - 2);
            axis_[value] = {base, position - (base << 16)};
        }
    }

    void convertRow(const uchar *in, uchar *out, int width) const override
    {
        // Flat areas, common in print-ready art, repeat the last pixel.
        quint32 last = 0, lastOut = 0;
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            quint32 inks;
            std::memcpy(&inks, in, 4);
            if (x > 0 && inks == last) {
                std::memcpy(out, &lastOut, 4);
                continue;
            }
            last = inks;
            const Axis c = axis_[in[0]], m = axis_[in[1]], y = axis_[in[2]], k = axis_[in[3]];
            const quint16 *corner =
                nodes_->data() + c.base * C + m.base * M + y.base * Y + k.base * K;
            // The tetrahedron that holds the point: from the corner along the axis
            // of the largest fraction, then the middle one, to the far corner.
            // Branches rather than a table: neighbours mostly take the same.
            int first, second, rFirst, rSecond, rThird;
            if (c.fraction >= m.fraction) {
                if (m.fraction >= y.fraction)
                    first = C, second = M, rFirst = c.fraction, rSecond = m.fraction,
                    rThird = y.fraction;
                else if (c.fraction >= y.fraction)
                    first = C, second = Y, rFirst = c.fraction, rSecond = y.fraction,
                    rThird = m.fraction;
                else
                    first = Y, second = C, rFirst = y.fraction, rSecond = c.fraction,
                    rThird = m.fraction;
            } else {
                if (c.fraction >= y.fraction)
                    first = M, second = C, rFirst = m.fraction, rSecond = c.fraction,
                    rThird = y.fraction;
                else if (m.fraction >= y.fraction)
                    first = M, second = Y, rFirst = m.fraction, rSecond = y.fraction,
                    rThird = c.fraction;
                else
                    first = Y, second = M, rFirst = y.fraction, rSecond = m.fraction,
                    rThird = c.fraction;
            }
            const int a = first, b = first + second, d = C + M + Y;
            int rgb[3];
            for (int channel = 0; channel < 3; ++channel) {
                int atK[2];
                for (int slice = 0; slice < 2; ++slice) {
                    const quint16 *p = corner + slice * K + channel;
                    const int p0 = p[0];
                    atK[slice] = p0 + (((p[a] - p0) * rFirst + (p[b] - p[a]) * rSecond +
                                        (p[d] - p[b]) * rThird + 32768) >>
                                       16);
                }
                rgb[channel] = atK[0] + (((atK[1] - atK[0]) * k.fraction + 32768) >> 16);
            }
            // 12-bit nodes to 8-bit samples, BGRX.
            out[0] = uchar((rgb[2] * 255 + 2047) / 4095);
            out[1] = uchar((rgb[1] * 255 + 2047) / 4095);
            out[2] = uchar((rgb[0] * 255 + 2047) / 4095);
            out[3] = 0xFF;
            std::memcpy(&lastOut, out, 4);
        }
    }

private:
    static constexpr int C = Grid * Grid * Grid * 3, M = Grid * Grid * 3, Y = Grid * 3, K = 3;
    struct Axis {
        int base;     // the grid node at or below the ink
        int fraction; // the way to the next node, 0 to 65536
    };
    std::shared_ptr<const Nodes> nodes_;
    std::array<Axis, 256> axis_{};
};

// CMYK without a profile to hand: ink taken away from white.
struct FormulaEngine final : ToSrgb::Engine {
    explicit FormulaEngine(bool inverted) : inverted(inverted) {}
    void convertRow(const uchar *in, uchar *out, int width) const override
    {
        auto *rgb = reinterpret_cast<QRgb *>(out);
        for (int x = 0; x < width; ++x, in += 4) {
            const auto white = [&](int i) { return inverted ? in[i] : 255 - in[i]; };
            const int k = white(3);
            rgb[x] = qRgb(white(0) * k / 255, white(1) * k / 255, white(2) * k / 255);
        }
    }
    bool inverted;
};

std::shared_ptr<const CmykTableEngine::Nodes> cmykNodes(cmsHPROFILE cmyk, cmsHPROFILE srgb)
{
    cmsHTRANSFORM transform = cmsCreateTransformTHR(littleCms(), cmyk, TYPE_CMYK_16, srgb,
                                                    TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0);
    if (!transform)
        return nullptr;
    std::shared_ptr<const CmykTableEngine::Nodes> nodes = CmykTableEngine::sample(transform);
    cmsDeleteTransform(transform);
    return nodes;
}

// LittleCMS's conversion from profile to sRGB for samples, or null.
EnginePointer littleCmsEngine(cmsHPROFILE profile, Samples samples)
{
    const cmsProfileClassSignature kind = cmsGetDeviceClass(profile);
    if (kind != cmsSigInputClass && kind != cmsSigDisplayClass && kind != cmsSigOutputClass &&
        kind != cmsSigColorSpaceClass)
        return nullptr;
    if (cmsGetColorSpace(profile) != modelOf(samples))
        return nullptr;
    Profile srgb(cmsCreate_sRGBProfileTHR(littleCms()));
    if (!srgb)
        return nullptr;
    if (isCmyk(samples)) {
        const std::shared_ptr<const CmykTableEngine::Nodes> nodes = cmykNodes(profile, srgb.get());
        if (!nodes)
            return nullptr;
        return std::make_shared<CmykTableEngine>(nodes, samples == Samples::InvertedCmyk);
    }
    // cmsDoTransform is reentrant: one transform serves several threads.
    cmsHTRANSFORM transform =
        cmsCreateTransformTHR(littleCms(), profile, formatOf(samples), srgb.get(), TYPE_BGRA_8,
                              INTENT_RELATIVE_COLORIMETRIC, 0);
    if (!transform)
        return nullptr;
    return std::make_shared<LittleCmsEngine>(transform, samples);
}

EnginePointer defaultCmykEngine(bool inverted)
{
    // Sampled once, at the first CMYK picture; the file is trusted.
    static const std::shared_ptr<const CmykTableEngine::Nodes> nodes = [] {
        QFile file(QString::fromLatin1(DefaultCmykProfile));
        QByteArray icc;
        if (file.size() < (qint64(16) << 20) && file.open(QIODevice::ReadOnly))
            icc = file.readAll();
        const Profile profile(icc.isEmpty()
                                  ? nullptr
                                  : cmsOpenProfileFromMemTHR(littleCms(), icc.constData(),
                                                             cmsUInt32Number(icc.size())));
        const Profile srgb(cmsCreate_sRGBProfileTHR(littleCms()));
        if (!profile || !srgb || cmsGetColorSpace(profile.get()) != cmsSigCmykData)
            return std::shared_ptr<const CmykTableEngine::Nodes>();
        return cmykNodes(profile.get(), srgb.get());
    }();
    if (!nodes) {
        static const EnginePointer plain = std::make_shared<FormulaEngine>(false);
        static const EnginePointer adobe = std::make_shared<FormulaEngine>(true);
        return inverted ? adobe : plain;
    }
    static const EnginePointer plain = std::make_shared<CmykTableEngine>(nodes, false);
    static const EnginePointer adobe = std::make_shared<CmykTableEngine>(nodes, true);
    return inverted ? adobe : plain;
}

// The engine for a file's profile, all it allocates within the profile's
// budget; null for sRGB itself, none for a profile that cannot be used.
std::optional<EnginePointer> engineFor(QByteArrayView icc, Samples samples)
{
    const BudgetScope budget(littleCmsBytes(icc.size()));
    const Profile profile(
        cmsOpenProfileFromMemTHR(littleCms(), icc.data(), cmsUInt32Number(icc.size())));
    if (!profile)
        return std::nullopt;
    if (samples == Samples::Bgrx && cmsGetColorSpace(profile.get()) == cmsSigRgbData &&
        cmsIsMatrixShaper(profile.get()) && !usesTables(profile.get())) {
        const QColorSpace space = QColorSpace::fromIccProfile(icc.toByteArray());
        if (space.isValid() && space == QColorSpace(QColorSpace::SRgb))
            return EnginePointer();
        if (EnginePointer engine = MatrixShaperEngine::from(profile.get()))
            return engine;
    }
    if (EnginePointer engine = littleCmsEngine(profile.get(), samples))
        return engine;
    return std::nullopt;
}

} // namespace

qint64 workingBytes(qint64 profileBytes)
{
    // The profile as read and assembled, LittleCMS's part, and a CMYK table
    // with what it is sampled from.
    return 2 * profileBytes + littleCmsBytes(profileBytes) + (qint64(2) << 20);
}

std::optional<ToSrgb> ToSrgb::fromProfile(QByteArrayView icc, Samples samples)
{
    if (!icc.isEmpty() && littleCms()) {
        if (const std::optional<EnginePointer> engine = engineFor(icc, samples))
            return ToSrgb(*engine, samples);
    }
    if (isCmyk(samples))
        return ToSrgb(defaultCmykEngine(samples == Samples::InvertedCmyk), samples);
    return std::nullopt;
}

ToSrgb ToSrgb::fromColorSpace(const QColorSpace &space)
{
    if (!space.isValid() || space == QColorSpace(QColorSpace::SRgb))
        return ToSrgb();
    // Through the profile, so that every file's profile is judged alike.
    return fromProfile(space.iccProfile(), Samples::Bgrx).value_or(ToSrgb());
}

ToSrgb ToSrgb::adobeRgb()
{
    static const std::optional<EnginePointer> engine =
        engineFor(QColorSpace(QColorSpace::AdobeRgb).iccProfile(), Samples::Bgrx);
    return engine ? ToSrgb(*engine, Samples::Bgrx) : ToSrgb();
}

void ToSrgb::convertRow(const uchar *in, uchar *out, int width) const
{
    if (engine_)
        engine_->convertRow(in, out, width);
}

void ToSrgb::convert(QImage &image) const
{
    if (engine_)
        engine_->convert(image);
}

// ---- EXIF ----

bool exifMarksAdobeRgb(QByteArrayView app1)
{
    if (!app1.startsWith(QByteArrayView("Exif\0\0", 6)))
        return false;
    const QByteArrayView tiff = app1.sliced(6);
    const bool little = tiff.startsWith("II");
    if (!little && !tiff.startsWith("MM"))
        return false;
    const auto has = [&](qint64 at, qint64 length) {
        return at >= 0 && length >= 0 && at <= tiff.size() - length;
    };
    const auto byte = [&](qint64 at) { return quint32(quint8(tiff[at])); };
    const auto u16 = [&](qint64 at) -> qint64 {
        if (!has(at, 2))
            return -1;
        return little ? byte(at) | byte(at + 1) << 8 : byte(at) << 8 | byte(at + 1);
    };
    const auto u32 = [&](qint64 at) -> qint64 {
        if (!has(at, 4))
            return -1;
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    // The entry of tag in the directory at offset, or -1.
    const auto entry = [&](qint64 directory, qint64 tag) -> qint64 {
        const qint64 count = u16(directory);
        for (qint64 i = 0; i < count; ++i) {
            const qint64 at = directory + 2 + 12 * i;
            if (!has(at, 12))
                return -1;
            if (u16(at) == tag)
                return at;
        }
        return -1;
    };
    const qint64 exifPointer = entry(u32(4), 0x8769);
    if (exifPointer < 0)
        return false;
    const qint64 exif = u32(exifPointer + 8);
    const qint64 spaceEntry = entry(exif, 0xA001);
    const qint64 space = spaceEntry < 0 ? -1 : u16(spaceEntry + 8);
    if (space == 2)
        return true;
    if (space == 1)
        return false;
    const qint64 interopPointer = entry(exif, 0xA005);
    if (interopPointer < 0)
        return false;
    const qint64 index = entry(u32(interopPointer + 8), 0x0001);
    // "R03" fits in the entry itself.
    return index >= 0 && has(index + 8, 3) && tiff.sliced(index + 8, 3) == "R03";
}

} // namespace quillane::colour
