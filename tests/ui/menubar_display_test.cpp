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
    uitest::Settle();
    auto item = [&](int i) {
        const Rect& r = CMenuEx::kItemRects[i];
        return bar->ClientToScreen(Point{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    };

    int openFirst = -2;
    int openThen = -2;
    int lookThen = -1;
    mainwindowtest::Script script({
        [&] {
            const Point p = item(0);
            uitest::MoveTo(p.x, p.y);
            uitest::Xdo({"click", "1"});
        },
        [&] { openFirst = bar->GetOpenItem(); },
        [&] {
            const Point p = item(1);
            uitest::MoveTo(p.x, p.y);
        },
        [&] {},
        [&] {
            openThen = bar->GetOpenItem();
            lookThen = bar->GetItemState(1);
            uitest::Xdo({"key", "Escape"});
        },
        [&] {
            if (IsMenuTracking())
                EndMenu();
        },
    });
    ASSERT_TRUE(script.Start(250));
    ASSERT_TRUE(script.RunToEnd(20000));
    uitest::Settle(100);
    EXPECT_EQ(openFirst, 0);
    EXPECT_EQ(openThen, 1);
    EXPECT_EQ(lookThen, CMenuEx::kOpen);
    EXPECT_FALSE(IsMenuTracking());
    EXPECT_TRUE(owner.commands.empty());
    bar.reset();
    owner.DestroyWindow();
    uitest::Settle(50);
    unsetenv("KVO_DATA_DIR");
}
