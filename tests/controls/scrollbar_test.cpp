// The list scrollbar: where the thumb sits for the list's position, what it
// shows, and the steps its arrows, span and thumb ask of the list.
#include <algorithm>

#include "controls_test_env.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/libskin/skinverticlescrollbar.h"

using namespace platform;
using controlstest::Button;
using controlstest::MoveTo;

namespace {

constexpr COLORREF kUp = RGB(200, 0, 0);
constexpr COLORREF kSpan = RGB(0, 200, 0);
constexpr COLORREF kDown = RGB(0, 0, 200);
constexpr COLORREF kThumb = RGB(200, 200, 0);

// A list of rows that scrolls a line or five rows a page, and keeps what
// the bar asked of it.
class FakeList : public Window, public CScrollBarClient {
public:
    int pos = 0;
    int limit = 0;
    std::vector<WPARAM> steps;
    std::vector<int> scrolls;

    Window* GetScrollWindow() override { return this; }
    int GetVScrollPos() const override { return pos; }
    int GetVScrollLimit() const override { return limit; }
    int GetRowHeight() const override { return 16; }
    void ScrollBy(int dy) override
    {
        scrolls.push_back(dy);
        pos = std::clamp(pos + dy / 16, 0, limit);
    }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg != WM_VSCROLL)
            return Window::WindowProc(msg, wp, lp);
        steps.push_back(wp);
        const int delta[] = {-1, 1, -5, 5};
        pos = std::clamp(pos + delta[wp], 0, limit);
        return 0;
    }
};

class Scrollbar : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        skins.Pattern(skin::kScrollUp, 9, 18, [](int, int) { return testsupport::Rgb{200, 0, 0}; });
        skins.Pattern(skin::kScrollSpan, 9, 69, [](int, int) { return testsupport::Rgb{0, 200, 0}; });
        skins.Pattern(skin::kScrollDown, 9, 18, [](int, int) { return testsupport::Rgb{0, 0, 200}; });
        skins.Pattern(skin::kScrollThumb, 9, 17, [](int, int) { return testsupport::Rgb{200, 200, 0}; });
        ASSERT_TRUE(parent.Make({100, 100, 300, 300}));
        ASSERT_TRUE(list.CreateEx(0, "List", "", WS_CHILD | WS_VISIBLE, {0, 0, 100, 150}, &parent, 1001));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    void MakeBar(int height, int limit, int pos = 0)
    {
        list.limit = limit;
        list.pos = pos;
        ASSERT_TRUE(bar.Create(&parent));
        EXPECT_EQ(bar.GetDlgCtrlID(), 0xFFFF);
        bar.Bind(&list);
        ASSERT_TRUE(bar.LoadBitmaps());
        bar.MoveWindow(RectOfSize(100, 0, 9, height));
        bar.UpdateThumb();
    }
    // A point of the bar in screen terms.
    Point At(int x, int y) const { return bar.ClientToScreen(Point{x, y}); }
    void Press(int y)
    {
        MoveTo(parent, At(4, y));
        Button(parent, At(4, y), true);
    }
    void Release(int x, int y)
    {
        MoveTo(parent, At(x, y));
        Button(parent, At(x, y), false);
    }

    controlstest::ScopedSkinFolder skins;
    controlstest::CommandSink parent;
    FakeList list;
    CSkinVerticleScrollbar bar;
};

}  // namespace

TEST(ScrollbarThumb, FollowsTheListsPositionAndStaysOnTheSpan)
{
    struct Case {
        int h, pos, limit, top;
    } cases[] = {
        {105, 0, 10, 18},   // at the start
        {105, 5, 10, 44},   // 5 x 52/10 = 26 below the arrow
        {105, 10, 10, 69},  // the end: kept above the down arrow
        {105, 3, 0, 18},    // nothing to scroll
        {105, 1000000000, 3, 69},
        {40, 2, 4, 18},     // too short for any travel
        {205, 50, 100, 94},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CSkinVerticleScrollbar::ThumbTopFor(c.h, c.pos, c.limit), c.top)
            << c.h << " " << c.pos << "/" << c.limit;
}

TEST_F(Scrollbar, DrawsArrowsSpanAndThumbAndNoThumbWhenNothingScrolls)
{
    MakeBar(105, 10, 5);
    Bitmap shown = bar.RenderToBitmap();
    EXPECT_EQ(shown.GetPixel(4, 5), kUp);
    EXPECT_EQ(shown.GetPixel(4, 30), kSpan);
    EXPECT_EQ(shown.GetPixel(4, 44), kThumb);
    EXPECT_EQ(shown.GetPixel(4, 60), kThumb);
    EXPECT_EQ(shown.GetPixel(4, 61), kSpan);
    EXPECT_EQ(shown.GetPixel(4, 100), kDown);

    list.limit = 0;
    bar.UpdateThumb();
    shown = bar.RenderToBitmap();
    EXPECT_EQ(controlstest::CountColour(shown, {0, 0, 9, 105}, kThumb), 0);
}

TEST_F(Scrollbar, ATallerBarKeepsItsBottomArrowWhereItIsClicked)
{
    MakeBar(150, 0);
    const Bitmap shown = bar.RenderToBitmap();
    EXPECT_EQ(shown.GetPixel(4, 140), kDown);
    EXPECT_EQ(shown.GetPixel(4, 120), kSpan);  // the span reaches down to it
    EXPECT_EQ(controlstest::CountColour(shown, {0, 132, 9, 150}, kDown), 9 * 18);
}

TEST_F(Scrollbar, AClickOnTheSpanPagesTowardsIt)
{
    MakeBar(105, 20, 5);
    const int top = bar.GetThumbTop();
    Press(top + 25);
    Release(4, top + 25);
    Press(25);
    Release(4, 25);
    EXPECT_EQ(list.steps, (std::vector<WPARAM>{SB_PAGEDOWN, SB_PAGEUP}));
    EXPECT_EQ(bar.GetThumbTop(), CSkinVerticleScrollbar::ThumbTopFor(105, list.pos, 20));
}

TEST_F(Scrollbar, AHeldArrowStepsOnceAfterTheDelayAndEveryRepeatThenOnceMore)
{
    MakeBar(105, 20, 0);
    Press(100);
    unsigned period = 0;
    ASSERT_TRUE(bar.HasTimer(CSkinVerticleScrollbar::kDelayTimer, &period));
    EXPECT_EQ(period, 250u);
    bar.SendMessage(WM_TIMER, CSkinVerticleScrollbar::kDelayTimer);
    EXPECT_FALSE(bar.HasTimer(CSkinVerticleScrollbar::kDelayTimer));
    ASSERT_TRUE(bar.HasTimer(CSkinVerticleScrollbar::kRepeatTimer, &period));
    EXPECT_EQ(period, 50u);
    for (int i = 0; i < 3; ++i)
        bar.SendMessage(WM_TIMER, CSkinVerticleScrollbar::kRepeatTimer);
    Release(4, 100);
    EXPECT_EQ(list.steps, std::vector<WPARAM>(4, SB_LINEDOWN));
    EXPECT_FALSE(bar.HasTimer(CSkinVerticleScrollbar::kRepeatTimer));
    EXPECT_FALSE(bar.HasTimer(CSkinVerticleScrollbar::kDelayTimer));
    EXPECT_EQ(Window::GetCapture(), nullptr);

    Press(5);  // a quick click: one line, no timer left behind
    Release(4, 5);
    EXPECT_EQ(list.steps.back(), SB_LINEUP);
    EXPECT_EQ(list.steps.size(), 5u);
    EXPECT_FALSE(bar.HasTimer(CSkinVerticleScrollbar::kDelayTimer));
}

TEST_F(Scrollbar, AnArrowReleasedElsewherePagesByThePointersSideInstead)
{
    MakeBar(105, 20, 0);
    Press(5);
    Release(4, 80);  // below the thumb, on the span
    Press(100);
    Release(30, 100);  // beside the bar: not on the arrow
    EXPECT_EQ(list.steps, (std::vector<WPARAM>{SB_PAGEDOWN, SB_PAGEDOWN}));
}

TEST_F(Scrollbar, DraggingTheThumbScrollsTheListByWholeRows)
{
    MakeBar(105, 10, 0);
    Press(20);
    ASSERT_TRUE(bar.IsDragging());
    MoveTo(parent, At(4, 18 + 26));  // half the travel: row 5
    EXPECT_EQ(list.scrolls, std::vector<int>{5 * 16});
    EXPECT_EQ(list.pos, 5);
    MoveTo(parent, At(4, 300));  // far below: the thumb stays on the span
    EXPECT_EQ(bar.GetThumbTop(), 69);
    EXPECT_EQ(list.pos, 10);
    Release(4, 300);
    EXPECT_TRUE(list.steps.empty());  // a drag ends without a page step
    EXPECT_FALSE(bar.IsDragging());
}
