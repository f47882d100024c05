// The menu bar: its items' looks under the pointer, its pull-downs as
// popup menus with the repeat mark, commands reaching the owner once, and
// the switch from one open pull-down to the next as the pointer moves.
#include "kvostudio/libskin/menuex.h"

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/settings.h"
#include "platform/window/input_injection.h"
#include "platform/window/popup_menu.h"
#include "platform/window/ui_loop.h"
#include "tests/mainwindow/script.h"
#include "tests/support/temp_files.h"

using namespace platform;
using mainwindowtest::Script;

namespace {

constexpr Point kOwnerAt{200, 150};

// A top-level window in memory that keeps the player commands it gets.
class Owner : public Window {
public:
    std::vector<int> commands;

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {M::On(WM_PLAYER_COMMAND, &Owner::OnCommand)});
        return &map;
    }

private:
    LRESULT OnCommand(const Message& m)
    {
        commands.push_back(static_cast<int>(m.wParam));
        return 1;
    }
};

class MenuBarTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitWindowing(DisplayMode::Headless);
        setenv("KVO_DATA_DIR", data_.Path().c_str(), 1);
        ASSERT_TRUE(owner_.CreateEx(0, "Owner", "", WS_POPUP | WS_VISIBLE, RectOfSize(kOwnerAt.x, kOwnerAt.y, 338, 329),
                                    nullptr, 0));
        bar_ = std::make_unique<CMenuEx>(&owner_, 74, 2);
        ASSERT_TRUE(bar_->IsValid());
        // The pointer starts away from the bar.
        InjectMouseMove(owner_, {300, 300});
        PumpMessages();
    }
    void TearDown() override
    {
        bar_.reset();
        owner_.DestroyWindow();
        PumpMessages();
        unsetenv("KVO_DATA_DIR");
    }

    // The middle of bar item i, on the screen.
    Point ItemPoint(int i) const
    {
        const Rect& r = CMenuEx::kItemRects[i];
        return bar_->ClientToScreen(Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    // The pointer to a screen point, arriving through the top-level 'via'.
    static void MoveTo(Window& via, Point screen)
    {
        InjectMouseMove(via, via.ScreenToClient(screen));
    }
    static void ClickAt(Window& via, Point screen)
    {
        MoveTo(via, screen);
        InjectMouseButton(via, 1, true, via.ScreenToClient(screen));
        InjectMouseButton(via, 1, false, via.ScreenToClient(screen));
    }
    // The middle of entry 'index' of the open menu level 'depth'.
    static Point EntryPoint(size_t depth, int index)
    {
        const auto levels = TrackedMenuLevels();
        if (depth >= levels.size())
            return {-1000, -1000};
        const Rect r = TrackedMenuItemRect(levels[depth], index);
        return levels[depth]->ClientToScreen(Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    static Window* Level(size_t depth)
    {
        const auto levels = TrackedMenuLevels();
        return depth < levels.size() ? levels[depth] : nullptr;
    }

    testsupport::TempDir data_;
    Owner owner_;
    std::unique_ptr<CMenuEx> bar_;
};

}  // namespace

TEST_F(MenuBarTest, PlayMenuMarksTheStoredRepeatCode)
{
    auto checkedIds = [] {
        std::vector<unsigned> ids;
        for (const PopupMenuItem& item : CMenuEx::PopupItems(1))
            for (const PopupMenuItem& sub : item.subMenu)
                if (sub.checked)
                    ids.push_back(sub.id);
        return ids;
    };
    EXPECT_EQ(checkedIds(), std::vector<unsigned>{32807});  // missing: all
    WriteConfigInt(config::kGeneral, config::kRepeat, 2);
    EXPECT_EQ(checkedIds(), std::vector<unsigned>{32806});  // off
    WriteConfigInt(config::kGeneral, config::kRepeat, 1);
    EXPECT_EQ(checkedIds(), std::vector<unsigned>{32808});  // one
    WriteConfigInt(config::kGeneral, config::kRepeat, 7);
    EXPECT_TRUE(checkedIds().empty());
    // Shuffle never carries a mark, and the other menus none at all.
    for (int i = 0; i < 4; ++i)
        for (const PopupMenuItem& item : CMenuEx::PopupItems(i))
            EXPECT_FALSE(item.checked) << item.text;
    EXPECT_TRUE(CMenuEx::PopupItems(4).empty());
}

TEST_F(MenuBarTest, ItemsShowTheirHoverLookAndLoseItWhenThePointerLeaves)
{
    MoveTo(owner_, ItemPoint(2));
    PumpMessages();
    EXPECT_EQ(bar_->GetItemState(2), CMenuEx::kHover);
    EXPECT_EQ(bar_->GetItemState(0), CMenuEx::kNormal);
    const Bitmap over = LoadSkinBitmap(skin::kMenuOptionOver);
    const Rect& r = CMenuEx::kItemRects[2];
    EXPECT_EQ(bar_->RenderToBitmap().GetPixel(r.left + 5, 5), over.GetPixel(5, 5));

    // Off the bar, within the window or out of it, the bar hears that the
    // pointer left without following it: no pull-down is open, so no hook.
    MoveTo(owner_, Point{kOwnerAt.x + 300, kOwnerAt.y + 200});
    PumpMessages();
    EXPECT_EQ(bar_->GetItemState(2), CMenuEx::kNormal);
    MoveTo(owner_, ItemPoint(1));
    PumpMessages();
    EXPECT_EQ(bar_->GetItemState(1), CMenuEx::kHover);
    InjectPointerLeave(owner_);
    PumpMessages();
    EXPECT_EQ(bar_->GetItemState(1), CMenuEx::kNormal);
    EXPECT_FALSE(bar_->IsHookInstalled());
}

TEST_F(MenuBarTest, AChosenCommandReachesTheOwnerOnceAfterTheMenuCloses)
{
    bool openLook = false;
    bool hookWhileOpen = false;
    EXPECT_FALSE(bar_->IsHookInstalled()) << "an idle bar follows no pointer";
    Script script;
    script.Then([&] { ClickAt(owner_, ItemPoint(0)); })
        .When("the File menu", [&] { return IsMenuTracking() && bar_->GetOpenItem() == 0; },
              [&] {
                  openLook = bar_->GetItemState(0) == CMenuEx::kOpen;
                  hookWhileOpen = bar_->IsHookInstalled();
                  ClickAt(*Level(0), EntryPoint(0, 0));  // "Open file..."
              });
    ASSERT_TRUE(script.Start());
    ASSERT_TRUE(script.RunToEnd()) << script.Failure();
    PumpMessages();
    EXPECT_TRUE(openLook);
    EXPECT_TRUE(hookWhileOpen);
    EXPECT_FALSE(bar_->IsHookInstalled());
    EXPECT_FALSE(IsMenuTracking());
    EXPECT_EQ(owner_.commands, std::vector<int>{32797});
    EXPECT_EQ(bar_->GetOpenItem(), -1);
    for (int i = 0; i < CMenuEx::kItemCount; ++i)
        EXPECT_EQ(bar_->GetItemState(i), CMenuEx::kNormal);
}

TEST_F(MenuBarTest, RepeatEntriesSitInASubMenu)
{
    WriteConfigInt(config::kGeneral, config::kRepeat, 0);
    Script script;
    script.Then([&] { ClickAt(owner_, ItemPoint(1)); })
        .When("the Play menu", [&] { return Level(0) != nullptr; },
              [&] { MoveTo(*Level(0), EntryPoint(0, 8)); })  // "Repeat"
        .When("the Repeat sub-menu", [&] { return TrackedMenuLevels().size() == 2; },
              [&] { ClickAt(*Level(1), EntryPoint(1, 2)); });  // "One"
    ASSERT_TRUE(script.Start());
    ASSERT_TRUE(script.RunToEnd()) << script.Failure();
    PumpMessages();
    EXPECT_EQ(owner_.commands, std::vector<int>{32808});
}

TEST_F(MenuBarTest, ClickingTheOpenItemClosesItsMenuWithoutOpeningItAgain)
{
    Script script;
    script.Then([&] { ClickAt(owner_, ItemPoint(3)); })
        .When("the Help menu", [&] { return IsMenuTracking() && bar_->GetOpenItem() == 3; },
              [&] { ClickAt(*Level(0), ItemPoint(3)); });
    ASSERT_TRUE(script.Start());
    // The first click's own handling has ended when the script has: a menu
    // opened again would still be tracked.
    ASSERT_TRUE(script.RunToEnd()) << script.Failure();
    PumpMessages();
    const bool reopened = IsMenuTracking();
    if (reopened)
        EndMenu();
    EXPECT_FALSE(reopened);
    EXPECT_TRUE(owner_.commands.empty());
    EXPECT_EQ(bar_->GetItemState(3), CMenuEx::kNormal);
}

TEST_F(MenuBarTest, MovingToAnotherItemSwitchesTheOpenMenu)
{
    int playLook = -1;
    int fileLook = -1;
    Script script;
    script.Then([&] { ClickAt(owner_, ItemPoint(0)); })
        .When("the File menu", [&] { return IsMenuTracking() && bar_->GetOpenItem() == 0; },
              [&] { MoveTo(*Level(0), ItemPoint(1)); })
        // The hook reports the move; the File menu closes, Play's opens.
        .When("the Play menu", [&] { return IsMenuTracking() && bar_->GetOpenItem() == 1; },
              [&] {
                  playLook = bar_->GetItemState(1);
                  fileLook = bar_->GetItemState(0);
                  EndMenu();
              });
    ASSERT_TRUE(script.Start());
    const bool ran = script.RunToEnd();
    if (IsMenuTracking())
        EndMenu();
    ASSERT_TRUE(ran) << script.Failure();
    EXPECT_EQ(playLook, CMenuEx::kOpen);
    EXPECT_EQ(fileLook, CMenuEx::kNormal);
    EXPECT_TRUE(owner_.commands.empty());
}

TEST_F(MenuBarTest, PopupMenuClosesOnEscapeAndIgnoresSeparatorsAndGreyedEntries)
{
    std::vector<PopupMenuItem> items(3);
    items[0].id = 1;
    items[0].text = "greyed";
    items[0].grayed = true;
    items[2].id = 2;
    items[2].text = "plain";
    UINT chosen = 99;
    bool stillOpen = false;
    Script script;
    script.Then([&] { chosen = TrackPopupMenu(items, {500, 500}, &owner_); })
        .When("the menu", [] { return IsMenuTracking() && !TrackedMenuLevels().empty(); },
              [&] {
                  ClickAt(*Level(0), EntryPoint(0, 0));
                  ClickAt(*Level(0), EntryPoint(0, 1));
                  stillOpen = IsMenuTracking();
                  Level(0)->SendMessage(WM_KEYDOWN, VK_ESCAPE);
              });
    ASSERT_TRUE(script.Start());
    ASSERT_TRUE(script.RunToEnd()) << script.Failure();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(chosen, 0u);
    EXPECT_FALSE(IsMenuTracking());
}

TEST(MenuBarSkin, AMissingImageLeavesNoBar)
{
    InitWindowing(DisplayMode::Headless);
    testsupport::TempDir emptySkin;
    setenv("KVO_SKIN_DIR", emptySkin.Path().c_str(), 1);
    Owner owner;
    ASSERT_TRUE(owner.CreateEx(0, "Owner", "", WS_POPUP, RectOfSize(0, 0, 200, 100), nullptr, 0));
    CMenuEx bar(&owner, 74, 2);
    unsetenv("KVO_SKIN_DIR");
    EXPECT_FALSE(bar.IsValid());
    EXPECT_FALSE(bar.IsWindow());
    EXPECT_TRUE(owner.GetChildren().empty());
    owner.DestroyWindow();
}
