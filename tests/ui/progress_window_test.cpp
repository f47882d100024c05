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

    // At 60 percent the bar is red up to 60 % of its length and grey after;
    // at 100 red to its end.
    const Rect bar = skin::kBarPlaces[0].Offset(100, 420);
    const auto red = [](COLORREF c) { return GetRValue(c) > 150 && GetGValue(c) < 100; };
    const auto grey = [](COLORREF c) { return GetRValue(c) == GetGValue(c); };
    const auto showsSixty = [&](const Bitmap& screen) {
        return red(screen.GetPixel(bar.left + bar.Width() * 55 / 100, bar.top + 2)) &&
               grey(screen.GetPixel(bar.left + bar.Width() * 70 / 100, bar.top + 2));
    };
    const auto showsAll = [&](const Bitmap& screen) { return red(screen.GetPixel(bar.right - 3, bar.top + 2)); };

    std::atomic<bool> first{false};
    std::atomic<bool> halfway{false};
    std::thread worker([&] {
        EXPECT_TRUE(dlg.PostTargetPercent(30, 20));
        // The next target comes once the window has climbed to the first.
        while (!first)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(dlg.PostTargetPercent(60, 20));
        while (!halfway)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(dlg.PostTargetPercent(100, 0));
    });
    const bool climbed = uitest::Wait([&] { return dlg.GetShownPercent() == 30; });
    first = true;
    const bool atSixty = climbed && uitest::Wait([&] { return dlg.GetShownPercent() == 60; });
    Bitmap half;
    if (atSixty)
        half = uitest::ScreenWhen(uitest::ArtifactPath("progress_window_60.png"), showsSixty);
    halfway = true;
    const bool atFull = uitest::Wait([&] { return dlg.GetShownPercent() == 100; });
    worker.join();
    ASSERT_TRUE(atSixty);
    ASSERT_TRUE(atFull);
    EXPECT_EQ(dlg.GetPercentText(), "100%");
    Bitmap full = uitest::ScreenWhen(uitest::ArtifactPath("progress_window.png"), showsAll);
    ASSERT_FALSE(half.IsNull());
    EXPECT_TRUE(showsSixty(half));
    ASSERT_FALSE(full.IsNull());
    EXPECT_TRUE(showsAll(full));

    // The close command shows its message, then the window goes.
    std::vector<std::string> shown;
    auto old = SetMessageBoxHandler([&](const MessageBoxRequest& r) {
        shown.push_back(r.text);
        return IDOK;
    });
    dlg.SetMessageText("Done.");
    dlg.PostMessage(WM_COMMAND, MAKEWPARAM(IDCLOSE, BN_CLICKED), 0);
    EXPECT_TRUE(uitest::Wait([&] { return !dlg.IsWindowVisible(); }));
    SetMessageBoxHandler(old);
    EXPECT_EQ(shown, std::vector<std::string>{"Done."});
    dlg.DestroyWindow();
}
