#include "platform/ColourConversion.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QFile>

#include <algorithm>
#include <array>
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

// Matrix-and-curve RGB through Qt, which is several times quicker than
// LittleCMS on these and agrees with it.
struct QtEngine final : ToSrgb::Engine {
    explicit QtEngine(const QColorSpace &from)
        : transform(from.transformationToColorSpace(QColorSpace::SRgb))
    {
    }
    void convertRow(const uchar *in, uchar *out, int width) const override
    {
        if (in != out)
            std::memcpy(out, in, std::size_t(width) * 4);
        QImage row(out, width, 1, width * 4, QImage::Format_RGB32);
        row.applyColorTransform(transform);
    }
    void convert(QImage &image) const override { image.applyColorTransform(transform); }

    QColorTransform transform;
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
        if (space.isValid())
            return std::make_shared<QtEngine>(space);
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
    static const auto engine = std::make_shared<QtEngine>(QColorSpace(QColorSpace::AdobeRgb));
    return ToSrgb(engine, Samples::Bgrx);
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
