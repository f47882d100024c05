// A window shown after its children were made paints them too.

#include "tests/skin/skin_test_env.h"

using namespace platform;

namespace {

class CountingChild : public Window {
public:
    int paints = 0;
    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {M::On(WM_PAINT, &CountingChild::OnPaint)});
        return &map;
    }

private:
    LRESULT OnPaint(const Message&)
    {
        PaintDC dc(*this);
        ++paints;
        return 0;
    }
};

}  // namespace

TEST(WindowShow, ChildrenMadeWhileTheWindowWasHiddenArePaintedWhenItIsShown)
{
    skintest::UseMemoryWindows();
    Window top;
    ASSERT_TRUE(top.CreateEx(0, "TestParent", "test", WS_POPUP, RectOfSize(0, 0, 100, 80), nullptr, 0));
    CountingChild child;
    ASSERT_TRUE(child.CreateEx(0, "TestChild", "", WS_CHILD | WS_VISIBLE, RectOfSize(10, 10, 30, 20), &top, 1));
    PumpMessages();
    EXPECT_EQ(child.paints, 0);  // nothing shows yet
    top.ShowWindow(SW_SHOW);
    PumpMessages();
    EXPECT_GE(child.paints, 1);
    child.DestroyWindow();
    top.DestroyWindow();
}
