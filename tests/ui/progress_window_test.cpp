// The progress window on the display: a worker thread sets the targets, the
// window climbs to 100 and closes. A screenshot is kept as an artifact.
#include <atomic>
#include <chrono>
#include <thread>

#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/progressdlg.h"
#include "platform/window/message_box.h"
#include "ui_test_env.h"

using namespace platform;

TEST(ProgressOnTheDisplay, ClimbsToAWorkersTargetAndCloses)
{
    KVO_REQUIRE_DISPLAY();
    CProgressDlg dlg;
    ASSERT_TRUE(dlg.Create());
    dlg.SetCaption("Optimizing the sound quality of your recording...");
    dlg.SetWindowPos(100, 420, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    uitest::Settle();

    std::atomic<bool> halfway{false};
    std::thread worker([&] {
        EXPECT_TRUE(dlg.PostTargetPercent(30, 20));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_TRUE(dlg.PostTargetPercent(60, 20));
        while (!halfway)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(dlg.PostTargetPercent(100, 0));
    });
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.GetShownPercent() == 60; }, 10000));
    uitest::Settle(100);
    const std::string halfShot = uitest::ArtifactPath("progress_window_60.png");
    ASSERT_TRUE(uitest::Screenshot(halfShot));
    halfway = true;
    ASSERT_TRUE(RunLoopUntil([&] { return dlg.GetShownPercent() == 100; }, 10000));
    worker.join();
    EXPECT_EQ(dlg.GetPercentText(), "100%");
    uitest::Settle(150);
    const std::string shot = uitest::ArtifactPath("progress_window.png");
    ASSERT_TRUE(uitest::Screenshot(shot));

    // At 60 percent the bar is red up to 60 % of its length and grey after.
    const Rect bar = skin::kBarPlaces[0].Offset(100, 420);
    Bitmap half = Bitmap::Load(halfShot);
    ASSERT_FALSE(half.IsNull());
    const COLORREF done = half.GetPixel(bar.left + bar.Width() * 55 / 100, bar.top + 2);
    const COLORREF todo = half.GetPixel(bar.left + bar.Width() * 70 / 100, bar.top + 2);
    EXPECT_GT(GetRValue(done), 150);
    EXPECT_LT(GetGValue(done), 100);
    EXPECT_EQ(GetRValue(todo), GetGValue(todo));
    Bitmap full = Bitmap::Load(shot);
    ASSERT_FALSE(full.IsNull());
    EXPECT_GT(GetRValue(full.GetPixel(bar.right - 3, bar.top + 2)), 150);

    // The close command shows its message, then the window goes.
    std::vector<std::string> shown;
    auto old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        return IDOK;
    });
    dlg.SetMessageText("Done.");
    dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDCLOSE, BN_CLICKED), 0);
    EXPECT_TRUE(RunLoopUntil([&] { return !dlg.IsWindowVisible(); }, 3000));
    SetMessageBoxHandler(old);
    EXPECT_EQ(shown, std::vector<std::string>{"Done."});
    dlg.DestroyWindow();
    uitest::Settle(50);
}
