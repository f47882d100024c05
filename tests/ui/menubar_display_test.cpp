// The menu bar under the display's own pointer: a click opens a pull-down
// that holds the pointer, and moving onto the next item switches to its
// pull-down, which only the pointer reports of the window layer can tell
// the bar while the menu holds the pointer.
#include <memory>

#include "kvostudio/libskin/menuex.h"
#include "kvostudio/playercommand.h"
#include "platform/window/popup_menu.h"
#include "platform/window/window.h"
#include "tests/mainwindow/script.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;
using Owner = uitest::CommandOwner;

TEST(MenuBarOnTheDisplay, PointerMovesSwitchOpenPullDowns)
{
    KVO_REQUIRE_DISPLAY();
    testsupport::TempDir data;
    setenv("KVO_DATA_DIR", data.Path().c_str(), 1);
    const Point at{300, 200};
    Owner owner;
    ASSERT_TRUE(owner.CreateEx(0, "Owner", "Menu owner", WS_POPUP | WS_VISIBLE, RectOfSize(at.x, at.y, 338, 120),
                               nullptr, 0));
    auto bar = std::make_unique<CMenuEx>(&owner, 74, 2);
    ASSERT_TRUE(bar->IsValid());
    auto item = [&](int i) {
        const Rect& r = CMenuEx::kItemRects[i];
        return bar->ClientToScreen(Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    };

    int lookThen = -1;
    mainwindowtest::Script script;
    script
        .Then([&] {
            ASSERT_TRUE(uitest::PointInto(owner, item(0)));
            uitest::Xdo({"click", "1"});
        })
        .When("the File pull-down", [&] { return IsMenuTracking() && bar->GetOpenItem() == 0; },
              [&] { uitest::MoveTo(item(1).x, item(1).y); })
        // Only the pointer reports of the window layer tell the bar of the
        // move while the pull-down holds the pointer.
        .When("the Play pull-down in its place", [&] { return IsMenuTracking() && bar->GetOpenItem() == 1; },
              [&] {
                  lookThen = bar->GetItemState(1);
                  uitest::Xdo({"key", "Escape"});
              })
        .When("the pull-down to close", [] { return !IsMenuTracking(); });
    ASSERT_TRUE(script.Start());
    const bool ran = script.RunToEnd();
    if (IsMenuTracking())
        EndMenu();
    ASSERT_TRUE(ran) << script.Failure();
    EXPECT_EQ(lookThen, CMenuEx::kOpen);
    EXPECT_TRUE(owner.commands.empty());
    bar.reset();
    owner.DestroyWindow();
    unsetenv("KVO_DATA_DIR");
}
