// Text drawn in one colour over a plain background, as a user sees it.
// Text is smoothed: each of its pixels blends the colour into the
// background by how much of the pixel the glyphs cover, and a thin face at
// a small size may cover no pixel whole. So a pixel is taken for the text
// when it lies on the way from the background to the colour (within a
// tolerance), whatever face stands in for the UI font; the text shows when
// some pixel comes well along that way. Header-only: the tests that use it
// link the drawing library already.
#pragma once

#include <algorithm>
#include <cmath>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/geometry.h"

namespace testsupport {

struct TextInk {
    int pixels = 0;          // pixels a fifth of the way to the colour or more
    double weight = 0;       // how far along they are, summed (1 each for the colour itself)
    double strongest = 0;    // the farthest along
    platform::Rect extent;   // the box around those pixels (empty when none)
    // Some of the text comes at least half way to its colour: readable.
    bool Shows() const { return pixels > 0 && strongest >= 0.5; }
};

// The text of 'colour' over 'background' in the area of the bitmap.
// 'tolerance' is how far (per channel, roughly) a pixel may stray from the
// way between the two.
inline TextInk FindTextInk(const platform::Bitmap& b, const platform::Rect& area, platform::COLORREF colour,
                           platform::COLORREF background, int tolerance = 24)
{
    using platform::GetBValue;
    using platform::GetGValue;
    using platform::GetRValue;
    const double way[3] = {double(GetRValue(colour)) - GetRValue(background),
                           double(GetGValue(colour)) - GetGValue(background),
                           double(GetBValue(colour)) - GetBValue(background)};
    const double length2 = way[0] * way[0] + way[1] * way[1] + way[2] * way[2];
    TextInk ink;
    if (length2 <= 0)
        return ink;
    const double slack = tolerance / std::sqrt(length2);
    const platform::Rect inside = area.Intersect(b.Bounds());
    for (int y = inside.top; y < inside.bottom; ++y) {
        for (int x = inside.left; x < inside.right; ++x) {
            const platform::COLORREF c = b.GetPixel(x, y);
            const double d[3] = {double(GetRValue(c)) - GetRValue(background),
                                 double(GetGValue(c)) - GetGValue(background),
                                 double(GetBValue(c)) - GetBValue(background)};
            const double along = (d[0] * way[0] + d[1] * way[1] + d[2] * way[2]) / length2;
            if (along < 0.2 || along > 1 + slack)
                continue;
            double off2 = 0;
            for (int i = 0; i < 3; ++i)
                off2 += (d[i] - along * way[i]) * (d[i] - along * way[i]);
            if (off2 > 3.0 * tolerance * tolerance)
                continue;
            const double a = std::min(along, 1.0);
            ++ink.pixels;
            ink.weight += a;
            ink.strongest = std::max(ink.strongest, a);
            ink.extent = ink.extent.IsEmpty() ? platform::Rect{x, y, x + 1, y + 1}
                                              : ink.extent.Union({x, y, x + 1, y + 1});
        }
    }
    return ink;
}

}  // namespace testsupport
