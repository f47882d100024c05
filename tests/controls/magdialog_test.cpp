// Sticky and resizable dialogs, dragged with the pointer in memory: docking
// to the owner's sides, following the owner at the same place along the
// side, undocking, the border hit test and resizing by an edge.
#include "controls_test_env.h"
#include "kvostudio/resizingdialog.h"

using namespace platform;
using controlstest::Button;
using controlstest::MoveTo;

namespace {

class StickyDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(owner.Create(102));
        ASSERT_TRUE(child.Create(162));
        owner.EnableBorderHitTest(true);
        child.EnableBorderHitTest(true);
        owner.SetWindowPos(100, 100, 300, 200, SWP_NOZORDER);
        owner.AddChild(&child, false, 0);
    }
    void TearDown() override
    {
        child.DestroyWindow();
        owner.DestroyWindow();
        PumpMessages();
    }
    // Presses inside 'w' at 'grab' (screen), drags through 'path', lets go.
    void Drag(Window& w, Point grab, std::initializer_list<Point> path)
    {
        MoveTo(w, grab);
        Button(w, grab, true);
        Point last = grab;
        for (Point p : path) {
            MoveTo(w, p);
            last = p;
        }
        Button(w, last, false);
    }
    Point TopLeft(const Window& w) const { return w.GetWindowRect().TopLeft(); }

    CResizingDialog owner{102, nullptr};
    CResizingDialog child{162, nullptr};
};

}  // namespace

TEST_F(StickyDialogs, AChildDroppedNearTheRightEdgeDocksAndFollowsAtItsPlace)
{
    child.SetWindowPos(600, 100, 200, 150, SWP_NOZORDER);
    Drag(child, {610, 150}, {{415, 190}});  // left edge 5 pixels past the owner's right
    EXPECT_TRUE(child.IsDocked());
    EXPECT_EQ(child.GetDockSide(), CMagDialog::kRight);
    EXPECT_EQ(TopLeft(child), (Point{400, 140}));  // against the edge, 40 below its top

    Drag(owner, {200, 200}, {{225, 215}, {250, 230}});
    EXPECT_EQ(TopLeft(owner), (Point{150, 130}));
    EXPECT_EQ(TopLeft(child), (Point{450, 170}));

    // Shown again after the owner moved without it, it comes back to its place.
    child.ShowWindow(SW_HIDE);
    owner.SetWindowPos(20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    child.ShowWindow(SW_SHOW);
    EXPECT_EQ(TopLeft(child), (Point{320, 70}));
}

TEST_F(StickyDialogs, ADockedChildSlidAlongTheBottomKeepsThatOffset)
{
    child.SetWindowPos(100, 500, 200, 100, SWP_NOZORDER);
    // Up to the owner's bottom edge, then sideways while still held.
    Drag(child, {150, 550}, {{150, 357}, {165, 357}, {170, 352}});
    EXPECT_EQ(child.GetDockSide(), CMagDialog::kBottom);
    EXPECT_EQ(TopLeft(child), (Point{120, 300}));

    Drag(owner, {200, 200}, {{230, 180}});
    EXPECT_EQ(TopLeft(child), (Point{150, 280}));
}

TEST_F(StickyDialogs, NearTheEdgeAChildLinesUpWithIt)
{
    child.SetWindowPos(600, 100, 200, 150, SWP_NOZORDER);
    Drag(child, {610, 150}, {{412, 160}});
    EXPECT_EQ(TopLeft(child), (Point{400, 100}));  // 10 below the top: lined up
}

TEST_F(StickyDialogs, DraggedAwayAChildUndocksAndStaysBehind)
{
    child.SetWindowPos(400, 100, 200, 150, SWP_NOZORDER);
    child.DockRight();
    Drag(child, {450, 150}, {{550, 150}});
    EXPECT_FALSE(child.IsDocked());
    EXPECT_FALSE(owner.FindChild(&child)->docked);
    Drag(owner, {200, 200}, {{150, 200}});
    EXPECT_EQ(TopLeft(child), (Point{500, 100}));
}

TEST(BorderHitTest, EdgesAndCornersAreThreePixelBands)
{
    const Rect w{10, 10, 110, 60};
    struct Case {
        Point p;
        LRESULT hit;
    } cases[] = {
        {{13, 13}, HTCAPTION},     {{106, 56}, HTCAPTION},   {{10, 10}, HTTOPLEFT},
        {{12, 12}, HTTOPLEFT},     {{109, 10}, HTTOPRIGHT},  {{10, 59}, HTBOTTOMLEFT},
        {{109, 59}, HTBOTTOMRIGHT}, {{50, 10}, HTTOP},       {{50, 59}, HTBOTTOM},
        {{10, 30}, HTLEFT},        {{109, 30}, HTRIGHT},     {{5, 5}, HTNOWHERE},
        {{110, 30}, HTNOWHERE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CResizingDialog::BorderHitTest(w, c.p), c.hit) << c.p.x << "," << c.p.y;
}

TEST_F(StickyDialogs, AnEdgeResizesTheWindowAndUndocksIt)
{
    child.SetWindowPos(400, 100, 200, 100, SWP_NOZORDER);
    child.DockRight();
    child.EnableBorderSizing(true);
    EXPECT_EQ(child.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(599, 150)), HTRIGHT);

    Drag(child, {599, 150}, {{639, 160}});
    EXPECT_EQ(child.GetWindowRect(), (Rect{400, 100, 640, 200}));
    EXPECT_FALSE(child.IsDocked());
    EXPECT_FALSE(owner.FindChild(&child)->docked);

    Drag(child, {400, 199}, {{700, 300}});  // the bottom-left corner, far past the right
    EXPECT_EQ(child.GetWindowRect(), (Rect{608, 100, 640, 301}));  // no narrower than 32

    child.EnableBorderHitTest(false);
    EXPECT_EQ(child.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(599, 150)), HTCLIENT);
}
