// The play list's rows: which one is current as files come and go, what
// the parent is told, playing by double-click and by the context menu, the
// Delete key, selecting the last row, the steps through the list, and
// files read from disk.
#include "kvostudio/libskin/playorder.h"
#include "kvostudio/playercommand.h"
#include "platform/window/message_box.h"
#include "playlist_test_env.h"

using namespace platform;
using namespace playlisttest;

namespace {

class PlayList : public ListFixture {
protected:
    void DoubleClick(Point screen)
    {
        Click(host, screen);
        Click(host, screen);
    }
    // Opens the context menu on a row and clicks its entry (0 Play,
    // 1 Remove selected, 2 Remove all, 3 Buy Ticket).
    void ChooseFromMenu(int row, int entry)
    {
        Click(host, RowPoint(list, row), 3);
        Window* menu = Window::GetCapture();
        ASSERT_NE(menu, nullptr);
        Click(host, menu->ClientToScreen(Point{40, 5 + 16 * entry + 8}));
        PumpMessages();
    }
};

}  // namespace

TEST_F(PlayList, TheFirstFileEverIsCurrentAndAfterRemoveAllNoneIsUntilChosen)
{
    AddRow(list, "a.mp3");
    AddRow(list, "b.mp3");
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(list.GetCurrentPath(), "/music/a.mp3");
    EXPECT_EQ(list.GetCurrentDisplayText(), "Label a.mp3");

    list.RemoveAll();
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_STOP)});
    EXPECT_EQ(list.GetCurrentPath(), "");

    AddRow(list, "c.mp3");
    AddRow(list, "d.mp3");
    EXPECT_EQ(list.GetCurrentRow(), -1);
    // Without a current row the texts are row 0's, the display text its
    // file name.
    EXPECT_EQ(list.GetCurrentTitle(), "Title c.mp3");
    EXPECT_EQ(list.GetCurrentDisplayText(), "c.mp3");
    list.EnsureCurrentVisible();
    EXPECT_EQ(list.GetCurrentRow(), 0);
}

TEST_F(PlayList, RemovingTheCurrentRowStopsAndHandsOverToRowZero)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "d.mp3"})
        AddRow(list, name);
    list.SelectIndex(3);  // c.mp3 current
    list.SetOrderPos(2);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list.RemoveSelected();
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "d.mp3"}));
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_STOP)});
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(list.GetOrderPos(), 0);
    EXPECT_EQ(list.GetOrder().size(), 2u);

    // Removing row 0 while it is current leaves no current row.
    list.SelectIndex(1);
    list.RemoveSelected();
    EXPECT_EQ(list.GetCurrentRow(), -1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"d.mp3"}));

    // Removing rows that are not current says nothing.
    host.commands.clear();
    list.SelectIndex(1);
    AddRow(list, "e.mp3");
    list.SetItemState(-1, 0, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list.RemoveSelected();
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(list.DeleteItemAt(5), 0);
}

TEST_F(PlayList, DoubleClickPlaysTheRowAndTheShuffleGoesOnFromIt)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        AddRow(list, name);
    DoubleClick(RowPoint(list, 2));
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_PLAY)});
    EXPECT_EQ(host.params, std::vector<LPARAM>{2});
    EXPECT_EQ(list.GetCurrentRow(), 2);
    const std::vector<int> order = list.GetOrder();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[list.GetOrderPos()], 2);

    // The next shuffle step plays what follows row 2 in the order.
    const int pos = list.GetOrderPos();
    ASSERT_EQ(list.MoveNext(kRepeatAll, 1), 1);
    EXPECT_EQ(list.GetCurrentRow(), order[(pos + 1) % 3]);
}

TEST_F(PlayList, TheContextMenuPlaysRemovesAndPassesOtherEntriesOn)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        AddRow(list, name);
    ChooseFromMenu(1, 0);
    EXPECT_EQ(list.GetMenuRow(), 1);
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_PLAY)});
    EXPECT_EQ(host.params, std::vector<LPARAM>{1});

    ChooseFromMenu(0, 3);  // "Buy Ticket" belongs to the main window
    EXPECT_EQ(host.commands.back(), 32829);

    ChooseFromMenu(2, 1);  // the right click selected row 2 alone
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.mp3"}));

    ChooseFromMenu(0, 2);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(host.commands.back(), int(ID_CMD_STOP));
}

TEST_F(PlayList, AnInactiveListChangesNothing)
{
    for (const char* name : {"a.mp3", "b.mp3"})
        AddRow(list, name);
    list.SetActive(0);
    DoubleClick(RowPoint(list, 1));
    InjectKey(host, true, VK_DELETE);
    InjectKey(host, false, VK_DELETE);
    list.SendMessage(WM_PLAYER_COMMAND, ID_LIST_REMOVE_ALL, 0);
    list.SendMessage(WM_PLAYER_COMMAND, 32829, 0);
    list.PlaySelected();
    list.RemoveAll();
    EXPECT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_TRUE(host.commands.empty());

    list.SetActive(1);
    list.PlaySelected();  // row 1 is still selected from the clicks
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_PLAY)});
}

TEST_F(PlayList, TheDeleteKeyRemovesTheSelectedRows)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        AddRow(list, name);
    Click(host, RowPoint(list, 1));
    InjectMouseButton(host, 1, true, host.ScreenToClient(RowPoint(list, 2)), MK_CONTROL);
    InjectMouseButton(host, 1, false, host.ScreenToClient(RowPoint(list, 2)), MK_CONTROL);
    InjectKey(host, true, VK_DELETE);
    InjectKey(host, false, VK_DELETE);
    EXPECT_EQ(Names(), std::vector<std::string>{"a.mp3"});
}

TEST_F(PlayList, SelectingTheLastRowMakesItCurrentAndAMissingRowSaysSo)
{
    std::vector<std::string> boxes;
    const MessageBoxHandler old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r.text);
        return IDOK;
    });
    AddRow(list, "a.mp3");
    AddRow(list, "b.mp3");
    list.SelectIndex(list.GetItemCount());
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(list.GetSelectedPath(), "/music/b.mp3");
    EXPECT_TRUE(boxes.empty());

    list.SelectIndex(7);
    EXPECT_EQ(boxes, std::vector<std::string>{"Fail to select..."});
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(list.GetSelectedPath(), "");
    SetMessageBoxHandler(old);
}

TEST_F(PlayList, StepsFollowTheRepeatCodeThroughTheRows)
{
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        AddRow(list, name);
    EXPECT_EQ(list.MoveNext(kRepeatAll, 0), 1);
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(list.MovePrevious(kRepeatAll, 0), 1);
    EXPECT_EQ(list.MovePrevious(kRepeatAll, 0), 1);
    EXPECT_EQ(list.GetCurrentRow(), 2);
    EXPECT_EQ(list.MoveNext(kRepeatOff, 0), 0);
    EXPECT_EQ(list.MoveNext(kRepeatOne, 1), 1);
    EXPECT_EQ(list.GetCurrentRow(), 2);

    // Adding a row draws a new order but keeps the position in it.
    list.SetOrderPos(1);
    AddRow(list, "d.mp3");
    EXPECT_EQ(list.GetOrderPos(), 1);
    std::vector<int> order = list.GetOrder();
    std::sort(order.begin(), order.end());
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(PlayList, FilesAreReadWhenAddedAndUnusableOnesLeftOut)
{
    testsupport::TempDir dir;
    const std::string mp3 = WriteMp3Song(dir, "one.mp3", {"Title", "Artist", "words"}, 3);
    const std::string kvo = WriteKvoSong(dir, "two.kvo", {"Moon", "Singer", ""});
    testsupport::WriteFile(dir.File("three.txt"), {1, 2, 3});
    list.AddFile(mp3, 0);
    list.AddFile(dir.File("three.txt"), 1);
    list.AddFileAndRedraw(kvo, 1);
    list.JoinAddThreads();
    PumpMessages();
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.mp3", "two.kvo"}));
    EXPECT_EQ(list.GetItemText(0, 1), "00:03");
    EXPECT_EQ(list.GetCurrentRow(), 1);
    EXPECT_EQ(list.GetCurrentDisplayText(), "Singer - Moon");
    EXPECT_EQ(list.ItemAt(1)->nFormat, 1);
    EXPECT_EQ(list.ItemAt(0)->strLyrics, "words");
}
