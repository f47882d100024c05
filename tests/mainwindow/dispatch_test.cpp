// The player command message: the service pages its menu ids open, plain
// and through the sign-in page, the about box, opening and adding files,
// and codes that mean nothing.
#include <cstdlib>

#include <gtest/gtest.h>

#include "kvostudio/aboutdlg.h"
#include "kvostudio/downloadfrommobile.h"
#include "kvostudio/logindlg.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/signinstate.h"
#include "kvostudio/skinmenu.h"
#include "platform/window/input_injection.h"
#include "kvostudio/windowcommands.h"
#include "platform/shell/web_page.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

class DispatchTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        setenv("KVO_SERVICE_URL", "http://service.test", 1);
        setenv("KVO_MEMBER_URL", "http://member.test", 1);
        setenv("KVO_SIGNIN_WEB_URL", "http://signin.test", 1);
        // Named, never reached: the tests cancel the sign-in dialog.
        setenv("KVO_SIGNIN_ADDR", "signin.test:8001", 1);
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        for (const char* name : {"KVO_SERVICE_URL", "KVO_MEMBER_URL", "KVO_SIGNIN_WEB_URL", "KVO_SIGNIN_ADDR"})
            unsetenv(name);
    }
};

}  // namespace

TEST_F(DispatchTest, MenuIdsOpenTheirServicePages)
{
    ASSERT_TRUE(Open());
    const std::pair<unsigned, const char*> pages[] = {
        {menuid::kKvoDownload, "http://service.test/mypage/kvo/all"},
        {menuid::kUccEditor, "http://service.test/tools/editor"},
        {menuid::kHelp, "http://service.test/help/category/23"},
        {menuid::kYourAccount, "http://member.test/Auth/Edit/edit_basic_1.asp#Menu5"},
        {menuid::kSiteHome, "http://service.test/"},
        {menuid::kKvoConvert, "http://service.test/mypage/kvo/all"},
        {menuid::kBuyTicket, "http://service.test/bill/product/ticket"},
        {menuid::kMyPellamBox, "http://member.test/Auth/Edit/edit_basic_1.asp#Menu5"},
        {menuid::kKvoFiles, "http://service.test/mypage/kvo/all"},
        {menuid::kUccFiles, "http://service.test/mypage/audio/all"},
        {menuid::kAddKvoDownload, "http://service.test/mypage/kvo/all"},
        {menuid::kListBuyTicket, "http://service.test/bill/product/ticket"},
    };
    {
        WebPageRecorder recorder;
        for (const auto& [code, url] : pages)
            EXPECT_EQ(win->OnPlayerCommand(code, 0), 1);
        const std::vector<std::string> opened = recorder.Pages();
        ASSERT_EQ(opened.size(), std::size(pages));
        for (size_t i = 0; i < opened.size(); ++i)
            EXPECT_EQ(opened[i], pages[i].second) << pages[i].first;
    }
    // Signed in, pages go through the sign-in page.
    TheSignInState().SetUserId("singer");
    TheSignInState().SetSignedIn(1);
    WebPageRecorder recorder;
    win->OnPlayerCommand(menuid::kUccEditor, 0);
    ASSERT_EQ(recorder.Pages().size(), 1u);
    EXPECT_EQ(recorder.Pages()[0], "http://signin.test/login.asp?redir=http://service.test/tools/editor");
    EXPECT_TRUE(win->dialogs.empty());
}

TEST_F(DispatchTest, AboutAndPreferencesOpenTheirDialogsAndNothingElse)
{
    ASSERT_TRUE(Open());
    WebPageRecorder recorder;
    EXPECT_EQ(win->OnPlayerCommand(menuid::kAbout, 0), 1);
    EXPECT_EQ(win->Opened<CAboutDlg>(), 1);
    win->OnPlayerCommand(menuid::kPreferences, 0);
    EXPECT_EQ(win->Opened<CPreferencesDlg>(), 1);
    EXPECT_EQ(win->dialogs.size(), 2u);
    EXPECT_TRUE(recorder.Pages().empty());
    EXPECT_TRUE(boxes.empty());

    // Codes without a meaning change nothing.
    for (unsigned code : {0u, 32823u, 32824u, 32825u, 33773u, 40000u})
        EXPECT_EQ(win->OnPlayerCommand(code, 0), 1) << code;
    EXPECT_EQ(win->dialogs.size(), 2u);
    EXPECT_FALSE(win->IsPlaying());

    // The about box runs for real and closes with its button.
    win->answers.push_back(RunsWith([&](Dialog& dlg) {
        Window* close = dlg.GetDlgItem(IDOK);
        ASSERT_NE(close, nullptr);
        Click(*close);
    }));
    win->OnPlayerCommand(menuid::kAbout, 0);
    EXPECT_TRUE(win->answers.empty());
}

TEST_F(DispatchTest, OpenFilePlaysTheLastRowAndACancelledChooserChangesNothing)
{
    ASSERT_TRUE(Open());
    win->OnPlayerCommand(menuid::kOpenFile, 0);  // no answer: cancelled
    EXPECT_EQ(choosersShown, 1);
    EXPECT_TRUE(BoxTexts().empty());  // an empty list is no failure to select
    EXPECT_FALSE(win->IsPlaying());

    const std::string first = Kvo("a.kvo");
    const std::string last = Mp3("b.mp3");
    Add(first, 1);
    Add(last, 0);
    win->OnPlayerCommand(menuid::kOpenFile, 0);
    EXPECT_EQ(choosersShown, 2);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_FALSE(win->IsPlaying());
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), first);
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 2);

    const std::string chosen = Mp3("c.mp3");
    chooserAnswers.push_back({chosen});
    win->OnPlayerCommand(menuid::kOpenFile, 0);
    // It plays once the list has read it.
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), chosen);
    EXPECT_TRUE(WaitFor([&] { return win->IsPlaying(); }));
    EXPECT_EQ(win->CurrentPath(), chosen);

    // "Add file(s)" adds every chosen file without playing or choosing one.
    win->StopPlayback();
    const std::string more = Kvo("c.kvo");
    const std::string most = Mp3("d.mp3");
    chooserAnswers.push_back({more, most});
    win->OnPlayerCommand(menuid::kAddFiles, 0);
    EXPECT_EQ(win->GetPlayList()->GetItemCount(), 5);
    win->GetPlayList()->GetList().JoinAddThreads();
    Pump();
    EXPECT_EQ(win->GetPlayList()->GetCurrentPath(), chosen);
    EXPECT_FALSE(win->IsPlaying());
}

TEST_F(DispatchTest, TransferMenusAskForASignInFirst)
{
    ASSERT_TRUE(Open());
    for (unsigned code : {menuid::kToMobile, menuid::kFromMobile, menuid::kUccUpload})
        win->OnPlayerCommand(code, 0);
    EXPECT_EQ(win->Opened<CLoginDlg>(), 3);
    EXPECT_EQ(win->dialogs.size(), 3u);

    // Signed in, the phone download first asks the service for its list,
    // while the window goes on; its dialog comes with the answer.
    TheSignInState().SetUserId("singer");
    TheSignInState().SetSignedIn(1);
    win->OnPlayerCommand(menuid::kFromMobile, 0);
    EXPECT_EQ(win->GetServiceCallCount(), 1u);
    EXPECT_EQ(win->Opened<CDownloadFromMobile>(), 0);
}

TEST_F(DispatchTest, ThePersonalBarsPullDownsOpenBelowTheBarAndSendTheirCommands)
{
    ASSERT_TRUE(Open());
    Click(win->GetButton(CKvoStudioDlg::kSlotTransferPullDown));
    auto* menu = dynamic_cast<CSkinMenu*>(Window::GetCapture());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetWindowRect().TopLeft(), win->ClientToScreen(Point{92, 55}));
    EXPECT_EQ(menu->GetWindowRect().Width(), 82);
    ASSERT_EQ(menu->GetItems().size(), 2u);
    const Rect toMobile = menu->GetItems()[0].rect;
    const Point p{(toMobile.left + toMobile.right) / 2, (toMobile.top + toMobile.bottom) / 2};
    InjectMouseMove(*menu, p);
    InjectMouseButton(*menu, 1, true, p);
    InjectMouseButton(*menu, 1, false, p);
    Pump();
    EXPECT_EQ(win->Opened<CLoginDlg>(), 1);  // "To Mobile" needs a sign-in first

    // The personal pull-down sits at the bar's right end, 76 wide.
    TheSignInState().SetSignedIn(1);
    win->OnSignedIn(0);
    Click(win->GetButton(CKvoStudioDlg::kSlotPersonalPullDown));
    menu = dynamic_cast<CSkinMenu*>(Window::GetCapture());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->GetWindowRect().TopLeft(), win->ClientToScreen(Point{262 - 76, 55}));
    menu->SendMessage(WM_KEYDOWN, VK_ESCAPE);
    Pump();
}
