// SPDX-License-Identifier: GPL-3.0-or-later
#include "printing/CoverSheet.h"

#include "base/Failures.h"
#include "settings/Settings.h"

#include <array>
#include <climits>

namespace quillane {

namespace {

constexpr quint32 Black = 0;

constexpr PaintPicture FrontPicture{Cover::Front, 1440, 1000, 6900, 6900};
constexpr PaintPicture BackPicture{Cover::Back, 1440, 8340, 8530, 6700};

// Top, left, right, bottom. The front border lies on the picture's edges.
constexpr std::array<DrawLine, 4> FrontBorder{{
    {1440, 1000, 8340, 1000, Black},
    {1440, 1000, 1440, 7900, Black},
    {8340, 1000, 8340, 7900, Black},
    {1440, 7900, 8340, 7900, Black},
}};

// Top, left, right, bottom. Not on the picture's edges: five twips above and
// below it and five inside its right edge; only the left side coincides.
constexpr std::array<DrawLine, 4> BackBorder{{
    {1440, 8335, 9965, 8335, Black},
    {1440, 8335, 1440, 15045, Black},
    {9965, 8335, 9965, 15045, Black},
    {1440, 15045, 9965, 15045, Black},
}};

// The two spine folds of the back insert, left then right; the colour comes
// from the settings.
constexpr std::array<DrawLine, 2> FoldGuides{{
    {1790, 8340, 1790, 15058, Black},
    {9620, 8340, 9620, 15058, Black},
}};

const QString Both = QStringLiteral("Both");
const QString Front = QStringLiteral("Front");
const QString Back = QStringLiteral("Back");

template <std::size_t N> MaybeFailure drawAll(const std::array<DrawLine, N> &lines, DrawSink &sink)
{
    for (const DrawLine &line : lines) {
        if (MaybeFailure failure = sink.draw(line))
            return failure;
    }
    return std::nullopt;
}

struct Extent {
    int right = 0, top = INT_MAX, bottom = 0;
};

// Lines count at their coordinates, pictures to their far edges.
Extent extentOf(const QList<DrawOp> &page)
{
    Extent extent;
    auto cover = [&extent](int right, int top, int bottom) {
        extent.right = qMax(extent.right, right);
        extent.top = qMin(extent.top, top);
        extent.bottom = qMax(extent.bottom, bottom);
    };
    for (const DrawOp &op : page) {
        if (const auto *picture = std::get_if<PaintPicture>(&op)) {
            cover(picture->x + picture->width, picture->y, picture->y + picture->height);
        } else {
            const auto &line = std::get<DrawLine>(op);
            cover(qMax(line.x1, line.x2), qMin(line.y1, line.y2), qMax(line.y1, line.y2));
        }
    }
    return extent;
}

DrawOp movedUp(DrawOp op, int by)
{
    if (auto *picture = std::get_if<PaintPicture>(&op)) {
        picture->y -= by;
    } else {
        auto &line = std::get<DrawLine>(op);
        line.y1 -= by;
        line.y2 -= by;
    }
    return op;
}

} // namespace

QString describe(const DrawOp &op)
{
    if (const auto *picture = std::get_if<PaintPicture>(&op))
        return QString("picture %1 %2,%3 %4x%5")
            .arg(picture->slot == Cover::Front ? "front" : "back")
            .arg(picture->x)
            .arg(picture->y)
            .arg(picture->width)
            .arg(picture->height);
    const auto &line = std::get<DrawLine>(op);
    return QString("line %1,%2 %3,%4 colour %5")
        .arg(line.x1)
        .arg(line.y1)
        .arg(line.x2)
        .arg(line.y2)
        .arg(line.colour);
}

MaybeFailure ComposeCoverSheet(PrintSelection selection, const Settings &settings, DrawSink &sink)
{
    const bool front = selection != PrintSelection::BackOnly;
    const bool back = selection != PrintSelection::FrontOnly;

    if (front) {
        if (MaybeFailure failure = sink.draw(FrontPicture))
            return failure;
    }
    if (back) {
        if (MaybeFailure failure = sink.draw(BackPicture))
            return failure;
    }

    // The folds belong to the back insert: a front-only page has none.
    if (back && settings.isOn(keys::GuideLine)) {
        for (DrawLine guide : FoldGuides) {
            // Read again for each guide: nothing is held between reads.
            const std::optional<qint32> colour = parseColorValue(settings.get(keys::LineColor));
            if (!colour)
                return failures::lineColourNotANumber();
            guide.colour = quint32(*colour);
            if (MaybeFailure failure = sink.draw(guide))
                return failure;
        }
    }

    if (settings.isOn(keys::BorderLine)) {
        const QString border = settings.get(keys::Border);
        // "Both" on a one-cover page borders the cover that is printed.
        if (front && (border == Both || border == Front)) {
            if (MaybeFailure failure = drawAll(FrontBorder, sink))
                return failure;
        }
        if (back && (border == Both || border == Back)) {
            if (MaybeFailure failure = drawAll(BackBorder, sink))
                return failure;
        }
    }
    return std::nullopt;
}

std::variant<QList<DrawOp>, Failure> placeOnPage(const QList<DrawOp> &page,
                                                 const PrintableArea &area)
{
    if (page.isEmpty())
        return page;
    const Extent extent = extentOf(page);
    const int overflow = extent.bottom - area.height;
    const int tooWide = extent.right - area.width;
    // The page may rise until its top meets the area's top, no further.
    const int tooTall = overflow - qMax(0, extent.top);
    if (tooWide > 0 || tooTall > 0)
        return failures::coversDoNotFit(area.printer, area.paper, qMax(0, tooWide),
                                        qMax(0, tooTall));
    if (overflow <= 0)
        return page;
    QList<DrawOp> moved;
    moved.reserve(page.size());
    for (const DrawOp &op : page)
        moved.append(movedUp(op, overflow));
    return moved;
}

} // namespace quillane
