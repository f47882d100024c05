// Files from outside: the command line of the first start, and the file a
// later start hands to the running window.
#include <gtest/gtest.h>

#include "kvostudio/fileproblem.h"
#include "kvostudio/kvostudioapp.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/startrequest.h"
#include "platform/instance/single_instance.h"
#include "platform/window/window_iconify.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

TEST_F(MainWindowTest, TheCommandLineOpensOrPlaysItsFile)
{
    const std::string song = Kvo("a.kvo");
    ASSERT_TRUE(Open("/play", song));
    ASSERT_TRUE(WaitFor([&] { return win->IsPlaying(); }));
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    Close();

    ASSERT_TRUE(Open("/open", song));
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    EXPECT_FALSE(win->IsPlaying());
    Close();

    // The switches are told apart by exact text.
    ASSERT_TRUE(Open("/PLAY", song));
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 0);
    EXPECT_FALSE(win->IsPlaying());
    Close();

    // A file alone is opened; one that is not there is told, not dropped.
    ASSERT_TRUE(Open(song));
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), song);
    EXPECT_FALSE(win->IsPlaying());
    Close();
    const std::string missing = dir.File("gone.mp3");
    ASSERT_TRUE(Open("/play", missing));
    Pump();
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{FileProblemsText({{missing, "file not found"}})});
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 0);
}

TEST_F(MainWindowTest, AHandedOverFileThatIsNotThereIsTold)
{
    ASSERT_TRUE(Open());
    const std::string missing = dir.File("gone.kvo");
    ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff("/play", missing)));
    ASSERT_TRUE(WaitFor([&] { return !BoxTexts().empty(); }));
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{FileProblemsText({{missing, "file not found"}})});
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 0);
    EXPECT_FALSE(win->IsPlaying());
}

TEST_F(MainWindowTest, ALaterStartsFileReachesTheRunningWindow)
{
    ASSERT_TRUE(Open());
    const std::string first = Kvo("a.kvo");
    const std::string second = Mp3("b.mp3");
    MinimizeWindow(*win);
    ASSERT_TRUE(IsWindowMinimized(*win));

    ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff("/play", first)));
    ASSERT_TRUE(WaitFor([&] { return win->IsPlaying(); }));
    EXPECT_FALSE(IsWindowMinimized(*win));
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), first);

    // "/open" adds the file without making it current or playing it.
    ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff("/open", second)));
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 2);
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), first);
    EXPECT_EQ(win->CurrentPath(), first);

    // Any other first argument only brings the window to the front.
    MinimizeWindow(*win);
    ASSERT_TRUE(CKvoStudioApp::DeliverHandOff(win.get(), CKvoStudioApp::MakeHandOff(second, "")));
    Pump();
    EXPECT_FALSE(IsWindowMinimized(*win));
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 2);

    // Before the window exists nothing can be taken.
    EXPECT_FALSE(CKvoStudioApp::DeliverHandOff(nullptr, CKvoStudioApp::MakeHandOff("/play", first)));
    TestMainWindow notYet;
    EXPECT_FALSE(CKvoStudioApp::DeliverHandOff(&notYet, CKvoStudioApp::MakeHandOff("/play", first)));
}

TEST(HandOffOfAStart, TheFirstArgumentPicksTheCode)
{
    struct Case {
        const char* option;
        const char* path;
        uint32_t code;
        const char* text;
    };
    const Case cases[] = {
        {"/open", "/music/a b.kvo", 1001, "/music/a b.kvo"},
        {"/play", "relative/b.mp3", 1002, "relative/b.mp3"},
        {"/open", "", 1001, ""},
        {"/Open", "/music/a.kvo", 0, ""},
        {"/music/a.kvo", "", 0, ""},
        {"", "", 0, ""},
    };
    for (const Case& c : cases) {
        const HandOffRequest r = CKvoStudioApp::MakeHandOff(c.option, c.path);
        EXPECT_EQ(r.code, c.code) << c.option;
        EXPECT_EQ(r.text, c.text) << c.option;
    }
    // A path the running window could not take whole is not cut short.
    const HandOffRequest longPath = CKvoStudioApp::MakeHandOff("/play", "/" + std::string(kMaxHandOffText, 'x'));
    EXPECT_EQ(longPath.code, 0u);
    EXPECT_EQ(longPath.text, "");
}

TEST(HandOffOfAStart, PathsAreMadeWholeAndAFileAloneIsOpened)
{
    struct Case {
        const char* arg1;
        const char* arg2;
        const char* option;
        const char* path;
    };
    const Case cases[] = {
        {"/play", "mine.mp3", "/play", "/home/me/mine.mp3"},
        {"/open", "../music/./a.kvo", "/open", "/home/music/a.kvo"},
        {"/open", "/music/a.kvo", "/open", "/music/a.kvo"},
        {"/open", "", "/open", ""},
        {"song.mp3", "", "/open", "/home/me/song.mp3"},
        {"/music/a b.kvo", "", "/open", "/music/a b.kvo"},
        {"/Open", "/music/a.kvo", "", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        const StartRequest r = ReadStartRequest(c.arg1, c.arg2, "/home/me");
        EXPECT_EQ(r.option, c.option) << c.arg1 << " " << c.arg2;
        EXPECT_EQ(r.path, c.path) << c.arg1 << " " << c.arg2;
    }
}
