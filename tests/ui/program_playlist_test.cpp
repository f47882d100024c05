// The program's play list on the display, driven by real pointer events.
#include "kvostudio/kvostudiodlg.h"
#include "kvostudio/libskin/skinlistbase.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

// Where the list's rows start inside the playlist window: past its frame's
// left edge and its top edge with the gap below it.
constexpr Point kListInPlaylist{2, 8};
constexpr int kRowHeight = CSkinListBase::kLineHeight;

}  // namespace

TEST(TheProgramsPlayList, ADoubleClickOnTheCutBottomRowPlaysThatRow)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    const std::vector<std::string> songs =
        program.WriteSongs({"Song 0", "Song 1", "Song 2", "Song 3", "Song 4", "Song 5"}, 30.0);
    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Process().Err();
    for (size_t i = 1; i < songs.size(); ++i)
        ASSERT_TRUE(program.Open(songs[i])) << program.Process().Err();
    ASSERT_TRUE(RunLoopUntil([&] { return program.Title() == "Singer - Song 0"; }, 10000)) << program.Title();

    // The list shows four whole rows and the top of the fifth.
    const Rect playlist = CKvoStudioDlg::kPlaylistRect;
    const Rect list = RectOfSize(playlist.left + kListInPlaylist.x, playlist.top + kListInPlaylist.y,
                                 playlist.Width() - 16, playlist.Height() - 38);
    ASSERT_LT(list.Height(), 5 * kRowHeight);
    const Rect at = program.Window()->rect;
    const Point cutRow{at.left + list.left + 80, at.top + list.top + 4 * kRowHeight + 6};
    ASSERT_LT(cutRow.y, at.top + list.bottom);
    ASSERT_TRUE(uitest::MoveTo(cutRow.x, cutRow.y));
    ASSERT_TRUE(uitest::Xdo({"click", "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(RunLoopUntil([&] { return program.Title() == "Singer - Song 4"; }, 10000)) << program.Title();
    uitest::Settle(300);
    EXPECT_EQ(program.Title(), "Singer - Song 4");

    // A single click on a row selects it and plays nothing.
    ASSERT_TRUE(uitest::MoveTo(cutRow.x, cutRow.y - 2 * kRowHeight));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    uitest::Settle(700);
    EXPECT_EQ(program.Title(), "Singer - Song 4");

    ASSERT_TRUE(uitest::MoveTo(at.left + 322, at.top + 12));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    EXPECT_EQ(program.Process().Wait(15000), 0) << program.Process().Err();
}
