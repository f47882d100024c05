// The image button: the image of each state, the click, blinking, new
// images, and its tooltip; driven by pointer events in memory.
#include "kvostudio/libskin/imagebutton.h"
#include "skin_test_env.h"

using namespace platform;
using skintest::RecordingParent;
using testsupport::Rgb;

namespace {

constexpr Rgb kNormal{200, 0, 0};
constexpr Rgb kOver{0, 200, 0};
constexpr Rgb kPress{0, 0, 200};
constexpr Rgb kBlink{200, 200, 0};
constexpr COLORREF C(Rgb c) { return RGB(c.r, c.g, c.b); }
constexpr int kId = 2031;
const Rect kPlace{10, 10, 30, 25};

class ImageButton : public ::testing::Test {
protected:
    void SetUp() override
    {
        skintest::UseMemoryWindows();
        skins.Solid("n.bmp", 20, 15, kNormal);
        skins.Solid("o.bmp", 20, 15, kOver);
        skins.Solid("p.bmp", 20, 15, kPress);
        skins.Solid("b.bmp", 20, 15, kBlink);
        skins.Solid("wide.bmp", 30, 15, kOver);
        ASSERT_TRUE(parent.Make(100, 60));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    COLORREF Shown() { return button.RenderToBitmap().GetPixel(5, 5); }
    void Hover(Point p)
    {
        InjectMouseMove(parent, p);
        RunLoopUntil([&] { return button.GetState() != CImageButton::kNormal; }, 20000);
    }

    skintest::ScopedSkinFolder skins;
    RecordingParent parent;
    CImageButton button;
};

}  // namespace

TEST_F(ImageButton, EachStateShowsItsImageAndAReleaseInsideClicksOnce)
{
    ASSERT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "o.bmp", "p.bmp", ""), 1);
    EXPECT_EQ(Shown(), C(kNormal));
    Hover({15, 15});
    EXPECT_EQ(button.GetState(), CImageButton::kOver);
    EXPECT_EQ(Shown(), C(kOver));
    InjectMouseButton(parent, 1, true, {15, 15});
    EXPECT_EQ(Shown(), C(kPress));
    EXPECT_TRUE(parent.commands.empty());
    InjectMouseButton(parent, 1, false, {15, 15});
    EXPECT_EQ(Shown(), C(kOver));
    ASSERT_EQ(parent.commands.size(), 1u);
    EXPECT_EQ(parent.commands[0].id, kId);
    EXPECT_EQ(parent.commands[0].code, static_cast<int>(BN_CLICKED));
    InjectMouseMove(parent, {80, 50});
    PumpMessages();
    EXPECT_EQ(Shown(), C(kNormal));
}

TEST_F(ImageButton, PressedInsideAndReleasedOutsideEndsNormalWithoutAClick)
{
    ASSERT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "o.bmp", "p.bmp", ""), 1);
    Hover({15, 15});
    InjectMouseButton(parent, 1, true, {15, 15});
    InjectMouseMove(parent, {80, 50});
    InjectMouseButton(parent, 1, false, {80, 50});
    PumpMessages();
    EXPECT_EQ(button.GetState(), CImageButton::kNormal);
    EXPECT_EQ(Shown(), C(kNormal));
    EXPECT_TRUE(parent.commands.empty());
}

TEST_F(ImageButton, AMissingImageMakesNoButton)
{
    EXPECT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "missing_over.bmp", "p.bmp", ""), 0);
    EXPECT_FALSE(button.IsWindow());
    EXPECT_TRUE(parent.GetChildren().empty());
}

TEST_F(ImageButton, BlinkingAlternatesOnceASecondOnlyInTheNormalState)
{
    ASSERT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "o.bmp", "p.bmp", "b.bmp"), 1);
    button.SetBlink(true);
    unsigned period = 0;
    ASSERT_TRUE(button.HasTimer(CImageButton::kBlinkTimer, &period));
    EXPECT_EQ(period, 1000u);
    std::vector<COLORREF> seen;
    for (int tick = 0; tick < 4; ++tick) {
        button.SendMessage(WM_TIMER, CImageButton::kBlinkTimer);
        seen.push_back(Shown());
    }
    EXPECT_EQ(seen, (std::vector<COLORREF>{C(kBlink), C(kNormal), C(kBlink), C(kNormal)}));
    // Other repaints do not turn the phase.
    button.Invalidate();
    EXPECT_EQ(Shown(), C(kNormal));
    // Under the mouse the button shows its over image, whatever the clock.
    Hover({15, 15});
    button.SendMessage(WM_TIMER, CImageButton::kBlinkTimer);
    EXPECT_EQ(Shown(), C(kOver));
    button.SetBlink(false);
    EXPECT_FALSE(button.HasTimer(CImageButton::kBlinkTimer));
}

TEST_F(ImageButton, NewImagesMoveTheButtonOnlyWhenTheSizeChanges)
{
    ASSERT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "o.bmp", "p.bmp", ""), 1);
    EXPECT_EQ(button.SetBitmaps({40, 40, 60, 55}, "o.bmp", "o.bmp", "p.bmp", ""), 1);
    EXPECT_EQ(button.GetRectInParent(), kPlace);
    EXPECT_EQ(Shown(), C(kOver));
    EXPECT_EQ(button.SetBitmaps({40, 30, 70, 45}, "wide.bmp", "wide.bmp", "p.bmp", ""), 1);
    EXPECT_EQ(button.GetRectInParent(), (Rect{40, 30, 70, 45}));
    // A missing file leaves the images the button has.
    EXPECT_EQ(button.SetBitmaps({40, 30, 70, 45}, "n.bmp", "gone.bmp", "p.bmp", ""), 0);
    EXPECT_EQ(Shown(), C(kOver));
}

TEST_F(ImageButton, ItsTooltipShowsTheTextWhileThePointerRestsOnIt)
{
    ASSERT_EQ(button.Create(kPlace, &parent, kId, "n.bmp", "o.bmp", "p.bmp", ""), 1);
    button.SetToolTipText("Play");
    InjectMouseMove(parent, {15, 15});
    ASSERT_TRUE(RunLoopUntil([&] { return button.GetToolTip().IsShown(); }, 20000));
    EXPECT_EQ(button.GetToolTip().ShownText(), "Play");
    InjectMouseButton(parent, 1, true, {15, 15});
    EXPECT_FALSE(button.GetToolTip().IsShown());
    InjectMouseButton(parent, 1, false, {15, 15});

    // The play/pause button swaps its tip on every press: the tip is
    // replaced, the tool list does not grow.
    for (int i = 0; i < 5; ++i)
        button.SetToolTipText(i % 2 ? "Play" : "Pause");
    EXPECT_EQ(button.GetToolTip().GetToolCount(), 1);
}
