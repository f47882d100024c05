// The playlist window: keys that must not close it, the Add and Remove
// menus, commands passed on to the main window, the lyrics text, files
// added and refused, and the frame and shape it takes from the skin.
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "platform/window/message_box.h"
#include "playlist_test_env.h"

using namespace platform;
using namespace playlisttest;

namespace {

constexpr COLORREF kSkinBody = RGB(20, 90, 20);
constexpr COLORREF kSkinFrame = RGB(200, 30, 30);

class PlayListWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        WriteListSkin(skins);
        // The main window's skin: the frame pieces in red, the top-left
        // corner's outer pixel in the see-through colour.
        skin = Bitmap(338, 329);
        skin.Fill(kSkinBody);
        DC dc(skin);
        dc.FillSolidRect({9, 175, 330, 319}, kSkinFrame);
        dc.FillSolidRect({12, 179, 327, 316}, kSkinBody);
        skin.SetPixel(9, 175, kSkinKeyColour);
        ASSERT_TRUE(host.Make({100, 100, 438, 429}));
        dlg = std::make_unique<CPlayListDlg>(&host, &skin);
        ASSERT_TRUE(dlg->Create());
        dlg->MoveWindow({9, 175, 330, 319});
    }
    void TearDown() override
    {
        if (Window* menu = Window::GetCapture())
            menu->DestroyWindow();
        dlg.reset();
        host.DestroyWindow();
        PumpMessages();
    }
    void Press(WPARAM key)
    {
        InjectKey(host, true, key);
        InjectKey(host, false, key);
        PumpMessages();
    }
    void ChooseFromButtonMenu(CImageButton& button, int entry)
    {
        Click(host, button.ClientToScreen(Point{20, 8}));
        Window* menu = Window::GetCapture();
        ASSERT_NE(menu, nullptr);
        // The menu opens upward from the button's top-left corner.
        EXPECT_EQ(menu->GetWindowRect().bottom, button.GetWindowRect().top);
        EXPECT_EQ(menu->GetWindowRect().left, button.GetWindowRect().left);
        Click(host, menu->ClientToScreen(Point{40, 5 + 16 * entry + 8}));
        PumpMessages();
    }

    skintest::ScopedSkinFolder skins;
    testsupport::TempDir dir;
    Bitmap skin;
    ListHost host;
    std::unique_ptr<CPlayListDlg> dlg;
};

}  // namespace

TEST_F(PlayListWindow, ReturnEscapeAndSpaceNeitherCloseItNorStartAnything)
{
    AddRow(dlg->GetList(), "a.mp3");
    Click(host, RowPoint(dlg->GetList(), 0));
    for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE})
        Press(key);
    dlg->SetFocus();
    for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE})
        Press(key);
    EXPECT_TRUE(dlg->IsWindowVisible());
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(dlg->GetItemCount(), 1);
}

TEST_F(PlayListWindow, TheAddMenuReachesTheMainWindowAndTheRemoveMenuTheList)
{
    ChooseFromButtonMenu(dlg->GetAddButton(), 0);
    EXPECT_EQ(host.commands, std::vector<int>{32836});
    ChooseFromButtonMenu(dlg->GetAddButton(), 1);
    EXPECT_EQ(host.commands.back(), 32826);

    AddRow(dlg->GetList(), "a.mp3");
    AddRow(dlg->GetList(), "b.mp3");
    host.commands.clear();
    ChooseFromButtonMenu(dlg->GetRemoveButton(), 1);
    EXPECT_EQ(dlg->GetItemCount(), 0);
    // The list's stop goes on to the main window.
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_STOP)});
}

TEST_F(PlayListWindow, TheListsPlayRequestsGoOnToTheMainWindow)
{
    AddRow(dlg->GetList(), "a.mp3");
    AddRow(dlg->GetList(), "b.mp3");
    const Point row1 = RowPoint(dlg->GetList(), 1);
    Click(host, row1);
    Click(host, row1);
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_PLAY)});
    EXPECT_EQ(host.params, std::vector<LPARAM>{1});
    EXPECT_EQ(dlg->GetCurrentPath(), "/music/b.mp3");
    // "Play" of the window's own menus plays the selected row.
    dlg->GetList().SetItemState(-1, 0, LVIS_SELECTED);
    dlg->GetList().SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dlg->SendMessage(WM_PLAYER_COMMAND, ID_LIST_PLAY, 0);
    EXPECT_EQ(dlg->GetCurrentPath(), "/music/a.mp3");
    EXPECT_EQ(host.commands.size(), 2u);
}

TEST_F(PlayListWindow, TheLyricsTextSaysWhenThereAreNone)
{
    EXPECT_EQ(dlg->GetLyricsText(), "Lyrics View\n\nThere is no lyrics found on current file.");
    AddRow(dlg->GetList(), "a.mp3", 0, 1, "line one");
    EXPECT_EQ(dlg->GetLyricsText(), "Lyrics View\n\nline one");
}

TEST_F(PlayListWindow, AFileMadeCurrentIsCurrentAtOnceAndShowsItsTitleOnceRead)
{
    const std::string a = WriteMp3Song(dir, "a.mp3", {"A", "", ""}, 1);
    const std::string b = WriteMp3Song(dir, "b.mp3", {"B", "", ""}, 1);
    dlg->AddFile(a, 0, 0);
    ASSERT_EQ(dlg->GetItemCount(), 1);
    dlg->AddFile(b, 1, 1);
    EXPECT_EQ(dlg->GetItemCount(), 2);
    EXPECT_EQ(dlg->GetCurrentPath(), b);
    dlg->GetList().JoinAddThreads();
    PumpMessages();
    EXPECT_EQ(dlg->GetCurrentTitle(), "B");
}

TEST_F(PlayListWindow, FilesItCannotAddAreNamedOneMessageAtATime)
{
    std::vector<std::string> boxes;
    const MessageBoxHandler old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r.text);
        return IDOK;
    });
    const std::string good = WriteMp3Song(dir, "good.mp3", {"Good", "", ""}, 1);
    testsupport::WriteFile(dir.File("zero.mp3"), {});
    testsupport::WriteFile(dir.File("words.mp3"), {'h', 'e', 'l', 'l', 'o', '\n'});

    EXPECT_FALSE(dlg->AddFile(dir.File("gone.kvo"), 1, 0));
    EXPECT_EQ(boxes, std::vector<std::string>{"This file cannot be played:\n\n" + dir.File("gone.kvo") +
                                              ": file not found"});
    EXPECT_EQ(dlg->GetItemCount(), 0);

    // Named once the last of them has been read: the empty file at once,
    // the one of words when the reader has looked into it.
    boxes.clear();
    dlg->AddFiles({dir.File("zero.mp3"), good, dir.File("words.mp3")});
    EXPECT_TRUE(boxes.empty());
    dlg->GetList().JoinAddThreads();
    PumpMessages();
    SetMessageBoxHandler(old);
    EXPECT_EQ(dlg->GetItemCount(), 1);
    EXPECT_EQ(boxes, std::vector<std::string>{"These files cannot be played:\n\n" + dir.File("zero.mp3") +
                                              ": empty file\n" + dir.File("words.mp3") + ": not an MP3 file"});
}

TEST_F(PlayListWindow, ItsFrameAndShapeFollowItsSizeOnTheNextPaint)
{
    const Bitmap shown = dlg->RenderToBitmap();
    ASSERT_EQ(dlg->GetBackground().GetSize(), (Size{321, 144}));
    EXPECT_EQ(dlg->GetBackground().GetPixel(5, 1), kSkinFrame);
    EXPECT_EQ(dlg->GetBackground().GetPixel(160, 143), kSkinFrame);
    EXPECT_EQ(dlg->GetBackground().GetPixel(150, 124), CSkinListBase::kBackground);
    ASSERT_NE(dlg->GetWindowRgn(), nullptr);
    EXPECT_FALSE(dlg->GetWindowRgn()->Contains({0, 0}));
    EXPECT_TRUE(dlg->GetWindowRgn()->Contains({1, 0}));
    EXPECT_EQ(shown.GetPixel(320, 70), kSkinFrame);
    // The list and its scrollbar inside the frame.
    EXPECT_EQ(dlg->GetList().GetRectInParent(), (Rect{2, 8, 2 + 305, 8 + 106}));
    EXPECT_EQ(dlg->GetList().GetScrollbar().GetRectInParent(), (Rect{307, 8, 316, 114}));

    dlg->MoveWindow({9, 175, 330, 375});
    EXPECT_EQ(dlg->GetBackground().GetSize(), (Size{321, 144}));
    EXPECT_EQ(dlg->GetList().GetRectInParent(), (Rect{2, 8, 2 + 305, 8 + 162}));
    dlg->RenderToBitmap();
    EXPECT_EQ(dlg->GetBackground().GetSize(), (Size{321, 200}));
    EXPECT_EQ(dlg->GetBackground().GetPixel(160, 199), kSkinFrame);
}
