// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

namespace quillane {

// A rectangle in twips: left, top, width, height.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

namespace twips {

// One logical pixel is 1/96 inch; one twip is 1/1440 inch.
inline constexpr int PerPixel = 15;

// Twips to the nearest logical pixel, halves away from zero.
constexpr int toPixels(long long twips)
{
    return int(twips >= 0 ? (twips + PerPixel / 2) / PerPixel
                          : -((-twips + PerPixel / 2) / PerPixel));
}

constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

inline QPoint point(int x, int y)
{
    return {toPixels(x), toPixels(y)};
}

inline QRect rect(const TwipRect &r)
{
    return {toPixels(r.left), toPixels(r.top), toPixels(r.width), toPixels(r.height)};
}

} // namespace twips
} // namespace quillane
