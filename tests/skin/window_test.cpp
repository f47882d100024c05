// The window service in memory: message maps, painting order and clipping,
// messages posted from other threads, pointer tracking and capture, timers,
// modal loops, and destruction.
#include <atomic>
#include <thread>

#include "platform/window/dialog.h"
#include "skin_test_env.h"

using namespace platform;
using skintest::RecordingParent;

namespace {

// A window that paints one colour and keeps every message it gets.
class Probe : public Window {
public:
    std::vector<UINT> got;
    COLORREF colour = RGB(0, 0, 0);
    bool doubleClicks = false;
    bool trackLeave = false;
    bool trackHover = false;
    bool captureOnDown = false;
    LRESULT hit = HTCLIENT;

    bool MakeChild(Window& parent, const Rect& r, COLORREF c)
    {
        colour = c;
        return CreateEx(0, "Probe", "", WS_CHILD | WS_VISIBLE, r, &parent, 0);
    }
    int Count(UINT msg) const { return static_cast<int>(std::count(got.begin(), got.end(), msg)); }

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        got.push_back(msg);
        switch (msg) {
        case WM_PAINT: {
            PaintDC dc(*this);
            dc.FillSolidRect(GetClientRect(), colour);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
            if (trackLeave)
                TrackMouseEvent(TME_LEAVE);
            if (trackHover)
                TrackMouseEvent(TME_HOVER, 1);
            return 0;
        case WM_LBUTTONDOWN:
            if (captureOnDown)
                SetCapture();
            return 0;
        case WM_NCHITTEST:
            return hit;
        default:
            return Window::WindowProc(msg, wp, lp);
        }
    }

protected:
    bool WantsDoubleClicks() const override { return doubleClicks; }
};

class WindowService : public ::testing::Test {
protected:
    void SetUp() override
    {
        skintest::UseMemoryWindows();
        ASSERT_TRUE(parent.Make(100, 60));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    RecordingParent parent;
};

// Message maps: a derived handler reaches the one it overrides with Default.
class Base : public Window {
public:
    int baseRuns = 0;
    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {M::On(WM_USER + 5, &Base::OnFive)});
        return &map;
    }
    LRESULT OnFive(const Message&)
    {
        ++baseRuns;
        return 10;
    }
};

class Derived : public Base {
public:
    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Base::GetMessageMap(), {
            M::On(WM_USER + 5, &Derived::OnFive),
            M::On(WM_NCHITTEST, &Derived::OnHit),
        });
        return &map;
    }
    LRESULT OnFive(const Message&) { return Default() + 1; }
    LRESULT OnHit(const Message&) { return Default() == HTCLIENT ? 77 : 0; }
};

}  // namespace

TEST_F(WindowService, DefaultRunsWhatTheHandlerOverrides)
{
    Derived d;
    ASSERT_TRUE(d.CreateEx(0, "Derived", "", WS_CHILD, {0, 0, 5, 5}, &parent, 1));
    EXPECT_EQ(d.SendMessage(WM_USER + 5), 11);
    EXPECT_EQ(d.baseRuns, 1);
    EXPECT_EQ(d.SendMessage(WM_NCHITTEST), 77);  // the base's default answer came through
    EXPECT_EQ(d.SendMessage(WM_USER + 6), 0);    // nobody's: the default handling
}

TEST_F(WindowService, PaintingNeverCoversChildrenOrSiblingsAbove)
{
    Probe lower, upper;
    ASSERT_TRUE(lower.MakeChild(parent, {0, 0, 20, 20}, RGB(255, 0, 0)));
    ASSERT_TRUE(upper.MakeChild(parent, {10, 0, 30, 20}, RGB(0, 0, 255)));
    Bitmap shot = parent.RenderToBitmap();
    EXPECT_EQ(shot.GetPixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(15, 5), RGB(0, 0, 255));
    EXPECT_EQ(shot.GetPixel(50, 5), RGB(0, 0, 0));

    parent.colour = RGB(0, 255, 0);
    parent.Invalidate();
    lower.Invalidate();
    shot = parent.RenderToBitmap();
    EXPECT_EQ(shot.GetPixel(50, 5), RGB(0, 255, 0));
    EXPECT_EQ(shot.GetPixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(15, 5), RGB(0, 0, 255));

    upper.ShowWindow(SW_HIDE);
    shot = parent.RenderToBitmap();
    EXPECT_EQ(shot.GetPixel(15, 5), RGB(255, 0, 0));
    EXPECT_EQ(shot.GetPixel(25, 5), RGB(0, 255, 0));
}

TEST_F(WindowService, PostedMessagesFromManyThreadsArriveInTheirOrder)
{
    struct Sink : Window {
        std::vector<std::pair<WPARAM, LPARAM>> seen;
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
        {
            if (msg == WM_USER + 1)
                seen.emplace_back(wp, lp);
            return Window::WindowProc(msg, wp, lp);
        }
    } sink;
    ASSERT_TRUE(sink.CreateEx(0, "Sink", "", WS_CHILD, {0, 0, 1, 1}, &parent, 0));
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    const WindowHandle target = sink.GetSafeHwnd();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([=] {
            for (int i = 0; i < kEach; ++i)
                EXPECT_TRUE(PostMessage(target, WM_USER + 1, t, i));
        });
    for (auto& th : threads)
        th.join();
    ASSERT_TRUE(RunLoopUntil([&] { return sink.seen.size() == kThreads * kEach; }, 20000));
    std::vector<LPARAM> last(kThreads, -1);
    for (auto [t, i] : sink.seen) {
        EXPECT_EQ(i, last[t] + 1);
        last[t] = i;
    }
}

TEST_F(WindowService, AMessageForAWindowThatIsGoneIsDroppedAndItsRecordFreed)
{
    static std::atomic<int> freed{0};
    freed = 0;
    auto drop = [](LPARAM lp) {
        delete reinterpret_cast<int*>(lp);
        ++freed;
    };
    Probe gone;
    ASSERT_TRUE(gone.MakeChild(parent, {0, 0, 5, 5}, 0));
    const WindowHandle handle = gone.GetSafeHwnd();
    std::thread worker([&] { EXPECT_TRUE(PostMessage(handle, WM_USER + 2, 0, reinterpret_cast<LPARAM>(new int(5)), drop)); });
    worker.join();
    gone.DestroyWindow();
    PumpMessages();
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(gone.Count(WM_USER + 2), 0);
    // Posting to it now fails at once, and the caller keeps its record.
    int keep = 0;
    EXPECT_FALSE(PostMessage(handle, WM_USER + 2, 0, reinterpret_cast<LPARAM>(&keep), drop));
    PumpMessages();
    EXPECT_EQ(freed, 1);
}

TEST_F(WindowService, AWorkerPostingWhileTheWindowGoesIsToldItIsGone)
{
    Probe target;
    ASSERT_TRUE(target.MakeChild(parent, {0, 0, 5, 5}, 0));
    std::atomic<int> posted{0};
    std::thread worker([&] {
        while (target.PostMessage(WM_USER + 3))
            ++posted;
    });
    ASSERT_TRUE(RunLoopUntil([&] { return target.Count(WM_USER + 3) >= 10; }, 20000));
    target.DestroyWindow();
    worker.join();  // ends only once a post was refused
    PumpMessages();
    EXPECT_LE(target.Count(WM_USER + 3), posted.load());
}

TEST_F(WindowService, LeaveComesWhenThePointerMovesOffAndWaitsForTheCapture)
{
    Probe child;
    ASSERT_TRUE(child.MakeChild(parent, {10, 10, 30, 30}, 0));
    child.trackLeave = true;
    InjectMouseMove(parent, {15, 15});
    InjectMouseMove(parent, {50, 50});
    PumpMessages();
    EXPECT_EQ(child.Count(WM_MOUSELEAVE), 1);

    child.captureOnDown = true;
    InjectMouseMove(parent, {15, 15});
    InjectMouseButton(parent, 1, true, {15, 15});
    InjectMouseMove(parent, {50, 50});  // still the child's: it holds the capture
    PumpMessages();
    EXPECT_EQ(child.Count(WM_MOUSELEAVE), 1);
    EXPECT_EQ(Window::GetCapture(), &child);
    Window::ReleaseCapture();
    PumpMessages();
    EXPECT_EQ(child.Count(WM_MOUSELEAVE), 2);
}

TEST_F(WindowService, HoverComesWhenThePointerRests)
{
    Probe child;
    ASSERT_TRUE(child.MakeChild(parent, {10, 10, 30, 30}, 0));
    child.trackHover = true;
    InjectMouseMove(parent, {15, 15});
    EXPECT_TRUE(RunLoopUntil([&] { return child.Count(WM_MOUSEHOVER) == 1; }, 20000));
}

TEST_F(WindowService, DoubleClicksOnlyForWindowsThatAskForThem)
{
    Probe plain, wants;
    ASSERT_TRUE(plain.MakeChild(parent, {0, 0, 10, 10}, 0));
    ASSERT_TRUE(wants.MakeChild(parent, {20, 0, 30, 10}, 0));
    wants.doubleClicks = true;
    for (Point p : {Point{5, 5}, Point{5, 5}, Point{25, 5}, Point{25, 5}}) {
        InjectMouseButton(parent, 1, true, p);
        InjectMouseButton(parent, 1, false, p);
    }
    EXPECT_EQ(plain.Count(WM_LBUTTONDOWN), 2);
    EXPECT_EQ(plain.Count(WM_LBUTTONDBLCLK), 0);
    EXPECT_EQ(wants.Count(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(wants.Count(WM_LBUTTONDBLCLK), 1);
}

TEST_F(WindowService, AShapedWindowOwnsOnlyTheRegionsPixels)
{
    Probe top;
    ASSERT_TRUE(top.CreateEx(0, "Probe", "", WS_POPUP | WS_VISIBLE, {0, 0, 20, 20}, nullptr, 0));
    Region shape(Rect{0, 0, 20, 20});
    shape.Subtract(Rect{0, 0, 3, 3});
    top.SetWindowRgn(shape);
    InjectMouseButton(top, 1, true, {1, 1});
    InjectMouseButton(top, 1, false, {1, 1});
    EXPECT_EQ(top.Count(WM_LBUTTONDOWN), 0);
    InjectMouseButton(top, 1, true, {10, 10});
    InjectMouseButton(top, 1, false, {10, 10});
    EXPECT_EQ(top.Count(WM_LBUTTONDOWN), 1);
    top.DestroyWindow();
}

TEST_F(WindowService, ACaptionDragMovesTheWindowWithThePointer)
{
    Probe top;
    ASSERT_TRUE(top.CreateEx(0, "Probe", "", WS_POPUP | WS_VISIBLE, {100, 100, 150, 140}, nullptr, 0));
    top.hit = HTCAPTION;
    InjectMouseMove(top, {5, 5});
    InjectMouseButton(top, 1, true, {5, 5});
    InjectMouseMove(top, {25, 15});
    InjectMouseButton(top, 1, false, {5, 5});
    EXPECT_EQ(top.GetWindowRect(), (Rect{120, 110, 170, 150}));
    EXPECT_GE(top.Count(WM_MOVING), 1);
    EXPECT_EQ(top.Count(WM_LBUTTONDOWN), 0);
    top.DestroyWindow();
}

TEST_F(WindowService, TimersTickUntilKilledOrTheWindowGoes)
{
    Probe child;
    ASSERT_TRUE(child.MakeChild(parent, {0, 0, 5, 5}, 0));
    ASSERT_TRUE(child.SetTimer(3, 5));
    unsigned period = 0;
    EXPECT_TRUE(child.HasTimer(3, &period));
    EXPECT_EQ(period, 5u);
    ASSERT_TRUE(RunLoopUntil([&] { return child.Count(WM_TIMER) >= 3; }, 20000));
    // A timer of the same period beside it: once it has ticked thrice, a
    // timer that still ran would have ticked too.
    Probe witness;
    ASSERT_TRUE(witness.MakeChild(parent, {20, 0, 25, 5}, 0));
    auto witnessTicks = [&](int n) {
        const int until = witness.Count(WM_TIMER) + n;
        return RunLoopUntil([&] { return witness.Count(WM_TIMER) >= until; }, 20000);
    };
    ASSERT_TRUE(witness.SetTimer(9, 5));
    child.KillTimer(3);
    const int ticks = child.Count(WM_TIMER);
    ASSERT_TRUE(witnessTicks(3));
    EXPECT_EQ(child.Count(WM_TIMER), ticks);

    child.SetTimer(4, 5);
    child.DestroyWindow();
    EXPECT_FALSE(child.HasTimer(4));
    ASSERT_TRUE(witnessTicks(3));
    EXPECT_EQ(child.Count(WM_TIMER), ticks);
}

TEST_F(WindowService, AModalDialogDisablesItsOwnerUntilItEnds)
{
    struct Asker : Dialog {
        Window* owner;
        bool ownerWasDisabled = false;
        explicit Asker(Window* o) : Dialog(0, o), owner(o) {}
        bool OnInitDialog() override
        {
            PostMessage(WM_USER + 9);
            return true;
        }
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
        {
            if (msg == WM_USER + 9) {
                ownerWasDisabled = !owner->IsWindowEnabled();
                EndDialog(42);
                return 0;
            }
            return Dialog::WindowProc(msg, wp, lp);
        }
    } asker(&parent);
    EXPECT_EQ(asker.DoModal(), 42);
    EXPECT_TRUE(asker.ownerWasDisabled);
    EXPECT_TRUE(parent.IsWindowEnabled());
    EXPECT_FALSE(asker.IsWindow());
}

TEST_F(WindowService, DestroyingAWindowDestroysItsChildrenAfterIt)
{
    std::vector<std::string> order;
    struct Named : Window {
        std::vector<std::string>* log = nullptr;
        std::string name;
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
        {
            if (msg == WM_DESTROY)
                log->push_back(name);
            return Window::WindowProc(msg, wp, lp);
        }
    } outer, inner;
    outer.log = inner.log = &order;
    outer.name = "outer";
    inner.name = "inner";
    ASSERT_TRUE(outer.CreateEx(0, "N", "", WS_CHILD, {0, 0, 50, 50}, &parent, 0));
    ASSERT_TRUE(inner.CreateEx(0, "N", "", WS_CHILD, {0, 0, 5, 5}, &outer, 0));
    const WindowHandle innerHandle = inner.GetSafeHwnd();
    outer.DestroyWindow();
    EXPECT_EQ(order, (std::vector<std::string>{"outer", "inner"}));
    EXPECT_FALSE(inner.IsWindow());
    EXPECT_EQ(Window::FromHandle(innerHandle), nullptr);
}
