// The off-screen surface: drawn in the target's coordinates, copied in one
// block when it goes away.
#include <gtest/gtest.h>

#include "kvostudio/libskin/memdc.h"

using namespace platform;

TEST(MemDC, CopiesItsRectangleOntoTheTargetWhenItGoes)
{
    Bitmap target(40, 30);
    DC dc(target);
    dc.FillSolidRect(target.Bounds(), RGB(1, 1, 1));
    {
        CMemDC mem(&dc, {10, 5, 30, 25});
        mem.FillSolidRect({0, 0, 40, 30}, RGB(0, 0, 200));  // larger than the surface: spills nowhere
        mem.FillSolidRect({10, 5, 30, 25}, RGB(200, 0, 0));
        mem.FillSolidRect({12, 7, 13, 8}, RGB(0, 200, 0));  // target coordinates
        EXPECT_EQ(target.GetPixel(12, 7), RGB(1, 1, 1));  // nothing shown before the end
    }
    EXPECT_EQ(target.GetPixel(12, 7), RGB(0, 200, 0));
    EXPECT_EQ(target.GetPixel(10, 5), RGB(200, 0, 0));
    EXPECT_EQ(target.GetPixel(29, 24), RGB(200, 0, 0));
    EXPECT_EQ(target.GetPixel(9, 5), RGB(1, 1, 1));
    EXPECT_EQ(target.GetPixel(30, 24), RGB(1, 1, 1));
}

TEST(MemDC, AnEmptyRectangleCopiesNothing)
{
    Bitmap target(4, 4);
    DC dc(target);
    dc.FillSolidRect(target.Bounds(), RGB(9, 9, 9));
    {
        CMemDC mem(&dc, {0, 0, 0, 0});
        mem.FillSolidRect({0, 0, 4, 4}, RGB(200, 0, 0));
    }
    EXPECT_EQ(target.GetPixel(0, 0), RGB(9, 9, 9));
}
