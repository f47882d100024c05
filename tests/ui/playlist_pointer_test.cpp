// The playlist window on the display, driven by real pointer events: the
// wheel scrolls the list, a double-click plays a row, and the context menu
// removes one.
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "platform/window/paint_dc.h"
#include "ui_test_env.h"

using namespace platform;
using uitest::Wait;

namespace {

// The main window's stand-in: it shows the body bitmap and keeps the
// commands the playlist window passes on.
class MainWindow : public Window {
public:
    std::vector<int> commands;
    Bitmap body = LoadSkinBitmap(skin::kBody);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_PAINT: {
            PaintDC dc(*this);
            dc.BitBlt(0, 0, GetClientRect().Width(), GetClientRect().Height(), body, 0, 0);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_PLAYER_COMMAND:
            commands.push_back(static_cast<int>(wp));
            return 0;
        default:
            return Window::WindowProc(msg, wp, lp);
        }
    }
};

}  // namespace

TEST(PlayListOnTheDisplay, WheelDoubleClickAndContextMenu)
{
    KVO_REQUIRE_DISPLAY();
    const Point at{300, 120};
    MainWindow main;
    ASSERT_TRUE(main.CreateEx(0, "Main", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(at.x, at.y, 338, 329),
                              nullptr, 0));
    CPlayListDlg dlg(&main, &main.body);
    ASSERT_TRUE(dlg.Create());
    dlg.MoveWindow({9, 175, 330, 319});
    CSkinListCtrl& list = dlg.GetList();
    for (int i = 0; i < 12; ++i) {
        const std::string name = "song" + std::to_string(i) + ".mp3";
        const int row = list.InsertFileItem("/music/" + name, name, name, "", "00:10", "", 0, 0);
        list.SetItemText(row, 1, "00:10");
    }

    Rect row;
    list.GetItemRect(1, &row);
    const Point rowOne = list.ClientToScreen(Point{80, (row.top + row.bottom) / 2});
    ASSERT_TRUE(uitest::PointInto(main, rowOne));
    ASSERT_TRUE(uitest::Xdo({"click", "5"}));  // one notch towards the user
    ASSERT_TRUE(Wait([&] { return list.GetTopIndex() == 3; }));
    ASSERT_TRUE(uitest::Xdo({"click", "4"}));
    ASSERT_TRUE(Wait([&] { return list.GetTopIndex() == 0; }));

    ASSERT_TRUE(uitest::Xdo({"click", "--repeat", "2", "--delay", "80", "1"}));
    ASSERT_TRUE(Wait([&] { return !main.commands.empty(); }));
    EXPECT_EQ(main.commands, std::vector<int>{int(ID_CMD_PLAY)});
    EXPECT_EQ(list.GetCurrentRow(), 1);

    ASSERT_TRUE(uitest::Xdo({"click", "3"}));
    Window* menu = nullptr;
    ASSERT_TRUE(Wait([&] { return (menu = Window::GetCapture()) != nullptr; }));
    const Point removeSelected = menu->ClientToScreen(Point{40, 21 + 8});
    ASSERT_TRUE(uitest::PointInto(*menu->GetTopLevel(), removeSelected));
    uitest::Screenshot(uitest::ArtifactPath("playlist_menu.png"));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    ASSERT_TRUE(Wait([&] { return list.GetItemCount() == 11; }));
    EXPECT_EQ(list.GetItemText(1, 0), "song2.mp3");
    // The current row went: the main window was told to stop.
    EXPECT_EQ(main.commands.back(), int(ID_CMD_STOP));

    main.DestroyWindow();
}
