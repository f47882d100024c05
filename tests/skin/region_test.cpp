// Window shapes cut out of skin bitmaps, and the region arithmetic under
// them.
#include <gtest/gtest.h>

#include "kvostudio/bitmapregion.h"
#include "kvostudio/folders.h"
#include "kvostudio/libskin/skinmanifest.h"

using namespace platform;

namespace {

constexpr COLORREF kMagenta = 0xFF00FF;
constexpr COLORREF kTolerance = 0x101010;

}  // namespace

TEST(RegionFromBitmap, AllKeyColourGivesNoRegion)
{
    Bitmap b(8, 4);
    b.Fill(kSkinKeyColour);
    EXPECT_FALSE(CreateRegionFromBitmap(&b, kMagenta, kTolerance).has_value());
    EXPECT_FALSE(CreateRegionFromBitmap(nullptr, kMagenta, kTolerance).has_value());
}

TEST(RegionFromBitmap, NoKeyColourGivesOneFullRowPerRow)
{
    Bitmap b(9, 3);
    b.Fill(RGB(10, 20, 30));
    auto region = CreateRegionFromBitmap(&b, kMagenta, kTolerance);
    ASSERT_TRUE(region.has_value());
    ASSERT_EQ(region->Rects().size(), 3u);
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(region->Rects()[y], (Rect{0, y, 9, y + 1}));
}

TEST(RegionFromBitmap, ToleranceReachesUpwardOnEachChannel)
{
    Bitmap b(4, 1);
    b.SetPixel(0, 0, RGB(0xFF, 0x10, 0xFF));  // green within the tolerance: cut
    b.SetPixel(1, 0, RGB(0xEF, 0x00, 0xFF));  // red below the key: kept
    b.SetPixel(2, 0, RGB(0xFF, 0x00, 0xEF));  // blue below the key: kept
    b.SetPixel(3, 0, RGB(0xFF, 0x11, 0xFF));  // green past the tolerance: kept
    auto region = CreateRegionFromBitmap(&b, kMagenta, kTolerance);
    ASSERT_TRUE(region.has_value());
    EXPECT_FALSE(region->Contains({0, 0}));
    EXPECT_TRUE(region->Contains({1, 0}));
    EXPECT_TRUE(region->Contains({2, 0}));
    EXPECT_TRUE(region->Contains({3, 0}));
}

TEST(RegionFromBitmap, ChannelsAreComparedWithTheSameChannelOfTheKey)
{
    // A red key cuts red pixels and keeps blue ones (comparing the pixel's
    // blue with the key's red would do the opposite).
    Bitmap b(2, 1);
    b.SetPixel(0, 0, RGB(255, 0, 0));
    b.SetPixel(1, 0, RGB(0, 0, 255));
    auto region = CreateRegionFromBitmap(&b, RGB(255, 0, 0), 0);
    ASSERT_TRUE(region.has_value());
    EXPECT_FALSE(region->Contains({0, 0}));
    EXPECT_TRUE(region->Contains({1, 0}));
}

TEST(RegionFromBitmap, TheGeneratedBodyLosesItsCorners)
{
    Bitmap body = Bitmap::Load(GetSkinFolder() + skin::kBody);
    ASSERT_FALSE(body.IsNull());
    auto region = CreateRegionFromBitmap(&body, kMagenta, kTolerance);
    ASSERT_TRUE(region.has_value());
    const int w = body.Width(), h = body.Height();
    for (Point corner : {Point{0, 0}, Point{w - 1, 0}, Point{0, h - 1}, Point{w - 1, h - 1}})
        EXPECT_FALSE(region->Contains(corner));
    EXPECT_TRUE(region->Contains({w / 2, h / 2}));
    EXPECT_TRUE(region->Contains({skin::kBodyCornerRadius, 0}));
}

TEST(Regions, UnionAndSubtractKeepRectanglesDisjoint)
{
    Region r(Rect{0, 0, 10, 10});
    r.Union(Rect{5, 5, 15, 15});
    EXPECT_EQ(r.Area(), 100 + 100 - 25);
    r.Subtract(Rect{2, 2, 12, 12});
    EXPECT_EQ(r.Area(), 175 - (100 - 2 * 3 - 3 * 2));  // part of the cut lies outside
    EXPECT_FALSE(r.Contains({6, 6}));
    EXPECT_TRUE(r.Contains({14, 14}));
}
