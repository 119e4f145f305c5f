#include "platform/ColourConversion.h"

#include <QColorSpace>
#include <QColorTransform>
#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

// A transform from profile to sRGB for samples, or null.
cmsHTRANSFORM transformFrom(cmsHPROFILE profile, Samples samples)
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
    // cmsDoTransform is reentrant: one transform serves several threads.
    return cmsCreateTransformTHR(littleCms(), profile, formatOf(samples), srgb.get(), TYPE_BGRA_8,
                                 INTENT_RELATIVE_COLORIMETRIC, 0);
}

EnginePointer defaultCmykEngine(bool inverted)
{
    static const auto load = [](bool inverted) -> EnginePointer {
        QFile file(QString::fromLatin1(DefaultCmykProfile));
        QByteArray icc;
        if (file.size() < (qint64(16) << 20) && file.open(QIODevice::ReadOnly))
            icc = file.readAll();
        const Samples samples = inverted ? Samples::InvertedCmyk : Samples::Cmyk;
        const Profile profile(icc.isEmpty()
                                  ? nullptr
                                  : cmsOpenProfileFromMemTHR(littleCms(), icc.constData(),
                                                             cmsUInt32Number(icc.size())));
        if (cmsHTRANSFORM transform = profile ? transformFrom(profile.get(), samples) : nullptr)
            return std::make_shared<LittleCmsEngine>(transform, samples);
        return std::make_shared<FormulaEngine>(inverted);
    };
    static const EnginePointer plain = load(false);
    static const EnginePointer adobe = load(true);
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
    if (cmsHTRANSFORM transform = transformFrom(profile.get(), samples))
        return std::make_shared<LittleCmsEngine>(transform, samples);
    return std::nullopt;
}

} // namespace

qint64 workingBytes(qint64 profileBytes)
{
    return 2 * profileBytes + littleCmsBytes(profileBytes);
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
