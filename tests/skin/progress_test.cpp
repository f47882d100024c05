// The progress window: the climb of the shown percent towards the target,
// finishing at 100, targets from a worker thread, and its bar's pixels.
#include <thread>

#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/progressdlg.h"
#include "platform/window/message_box.h"
#include "skin_test_env.h"

using namespace platform;

namespace {

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override { skintest::UseMemoryWindows(); }
    void TearDown() override
    {
        if (dlg.IsWindow())
            dlg.DestroyWindow();
        PumpMessages();
    }
    void Tick(int n)
    {
        for (int i = 0; i < n; ++i)
            dlg.SendMessage(WM_TIMER, CProgressDlg::kClimbTimer);
    }
    CProgressDlg dlg;
};

}  // namespace

TEST_F(ProgressWindow, TheShownPercentClimbsOneStepPerTickAndStaysAtTheTarget)
{
    ASSERT_TRUE(dlg.Create());
    unsigned period = 0;
    ASSERT_TRUE(dlg.HasTimer(CProgressDlg::kClimbTimer, &period));
    EXPECT_EQ(period, 33u);
    dlg.SetTargetPercent(50, 0);
    Tick(1);
    EXPECT_EQ(dlg.GetPercentText(), "0%");
    Tick(50);
    EXPECT_EQ(dlg.GetShownPercent(), 50);
    EXPECT_EQ(dlg.GetPercentText(), "50%");
    Tick(20);
    EXPECT_EQ(dlg.GetShownPercent(), 50);
    EXPECT_EQ(dlg.GetBar().GetPos(), 50);
}

TEST_F(ProgressWindow, ALoweredTargetHoldsTheBarInsteadOfRunningOn)
{
    ASSERT_TRUE(dlg.Create());
    dlg.SetTargetPercent(40, 0);
    Tick(60);
    EXPECT_EQ(dlg.GetShownPercent(), 40);
    dlg.SetTargetPercent(20, 0);
    Tick(100);
    EXPECT_EQ(dlg.GetShownPercent(), 40);  // neither on to 100 nor back down
    dlg.SetTargetPercent(45, 0);
    Tick(10);
    EXPECT_EQ(dlg.GetShownPercent(), 45);
}

TEST_F(ProgressWindow, OneHundredFinishesTheBarBeforeReturningAndStopsTheTimer)
{
    ASSERT_TRUE(dlg.Create());
    dlg.SetTargetPercent(10, 0);
    Tick(5);
    dlg.SetTargetPercent(100, 33);
    EXPECT_EQ(dlg.GetShownPercent(), 100);
    EXPECT_EQ(dlg.GetPercentText(), "100%");
    EXPECT_FALSE(dlg.HasTimer(CProgressDlg::kClimbTimer));
    dlg.SetTargetPercent(30, 0);  // no tick: the timer stays off
    EXPECT_FALSE(dlg.HasTimer(CProgressDlg::kClimbTimer));
    dlg.SetTargetPercent(30, 40);
    EXPECT_TRUE(dlg.HasTimer(CProgressDlg::kClimbTimer));
}

TEST_F(ProgressWindow, WithoutTheCaptionStripTheTimerNeverStarts)
{
    skintest::ScopedSkinFolder empty;
    ASSERT_TRUE(dlg.Create());
    EXPECT_FALSE(dlg.HasTimer(CProgressDlg::kClimbTimer));
    dlg.SetTargetPercent(60, 0);
    PumpMessages();
    EXPECT_FALSE(dlg.HasTimer(CProgressDlg::kClimbTimer));
    EXPECT_EQ(dlg.GetPercentText(), "0%");
    dlg.SetPercent(12);
    EXPECT_EQ(dlg.GetPercentText(), "12%");
}

TEST_F(ProgressWindow, AWorkersTargetsArriveByPostedMessagesInOrder)
{
    ASSERT_TRUE(dlg.Create());
    std::thread worker([this] {
        for (int p : {10, 20, 35})
            EXPECT_TRUE(dlg.PostTargetPercent(p, 5));
    });
    worker.join();
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.GetShownPercent() == 35; }, 20000));
    EXPECT_EQ(dlg.GetTargetPercent(), 35);
    std::thread finisher([this] { dlg.PostTargetPercent(100, 0); });
    finisher.join();
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.GetShownPercent() == 100; }, 20000));
    // Once the window is gone, a late worker is told so.
    dlg.DestroyWindow();
    bool posted = true;
    std::thread late([&] { posted = dlg.PostTargetPercent(50, 0); });
    late.join();
    EXPECT_FALSE(posted);
}

TEST_F(ProgressWindow, TheBarIsRedUpToThePercentOnItsGreyTrack)
{
    ASSERT_TRUE(dlg.Create());
    dlg.SetPercent(50);
    Bitmap shot = dlg.RenderToBitmap();
    const Rect bar = skin::kBarPlaces[0];
    const COLORREF done = shot.GetPixel(bar.left + 20, bar.top + 2);
    const COLORREF todo = shot.GetPixel(bar.left + 200, bar.top + 2);
    EXPECT_GT(GetRValue(done), 150);
    EXPECT_LT(GetGValue(done), 100);
    EXPECT_EQ(GetRValue(todo), GetGValue(todo));  // grey
    EXPECT_EQ(shot.GetPixel(30, 100), RGB(237, 237, 237));  // the body panel
    EXPECT_EQ(shot.GetPixel(0, 100), RGB(54, 55, 55));     // the border
}

TEST_F(ProgressWindow, AFileNameSetLateMovesTheBarDown)
{
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.GetBar().GetRectInParent().top, 109);
    dlg.SetFileName("song.kvo");
    EXPECT_EQ(dlg.GetBar().GetRectInParent().top, 159);
}

TEST_F(ProgressWindow, TheCloseCommandShowsItsMessageThenCloses)
{
    ASSERT_TRUE(dlg.Create());
    std::vector<MessageBoxRequest> boxes;
    auto old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        boxes.push_back(r);
        return IDOK;
    });
    dlg.SetMessageText("Recording has been saved.");
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDCLOSE, BN_CLICKED), 0);
    SetMessageBoxHandler(old);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Recording has been saved.");
    EXPECT_EQ(boxes[0].caption, "KVO Studio");
    EXPECT_EQ(boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONINFORMATION));
    EXPECT_FALSE(dlg.IsWindowVisible());
}
