// Files added to the play list: a row at once for each, its texts and time
// once the list's reader has read the file, a file the reader refuses taken
// out again and named, a play that waits for its row to be read; files
// dropped in the order they were dropped, drops that come while one is
// being read, and a list that goes away in the middle of a drop.
#include <sys/stat.h>

#include <set>

#include "kvostudio/playercommand.h"
#include "platform/window/message_box.h"
#include "playlist_test_env.h"
#include "tests/support/fifo.h"

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

TEST_F(FileDrop, ARowComesAtOnceNamedByItsFileAndTakesItsTextsAndTimeWhenRead)
{
    const std::string song = WriteMp3Song(dir, "song.mp3", {"Title", "Artist", "words"}, 3);
    const std::string box = WriteKvoSong(dir, "box.kvo", {"Moon", "Singer", ""}, 2);
    ASSERT_TRUE(list.AddFile(song, 0));
    ASSERT_TRUE(list.AddFile(box, 1));
    // Before anything is read: the file's name, the container's tag, no time.
    ASSERT_EQ(list.GetItemCount(), 2);
    EXPECT_TRUE(list.IsBeingRead(0));
    EXPECT_EQ(Names(), (std::vector<std::string>{"song.mp3", "box.kvo"}));
    EXPECT_EQ(list.ItemAt(0)->strLabel, "song.mp3");
    EXPECT_EQ(list.GetItemText(0, 1), "");
    EXPECT_EQ(list.ItemAt(1)->nFormat, 1);
    EXPECT_EQ(list.GetCurrentRow(), 1);

    ASSERT_TRUE(RunLoopUntil([&] { return !list.IsBeingRead(0) && !list.IsBeingRead(1); }, 20000));
    EXPECT_EQ(list.ItemAt(0)->strLabel, "Artist - Title");
    EXPECT_EQ(list.ItemAt(0)->strLyrics, "words");
    EXPECT_EQ(list.GetItemText(0, 1), "00:03");
    EXPECT_EQ(list.GetCurrentDisplayText(), "Singer - Moon");
    EXPECT_EQ(list.GetItemText(1, 1), "00:02");
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(FileDrop, AFileTheReaderRefusesLeavesTheListAsItWasAndIsNamed)
{
    BoxTexts boxes;
    AddRow(list, "first.mp3");
    AddRow(list, "second.mp3", 0, 1);
    const std::string text = "Just words.\n";
    testsupport::WriteFile(dir.File("words.mp3"), std::vector<uint8_t>(text.begin(), text.end()));
    ASSERT_TRUE(list.AddFile(dir.File("words.mp3"), 1));
    EXPECT_EQ(list.GetCurrentRow(), 2);
    list.JoinAddThreads();
    PumpMessages();
    EXPECT_EQ(Names(), (std::vector<std::string>{"first.mp3", "second.mp3"}));
    EXPECT_EQ(list.GetCurrentRow(), 1) << "the current row before it is current again";
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"This file cannot be played:\n\n" + dir.File("words.mp3") +
                                              ": not an MP3 file"});
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(FileDrop, AFifoOrAFolderIsRefusedAtOnceWithoutARow)
{
    testsupport::Fifo fifo(dir.File("pipe.mp3"));
    ASSERT_TRUE(fifo.Made());
    ASSERT_EQ(mkdir(dir.File("folder.kvo").c_str(), 0700), 0);
    for (const auto& [path, reason] : {std::pair<std::string, std::string>{fifo.Path(), "not a regular file"},
                                       {dir.File("folder.kvo"), "a folder, not a file"}}) {
        std::string whyNot;
        bool added = true;
        const auto took = testsupport::RunsWithin([&] { added = list.AddFile(path, 1, &whyNot); }, 2000, fifo);
        EXPECT_TRUE(took.has_value()) << path;
        EXPECT_FALSE(added) << path;
        EXPECT_EQ(whyNot, reason);
    }
    EXPECT_EQ(list.GetItemCount(), 0);
}

TEST_F(FileDrop, APlayWaitsForItsRowToBeReadAndNeverPlaysARefusedFile)
{
    BoxTexts boxes;
    AddRow(list, "playing.mp3", 0, 1);
    // A row that is read plays at once: nothing waits.
    EXPECT_FALSE(list.PlayWhenRead());

    const std::string song = WriteMp3Song(dir, "song.mp3", {"Song", "", ""}, 1);
    ASSERT_TRUE(list.AddFile(song, 1));
    EXPECT_TRUE(list.PlayWhenRead());
    EXPECT_TRUE(host.commands.empty());
    ASSERT_TRUE(RunLoopUntil([&] { return !host.commands.empty(); }, 20000));
    EXPECT_EQ(host.commands, std::vector<int>{int(ID_CMD_PLAY)});
    EXPECT_EQ(list.GetCurrentTitle(), "Song");

    // Given up (the user stopped), it does not play when read.
    host.commands.clear();
    ASSERT_TRUE(list.AddFile(WriteMp3Song(dir, "later.mp3", {"Later", "", ""}, 1), 1));
    EXPECT_TRUE(list.PlayWhenRead());
    list.CancelPlayWhenRead();
    // Nor does one that turns out to be no song, nor another in its place.
    testsupport::WriteFile(dir.File("noise.mp3"), std::vector<uint8_t>(4000, 0x55));
    ASSERT_TRUE(list.AddFile(dir.File("noise.mp3"), 1));
    EXPECT_TRUE(list.PlayWhenRead());
    list.JoinAddThreads();
    PumpMessages();
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(list.GetCurrentTitle(), "Later");
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_NE(boxes.texts[0].find(dir.File("noise.mp3")), std::string::npos);
}

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
