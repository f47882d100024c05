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
    ASSERT_TRUE(program.Start({"/play", songs[0]})) << program.Said();
    for (size_t i = 1; i < songs.size(); ++i)
        ASSERT_TRUE(program.Open(songs[i])) << program.SecondSaid() << program.Said();
    ASSERT_TRUE(program.WaitUntil([&] { return program.Title() == "Singer - Song 0"; }, 10000)) << program.Title();

    // The list shows four whole rows and the top of the fifth.
    const Rect playlist = CKvoStudioDlg::kPlaylistRect;
    const Rect list = RectOfSize(playlist.left + kListInPlaylist.x, playlist.top + kListInPlaylist.y,
                                 playlist.Width() - 16, playlist.Height() - 38);
    ASSERT_LT(list.Height(), 5 * kRowHeight);
    const Point cutRow{list.left + 80, list.top + 4 * kRowHeight + 6};
    ASSERT_LT(cutRow.y, list.bottom);
    ASSERT_TRUE(program.ClickMain(cutRow.x, cutRow.y, 2));
    EXPECT_TRUE(program.WaitUntil([&] { return program.Title() == "Singer - Song 4"; }, 10000)) << program.Title();
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(program.Title(), "Singer - Song 4");

    // A single click on a row selects it and plays nothing.
    ASSERT_TRUE(program.ClickMain(cutRow.x, cutRow.y - 2 * kRowHeight));
    ASSERT_TRUE(program.Sync());
    EXPECT_EQ(program.Title(), "Singer - Song 4");

    EXPECT_EQ(program.Close(), 0) << program.Said();
}
