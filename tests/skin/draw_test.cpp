// Drawing on memory surfaces: copies, colour-keyed copies, fills, lines,
// text placement, and loading bitmap files.
#include <gtest/gtest.h>

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"
#include "tests/support/bmp_maker.h"
#include "tests/support/temp_files.h"

using namespace platform;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGrey = RGB(128, 128, 128);

// Pixels of 'b' that are not 'background', as their bounding box.
Rect InkBounds(const Bitmap& b, COLORREF background)
{
    Rect box;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            if (b.GetPixel(x, y) != background)
                box = box.Union({x, y, x + 1, y + 1});
    return box;
}

// A source whose pixel (x, y) encodes its own coordinates.
Bitmap Numbered(int w, int h)
{
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.SetPixel(x, y, RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7));
    return b;
}

}  // namespace

TEST(Copies, PlainCopyReadsFromTheSourceOffset)
{
    Bitmap src = Numbered(20, 20);
    Bitmap dst(10, 10);
    DC dc(dst);
    dc.FillSolidRect(dst.Bounds(), kGrey);
    dc.BitBlt(1, 2, 4, 3, src, 5, 6);
    EXPECT_EQ(dst.GetPixel(1, 2), RGB(5, 6, 7));
    EXPECT_EQ(dst.GetPixel(4, 4), RGB(8, 8, 7));
    EXPECT_EQ(dst.GetPixel(5, 2), kGrey);  // just right of the copy
    EXPECT_EQ(dst.GetPixel(1, 5), kGrey);  // just below it
}

TEST(Copies, PartsBeyondTheSourceLeaveTheDestinationAlone)
{
    Bitmap src = Numbered(4, 4);
    Bitmap dst(8, 8);
    DC dc(dst);
    dc.FillSolidRect(dst.Bounds(), kGrey);
    dc.BitBlt(0, 0, 8, 8, src, 2, 2);  // only 2 x 2 source pixels exist
    EXPECT_EQ(dst.GetPixel(0, 0), RGB(2, 2, 7));
    EXPECT_EQ(dst.GetPixel(1, 1), RGB(3, 3, 7));
    EXPECT_EQ(dst.GetPixel(2, 0), kGrey);
    EXPECT_EQ(dst.GetPixel(0, 2), kGrey);
    dc.BitBlt(0, 0, 3, 3, src, -10, -10);  // nothing at all
    EXPECT_EQ(dst.GetPixel(0, 0), RGB(2, 2, 7));
}

TEST(Copies, ColourKeyLeavesTheDestinationUnchangedUnderKeyPixels)
{
    Bitmap src(6, 6);
    src.Fill(kSkinKeyColour);
    src.SetPixel(3, 3, kRed);  // the one visible source pixel, at offset (3, 3)
    src.SetPixel(4, 3, kBlue);
    Bitmap dst = Numbered(4, 4);
    Bitmap before = dst.Clone();
    DC dc(dst);
    dc.TransparentBlt({0, 0, 3, 3}, src, {2, 2, 5, 5}, kSkinKeyColour);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            COLORREF want = before.GetPixel(x, y);
            if (x == 1 && y == 1)
                want = kRed;
            if (x == 2 && y == 1)
                want = kBlue;
            EXPECT_EQ(dst.GetPixel(x, y), want) << x << "," << y;
        }
    }
}

TEST(Copies, StretchScalesByNearestPixel)
{
    Bitmap src(2, 1);
    src.SetPixel(0, 0, kRed);
    src.SetPixel(1, 0, kBlue);
    Bitmap dst(8, 2);
    DC dc(dst);
    dc.StretchBlt({0, 0, 8, 2}, src, {0, 0, 2, 1});
    EXPECT_EQ(dst.GetPixel(3, 1), kRed);
    EXPECT_EQ(dst.GetPixel(4, 0), kBlue);
}

TEST(Contexts, OriginAndClipConfineDrawing)
{
    Bitmap dst(20, 20);
    Region clip(Rect{10, 10, 15, 15});
    DC dc;
    dc.Attach(&dst, {10, 10}, &clip);
    dc.FillSolidRect({-5, -5, 100, 100}, kRed);
    EXPECT_EQ(InkBounds(dst, RGB(0, 0, 0)), (Rect{10, 10, 15, 15}));
    EXPECT_EQ(dc.GetPixel(0, 0), kRed);  // (0, 0) of the context is (10, 10)
}

TEST(Fills, RoundedFillCutsItsCornersAndLinesStopBeforeTheirEnd)
{
    Bitmap dst(10, 6);
    DC dc(dst);
    dc.FillRoundRect({0, 0, 10, 6}, 2, 2, kRed);
    for (Point corner : {Point{0, 0}, Point{9, 0}, Point{0, 5}, Point{9, 5}})
        EXPECT_EQ(dst.GetPixel(corner.x, corner.y), RGB(0, 0, 0));
    EXPECT_EQ(dst.GetPixel(1, 0), kRed);
    EXPECT_EQ(dst.GetPixel(0, 1), kRed);

    dst.Fill(RGB(0, 0, 0));
    dc.DrawLine({2, 3}, {7, 3}, kBlue);
    EXPECT_EQ(InkBounds(dst, RGB(0, 0, 0)), (Rect{2, 3, 7, 4}));
}

TEST(Text, AlignmentPlacesTheTextInsideItsRectangle)
{
    const Rect box{10, 0, 190, 30};
    auto draw = [&](uint32_t align) {
        Bitmap b(200, 30);
        b.Fill(RGB(255, 255, 255));
        DC dc(b);
        Font font(Font::kFallbackFace, -14);
        dc.SelectFont(&font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(RGB(0, 0, 0));
        dc.DrawText("Kvo", box, align | DT_SINGLELINE | DT_VCENTER);
        return InkBounds(b, RGB(255, 255, 255));
    };
    Rect left = draw(DT_LEFT);
    Rect right = draw(DT_RIGHT);
    Rect centre = draw(DT_CENTER);
    ASSERT_FALSE(left.IsEmpty());
    EXPECT_LE(left.left, box.left + 3);
    EXPECT_GE(right.right, box.right - 3);
    EXPECT_LE(right.right, box.right);
    EXPECT_NEAR((centre.left + centre.right) / 2.0, (box.left + box.right) / 2.0, 3.0);
    EXPECT_NEAR((left.top + left.bottom) / 2.0, 15.0, 4.0);  // vertically centred
}

TEST(Text, LongTextEndsInAnEllipsisWithinItsRectangle)
{
    Bitmap b(300, 20);
    b.Fill(RGB(255, 255, 255));
    DC dc(b);
    Font font(Font::kFallbackFace, -12);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    const std::string text = "A very long song title that cannot fit into the place it gets";
    const Rect box{5, 0, 105, 20};
    Rect covered = dc.CalcTextRect(text, box, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(covered.Width(), box.Width());
    dc.DrawText(text, box, DT_SINGLELINE | DT_END_ELLIPSIS | DT_RIGHT);
    Rect ink = InkBounds(b, RGB(255, 255, 255));
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.left, box.left);
    EXPECT_LE(ink.right, box.right);
    // Without the ellipsis the text is cut at the rectangle, not drawn past it.
    b.Fill(RGB(255, 255, 255));
    dc.DrawText(text, box, DT_SINGLELINE);
    EXPECT_LE(InkBounds(b, RGB(255, 255, 255)).right, box.right);
}

TEST(Text, FixedTextsShrinkToTheirRectangleButNotBeyondReading)
{
    DC dc;
    const Font font(Font::kFallbackFace, -12);
    dc.SelectFont(&font);
    const std::string label = "Start recording from the";
    const int natural = dc.GetTextExtent(label).cx;
    ASSERT_GT(natural, 20);
    // A tenth too narrow: the whole text in a smaller size, inside.
    const Rect narrow{0, 0, natural * 9 / 10, 16};
    const Rect fitted = dc.CalcTextRect(label, narrow, DT_SINGLELINE | DT_SHRINKTOFIT);
    EXPECT_LE(fitted.Width(), narrow.Width());
    EXPECT_GE(fitted.Width(), narrow.Width() * 8 / 10);
    // A text that fits keeps its size.
    EXPECT_EQ(dc.CalcTextRect(label, {0, 0, natural + 10, 16}, DT_SINGLELINE | DT_SHRINKTOFIT).Width(), natural);
    // Half the room: no smaller than seven tenths, then cut or ellipsized.
    const Rect half{0, 0, natural / 2, 16};
    EXPECT_GT(dc.CalcTextRect(label, half, DT_SINGLELINE | DT_SHRINKTOFIT).Width(), half.Width());
    EXPECT_LE(dc.CalcTextRect(label, half, DT_SINGLELINE | DT_SHRINKTOFIT | DT_END_ELLIPSIS).Width(), half.Width());
    // Wrapped lines shrink until they are no taller than their rectangle.
    const std::string body = "If your voice and accompaniment are out of sync, shift your voice ahead and re-mix.";
    const Rect lines = dc.CalcTextRect(body, {0, 0, 200, 200}, DT_WORDBREAK);
    const Rect twoLines{0, 0, 200, lines.Height() * 9 / 10};
    EXPECT_LE(dc.CalcTextRect(body, twoLines, DT_WORDBREAK | DT_SHRINKTOFIT).Height(), twoLines.Height());
    dc.SelectFont(nullptr);
}

TEST(Text, AWiderFaceStandingInForArialTakesArialsRoom)
{
    // The sample's width in Arial's advance widths: 19.453 em.
    const std::string sample = "the quick brown fox jumps over the lazy dog";
    DC dc;
    const Font arial("Arial", -12);
    dc.SelectFont(&arial);
    const int asArial = dc.GetTextExtent(sample).cx;
    EXPECT_LE(asArial, static_cast<int>(19.453 * 12 * 1.03) + 1);
    // Whatever face stands in (the default sans face too), not wider than
    // that face asked for by its own name.
    const Font sans(Font::kFallbackFace, -12);
    dc.SelectFont(&sans);
    EXPECT_LE(asArial, dc.GetTextExtent(sample).cx + 1);
    dc.SelectFont(nullptr);
}

TEST(Text, ACharacterSetOfOneLanguageNamesThatLanguage)
{
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 129).Language(), "ko");
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 128).Language(), "ja");
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 134).Language(), "zh-cn");
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 136).Language(), "zh-tw");
    // Sets shared by several languages leave the user's own.
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 204).Language(), "");
    EXPECT_EQ(Font("Arial", -11, 400, false, false, 238).Language(), "");
    EXPECT_EQ(Font("Arial", -11).Language(), "");
}

TEST(Files, BmpLoadsPixelForPixel)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("pattern.bmp");
    testsupport::WriteBmp(path, 7, 5, [](int x, int y) {
        return testsupport::Rgb{static_cast<uint8_t>(x * 30), static_cast<uint8_t>(y * 40), 200};
    });
    Bitmap b = Bitmap::Load(path);
    ASSERT_FALSE(b.IsNull());
    EXPECT_EQ(b.GetSize(), (Size{7, 5}));
    EXPECT_EQ(b.GetPixel(0, 0), RGB(0, 0, 200));
    EXPECT_EQ(b.GetPixel(6, 4), RGB(180, 160, 200));
}

TEST(Files, BrokenOrOversizedFilesGiveANullBitmap)
{
    testsupport::TempDir dir;
    std::string error;
    EXPECT_TRUE(Bitmap::Load(dir.File("missing.bmp"), &error).IsNull());
    EXPECT_FALSE(error.empty());

    std::vector<uint8_t> bytes = testsupport::MakeBmp(16, 16, [](int, int) { return testsupport::Rgb{1, 2, 3}; });
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + 60);
    testsupport::WriteFile(dir.File("short.bmp"), truncated);
    EXPECT_TRUE(Bitmap::Load(dir.File("short.bmp")).IsNull());

    // A header that claims 100000 x 100000 pixels on a tiny file.
    std::vector<uint8_t> huge = bytes;
    for (int i = 0; i < 4; ++i) {
        huge[18 + i] = static_cast<uint8_t>(100000 >> (8 * i));
        huge[22 + i] = static_cast<uint8_t>(100000 >> (8 * i));
    }
    testsupport::WriteFile(dir.File("huge.bmp"), huge);
    EXPECT_TRUE(Bitmap::Load(dir.File("huge.bmp")).IsNull());
}
