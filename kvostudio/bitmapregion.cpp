#include "kvostudio/bitmapregion.h"

#include <algorithm>

std::optional<platform::Region> CreateRegionFromBitmap(const platform::Bitmap* bitmap, platform::COLORREF key,
                                                       platform::COLORREF tolerance)
{
    using platform::GetBValue;
    using platform::GetGValue;
    using platform::GetRValue;
    if (!bitmap || bitmap->IsNull() || bitmap->Width() == 0 || bitmap->Height() == 0)
        return std::nullopt;
    const int lowR = GetRValue(key), lowG = GetGValue(key), lowB = GetBValue(key);
    const int highR = std::min(255, lowR + GetRValue(tolerance));
    const int highG = std::min(255, lowG + GetGValue(tolerance));
    const int highB = std::min(255, lowB + GetBValue(tolerance));
    auto transparent = [&](uint32_t p) {
        const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        return r >= lowR && r <= highR && g >= lowG && g <= highG && b >= lowB && b <= highB;
    };

    platform::Region region;
    bitmap->Flush();
    const int w = bitmap->Width();
    for (int y = 0; y < bitmap->Height(); ++y) {
        const uint32_t* row = bitmap->Row(y);
        int x = 0;
        while (x < w) {
            const int x0 = x;
            while (x < w && !transparent(row[x]))
                ++x;
            if (x > x0)
                region.AddDisjoint({x0, y, x, y + 1});
            ++x;  // over the transparent pixel
        }
    }
    if (region.IsEmpty())
        return std::nullopt;
    return region;
}
