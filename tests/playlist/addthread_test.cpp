// Files dropped on the play list: read on an add thread and handed to the
// window row by row, in the order they were dropped; drops that come while
// one is being read, files added at once beside them, and a list that goes
// away in the middle of a drop.
#include <set>

#include "platform/window/message_box.h"
#include "playlist_test_env.h"

using namespace platform;
using namespace playlisttest;

namespace {

class FileDrop : public ListFixture {
protected:
    bool Drop(const std::vector<std::string>& paths)
    {
        return DeliverDroppedFiles(host, host.ScreenToClient(RowPoint(list, 0)), paths);
    }
    bool WaitForRows(int count)
    {
        return RunLoopUntil([&] { return list.GetItemCount() >= count; }, 20000);
    }

    testsupport::TempDir dir;
};

}  // namespace

TEST_F(FileDrop, ArriveInOrderWithTheirTimesAndUnusableOnesAreNamedInOneMessage)
{
    std::vector<MessageBoxRequest> boxes;
    std::vector<int> rowsWhenShown;
    const MessageBoxHandler old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        rowsWhenShown.push_back(list.GetItemCount());
        return IDOK;
    });
    const std::string a = WriteMp3Song(dir, "a.mp3", {"A", "Band", ""}, 3);
    const std::string b = WriteKvoSong(dir, "b.kvo", {"B", "Band", ""}, 2);
    testsupport::WriteFile(dir.File("c.txt"), {1});
    const std::string d = WriteMp3Song(dir, "d.mp3", {}, 1);
    ASSERT_TRUE(Drop({a, dir.File("c.txt"), b, dir.File("gone.mp3"), d}));
    ASSERT_TRUE(WaitForRows(3));
    list.JoinAddThreads();
    PumpMessages();
    SetMessageBoxHandler(old);
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.mp3", "b.kvo", "d.mp3"}));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "These files cannot be played:\n\n" + dir.File("c.txt") +
                                 ": not a .kvo or .mp3 file\n" + dir.File("gone.mp3") + ": file not found");
    EXPECT_EQ(boxes[0].caption, "KVO Studio");
    EXPECT_EQ(boxes[0].owner, host.GetSafeHwnd());
    EXPECT_EQ(rowsWhenShown[0], 3) << "the message comes after the rows";
    EXPECT_EQ(list.GetItemText(0, 1), "00:03");
    EXPECT_EQ(list.GetItemText(1, 1), "00:02");
    // The first file ever added is current; the rest are not.
    EXPECT_EQ(list.GetCurrentRow(), 0);
    EXPECT_EQ(list.GetOrder().size(), 3u);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(FileDrop, DropsWhileOneIsReadLoseNothing)
{
    std::vector<std::string> expected;
    for (int drop = 0; drop < 4; ++drop) {
        std::vector<std::string> paths;
        for (int i = 0; i < 3; ++i) {
            const std::string name = "s" + std::to_string(drop) + std::to_string(i) + ".mp3";
            paths.push_back(WriteMp3Song(dir, name, {name, "", ""}, 1));
            expected.push_back(name);
        }
        ASSERT_TRUE(Drop(paths));
    }
    // The file added at once waits for the row lock of the file in hand.
    const std::string now = WriteMp3Song(dir, "now.mp3", {"Now", "", ""}, 1);
    list.AddFile(now, 1);
    ASSERT_TRUE(WaitForRows(13));
    list.JoinAddThreads();
    PumpMessages();
    std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), 13u);
    EXPECT_EQ(list.ItemAt(list.GetCurrentRow())->strTitle, "Now");
    std::erase(names, "now.mp3");
    // One drop's files keep their order; every file came once.
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
              std::set<std::string>(expected.begin(), expected.end()));
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        if (names[i][1] == names[i + 1][1]) {
            EXPECT_LT(names[i], names[i + 1]);
        }
    }
    std::set<int> ids;
    for (int row = 0; row < list.GetItemCount(); ++row)
        ids.insert(list.ItemAt(row)->nId);
    EXPECT_EQ(ids.size(), 13u);
}

TEST_F(FileDrop, AListClosedWhileReadingJoinsItsThreadAndTakesNoMoreRows)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 20; ++i)
        paths.push_back(WriteKvoSong(dir, "k" + std::to_string(i) + ".kvo", {"T", "A", ""}, 2));
    ASSERT_TRUE(Drop(paths));
    ASSERT_TRUE(Drop(paths));
    list.DestroyWindow();  // joins both threads
    EXPECT_FALSE(list.IsWindow());
    EXPECT_FALSE(list.StartAddThread());
    PumpMessages();  // rows posted before the end are dropped and freed
    EXPECT_EQ(list.GetItemCount(), 0);
}
