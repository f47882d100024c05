// The report list under the skinned lists: selecting with the pointer and
// the keys, and scrolling that keeps the focused row in view.
#include "platform/window/listctrl.h"
#include "playlist_test_env.h"

using namespace platform;
using controlstest::Click;

namespace {

class ReportList : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(host.Make({0, 0, 300, 200}));
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE, {0, 0, 200, 80}, &host, 7));
        list.InsertColumn(0, "A", LVCFMT_LEFT, 120);
        list.InsertColumn(1, "B", LVCFMT_LEFT, 50);
        for (int i = 0; i < 10; ++i)
            list.InsertItem(i, "row" + std::to_string(i));
    }
    void TearDown() override
    {
        host.DestroyWindow();
        PumpMessages();
    }
    void ClickRow(int row, uint32_t keys = 0)
    {
        const Point p{30, (row - list.GetTopIndex()) * 16 + 8};
        InjectMouseButton(host, 1, true, p, keys);
        InjectMouseButton(host, 1, false, p, keys);
        PumpMessages();
    }
    void Key(WPARAM vk)
    {
        InjectKey(host, true, vk);
        InjectKey(host, false, vk);
    }
    std::vector<int> Selected() const
    {
        std::vector<int> rows;
        for (int r = list.GetNextSelected(-1); r >= 0; r = list.GetNextSelected(r))
            rows.push_back(r);
        return rows;
    }

    controlstest::CommandSink host;
    ListCtrl list;
};

}  // namespace

TEST_F(ReportList, ClicksSelectToggleAndExtend)
{
    ClickRow(1);
    ClickRow(3, MK_SHIFT);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 2, 3}));
    ClickRow(2, MK_CONTROL);
    EXPECT_EQ(Selected(), (std::vector<int>{1, 3}));
    // Right of the columns and below the rows is no row.
    EXPECT_EQ(list.HitTest({175, 8}), -1);
    EXPECT_EQ(list.HitTest({169, 8}), 0);
    InjectMouseButton(host, 1, true, {180, 8});
    InjectMouseButton(host, 1, false, {180, 8});
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(Window::GetFocus(), &list);
}

TEST_F(ReportList, KeysMoveTheSelectionAndKeepItInView)
{
    ASSERT_EQ(list.GetCountPerPage(), 5);
    ClickRow(0);
    for (int i = 0; i < 6; ++i)
        Key(VK_DOWN);
    EXPECT_EQ(Selected(), std::vector<int>{6});
    EXPECT_EQ(list.GetTopIndex(), 2);
    Key(VK_END);
    EXPECT_EQ(Selected(), std::vector<int>{9});
    EXPECT_EQ(list.GetTopIndex(), list.GetScrollLimit());
    Key(VK_PRIOR);
    EXPECT_EQ(Selected(), std::vector<int>{4});
    Key(VK_HOME);
    EXPECT_EQ(list.GetTopIndex(), 0);
    list.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    list.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(list.GetTopIndex(), 5);
    list.SendMessage(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(list.GetTopIndex(), 4);
}
