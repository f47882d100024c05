// The popup skin menu and a resizable dialog on the display, with real
// pointer events: the menu holds the desktop's pointer (a click on the bare
// desktop closes it, a click on an entry posts the command), and a dialog
// is resized by its edge and moved by its interior.
#include "kvostudio/menuresource.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/resizingdialog.h"
#include "kvostudio/skinmenu.h"
#include "ui_test_env.h"

using namespace platform;
using uitest::Wait;
using Owner = uitest::CommandOwner;

TEST(MenuOnTheDisplay, HoldsThePointerUntilAClickChoosesOrDismisses)
{
    KVO_REQUIRE_DISPLAY();
    Owner owner;
    ASSERT_TRUE(owner.CreateEx(0, "Owner", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(420, 80, 338, 180), nullptr,
                               0));
    const Point at{440, 100};
    // The menu, once the pointer is over it on the screen.
    auto open = [&]() -> WindowHandle {
        CSkinMenu* menu = CSkinMenu::Show(&owner, at.x, at.y, 100, IDR_LISTPOPUP, false);
        if (!menu || !uitest::PointInto(*menu, {at.x + 30, at.y + 25}))
            return 0;
        return menu->GetSafeHwnd();
    };
    auto isOpen = [](WindowHandle h) { return Window::FromHandle(h) != nullptr; };

    WindowHandle menu = open();
    ASSERT_NE(menu, 0u);
    ASSERT_TRUE(Wait([&] { return static_cast<CSkinMenu*>(Window::FromHandle(menu))->GetItems()[1].state == 2; }));
    uitest::Screenshot(uitest::ArtifactPath("skin_menu_open.png"));
    // The bare desktop, far from every window of ours.
    ASSERT_TRUE(uitest::MoveTo(100, 900));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    ASSERT_TRUE(Wait([&] { return !isOpen(menu); }));
    EXPECT_TRUE(owner.commands.empty());

    menu = open();
    ASSERT_NE(menu, 0u);
    ASSERT_TRUE(uitest::MoveTo(at.x + 30, at.y + 40));  // "Remove all"
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    ASSERT_TRUE(Wait([&] { return !owner.commands.empty(); }));
    EXPECT_EQ(owner.commands, std::vector<int>{32824});
    EXPECT_FALSE(isOpen(menu));

    menu = open();
    ASSERT_NE(menu, 0u);
    ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
    ASSERT_TRUE(Wait([&] { return !isOpen(menu); }));
    EXPECT_EQ(owner.commands.size(), 1u);

    owner.DestroyWindow();
}

TEST(BorderOnTheDisplay, AnEdgeResizesAndTheInteriorMoves)
{
    KVO_REQUIRE_DISPLAY();
    CResizingDialog dialog(162, nullptr);
    ASSERT_TRUE(dialog.Create(162));
    dialog.EnableBorderHitTest(true);
    dialog.EnableBorderSizing(true);
    dialog.SetWindowPos(300, 300, 200, 150, SWP_NOZORDER);

    // Each move is waited for in the window's place; the press, the moves
    // and the release reach it in order (a release not taken would leave
    // the drag that follows resizing).
    ASSERT_TRUE(uitest::PointInto(dialog, {499, 375}));
    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    for (int step = 1; step <= 4; ++step) {
        ASSERT_TRUE(uitest::MoveTo(499 + 15 * step, 375 + step));
        ASSERT_TRUE(Wait([&] { return dialog.GetWindowRect().right == 500 + 15 * step; }));
    }
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    EXPECT_EQ(dialog.GetWindowRect(), RectOfSize(300, 300, 260, 150));

    ASSERT_TRUE(uitest::PointInto(dialog, {350, 350}));
    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    for (int step = 1; step <= 4; ++step) {
        ASSERT_TRUE(uitest::MoveTo(350 + 10 * step, 350 + 5 * step));
        ASSERT_TRUE(Wait([&] { return dialog.GetWindowRect().left == 300 + 10 * step; }));
    }
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    EXPECT_EQ(dialog.GetWindowRect(), RectOfSize(340, 320, 260, 150));
    uitest::Screenshot(uitest::ArtifactPath("resized_dialog.png"));
    dialog.DestroyWindow();
}
