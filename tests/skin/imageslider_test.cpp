// The image slider: where its fill and thumb sit for a position, clicks and
// drags with their one notification, and the guarded divisions.
#include "kvostudio/libskin/imagesliderctrl.h"
#include "skin_test_env.h"

using namespace platform;
using skintest::RecordingParent;
using testsupport::Rgb;

namespace {

constexpr Rgb kBack{90, 90, 90};
constexpr Rgb kDone{220, 30, 30};
constexpr Rgb kFill{240, 240, 240};
constexpr Rgb kThumb{0, 0, 0};
constexpr Rgb kThumbOver{0, 160, 0};
constexpr Rgb kThumbPress{0, 0, 160};
constexpr COLORREF C(Rgb c) { return RGB(c.r, c.g, c.b); }
constexpr int kId = 2028;
// A bar of 220 x 10 at (10, 20) in its parent: track 220, thumb 20, travel 200.
const Rect kWindow{10, 20, 230, 30};
const Rect kTrack{0, 0, 220, 10};
const Rect kThumbRect{0, 0, 20, 10};
const Rect kDoneStrip{0, 40, 220, 50};

class ImageSlider : public ::testing::Test {
protected:
    void SetUp() override
    {
        skintest::UseMemoryWindows();
        // The background sheet: the track where the bar sits, and the
        // "done" strip the fill source points at.
        skins.Pattern("back.bmp", 240, 60, [](int, int y) { return y >= 40 ? kDone : kBack; });
        skins.Solid("fill.bmp", 220, 10, kFill);
        skins.Solid("thumb.bmp", 20, 10, kThumb);
        skins.Solid("thumb_over.bmp", 20, 10, kThumbOver);
        skins.Solid("thumb_press.bmp", 20, 10, kThumbPress);
        ASSERT_TRUE(parent.Make(260, 100));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    bool Make(bool horizontal = true, int min = 0, int max = 100)
    {
        return slider.Create(kWindow, kTrack, kThumbRect, &parent, kId, horizontal, "back.bmp", "fill.bmp",
                             "thumb.bmp", "thumb_over.bmp", "thumb_press.bmp", min, max) == 1;
    }
    // Parent coordinates of a point of the slider.
    Point At(int x, int y) { return {kWindow.left + x, kWindow.top + y}; }

    skintest::ScopedSkinFolder skins;
    RecordingParent parent;
    CImageSliderCtrl slider;
};

}  // namespace

TEST_F(ImageSlider, ThumbAndFillSitWhereThePositionSays)
{
    ASSERT_TRUE(Make());
    EXPECT_EQ(slider.GetTravel(), 200);
    slider.SetFillPercent(50);
    slider.SetPos(50);
    Bitmap shot = slider.RenderToBitmap();
    EXPECT_EQ(slider.GetThumbRect().left, 100);
    EXPECT_EQ(shot.GetPixel(100, 5), C(kThumb));
    EXPECT_EQ(shot.GetPixel(119, 5), C(kThumb));
    EXPECT_EQ(shot.GetPixel(99, 5), C(kFill));    // the fill covers the left half
    EXPECT_EQ(shot.GetPixel(120, 5), C(kBack));   // beyond it the background
    EXPECT_EQ(shot.GetPixel(200, 5), C(kBack));

    slider.SetFillSource(kDoneStrip.left, kDoneStrip.top, kDoneStrip.right, kDoneStrip.bottom);
    slider.SetPos(25);
    shot = slider.RenderToBitmap();
    EXPECT_EQ(shot.GetPixel(49, 5), C(kDone));  // the part before the thumb
    EXPECT_EQ(shot.GetPixel(50, 5), C(kThumb));
    EXPECT_EQ(shot.GetPixel(75, 5), C(kFill));

    slider.SetFillPercent(101);  // out of range: nothing changes
    EXPECT_EQ(slider.GetFillRect(), (Rect{0, 0, 110, 10}));
    slider.SetPos(100);
    EXPECT_EQ(slider.GetThumbRect().left, 200);
    slider.SetPos(-5);
    EXPECT_EQ(slider.GetThumbRect().left, 0);
}

TEST_F(ImageSlider, AJumpRepaintsEverythingTheFillSourceCovers)
{
    ASSERT_TRUE(Make());
    slider.SetFillPercent(100);
    slider.SetFillSource(kDoneStrip.left, kDoneStrip.top, kDoneStrip.right, kDoneStrip.bottom);
    slider.SetPos(0);
    EXPECT_EQ(slider.RenderToBitmap().GetPixel(80, 5), C(kFill));
    slider.SetPos(80);  // the thumb jumps 160 pixels at once
    EXPECT_EQ(slider.RenderToBitmap().GetPixel(80, 5), C(kDone));
}

TEST_F(ImageSlider, AVerticalThumbRisesFromTheBottom)
{
    // 20 wide, 120 high, track 120 high, thumb 20 high: travel 100.
    ASSERT_EQ(slider.Create({10, 0, 30, 120}, {0, 0, 20, 120}, {0, 0, 20, 20}, &parent, kId, false, "back.bmp",
                            "fill.bmp", "thumb.bmp", "", "", 0, 100),
              1);
    slider.SetPos(30);
    EXPECT_EQ(slider.GetThumbRect(), (Rect{0, 70, 20, 90}));
    slider.SetFillPercent(25);
    EXPECT_EQ(slider.GetFillRect(), (Rect{0, 90, 20, 120}));
}

TEST_F(ImageSlider, AClickOnTheTrackJumpsThereAndNotifiesOnce)
{
    ASSERT_TRUE(Make());
    InjectMouseButton(parent, 1, true, At(160, 5));
    InjectMouseButton(parent, 1, false, At(160, 5));
    EXPECT_EQ(slider.GetThumbRect().left, 150);  // centred on the point
    EXPECT_EQ(slider.GetPos(), 75);
    ASSERT_EQ(parent.notifications.size(), 1u);
    EXPECT_EQ(parent.notifications[0].id, kId);
    EXPECT_EQ(parent.notifications[0].code, NM_RELEASEDCAPTURE);
}

TEST_F(ImageSlider, ADragMovesTheThumbAndSetsThePositionOnRelease)
{
    ASSERT_TRUE(Make());
    InjectMouseMove(parent, At(10, 5));
    EXPECT_EQ(slider.GetState(), CImageSliderCtrl::kOver);
    InjectMouseButton(parent, 1, true, At(10, 5));
    EXPECT_EQ(slider.GetState(), CImageSliderCtrl::kDragging);
    EXPECT_EQ(Window::GetCapture(), &slider);
    EXPECT_EQ(slider.RenderToBitmap().GetPixel(5, 5), C(kThumbPress));
    InjectMouseMove(parent, At(90, 5));
    InjectMouseMove(parent, At(250, 40));  // off the bar: the capture keeps it ours
    EXPECT_EQ(slider.GetThumbRect().left, 200);
    EXPECT_EQ(slider.GetPos(), 0);  // not while dragging
    slider.SetPos(30);              // the program's update waits for the drag
    EXPECT_EQ(slider.GetThumbRect().left, 200);
    EXPECT_TRUE(parent.notifications.empty());
    InjectMouseButton(parent, 1, false, At(250, 40));
    EXPECT_EQ(slider.GetPos(), 100);
    EXPECT_EQ(parent.notifications.size(), 1u);
    EXPECT_EQ(Window::GetCapture(), nullptr);
    PumpMessages();
    EXPECT_EQ(slider.GetState(), CImageSliderCtrl::kNormal);  // released off the bar
}

TEST_F(ImageSlider, WithInputOffAClickChangesNothing)
{
    ASSERT_TRUE(Make());
    slider.EnableInput(false);
    InjectMouseButton(parent, 1, true, At(160, 5));
    InjectMouseButton(parent, 1, false, At(160, 5));
    EXPECT_EQ(slider.GetThumbRect().left, 0);
    EXPECT_TRUE(parent.notifications.empty());
}

TEST_F(ImageSlider, AnEmptyRangeOrTravelNeverDividesByZero)
{
    ASSERT_TRUE(Make(true, 50, 50));
    slider.SetPos(50);
    slider.SetPos(60);
    EXPECT_EQ(slider.GetThumbRect().left, 200);
    InjectMouseButton(parent, 1, true, At(100, 5));
    InjectMouseButton(parent, 1, false, At(100, 5));
    EXPECT_EQ(slider.GetPos(), 50);
    slider.DestroyWindow();

    // A thumb as long as the track: no travel at all.
    CImageSliderCtrl stuck;
    ASSERT_EQ(stuck.Create(kWindow, kThumbRect, kThumbRect, &parent, 7, true, "back.bmp", "fill.bmp", "thumb.bmp", "",
                           "", 0, 100),
              1);
    EXPECT_EQ(stuck.GetTravel(), 0);
    stuck.SetPos(70);
    EXPECT_EQ(stuck.GetThumbRect().left, 0);
    InjectMouseButton(parent, 1, true, At(150, 5));
    InjectMouseButton(parent, 1, false, At(150, 5));
    EXPECT_GE(stuck.GetPos(), 0);
    EXPECT_LE(stuck.GetPos(), 100);
}

TEST_F(ImageSlider, ARangeThatDoesNotStartAtZeroMapsAcrossTheWholeTrack)
{
    ASSERT_TRUE(Make(true, 10, 20));
    slider.SetPos(15);
    EXPECT_EQ(slider.GetThumbRect().left, 100);
    InjectMouseButton(parent, 1, true, At(110, 5));  // on the thumb: a drag that goes nowhere
    InjectMouseButton(parent, 1, false, At(110, 5));
    EXPECT_EQ(slider.GetPos(), 15);
}
