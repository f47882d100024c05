// The desktop's file chooser: a save name typed into GTK's chooser comes
// back as a path in the folder it was opened in.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/window/file_dialog.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;

TEST(FileChooserOnTheDisplay, TypedSaveNameComesBackInTheStartFolder)
{
    KVO_REQUIRE_DISPLAY();
#if defined(__SANITIZE_THREAD__)
    // GTK's chooser reads folders on GLib worker threads that hand their
    // results over through GLib's own locks, which the thread sanitizer
    // cannot see into: it would report GLib, not us.
    GTEST_SKIP() << "GTK's file chooser under the thread sanitizer";
#endif
    // The chooser keeps its own settings; they stay in memory here.
    ::setenv("GSETTINGS_BACKEND", "memory", 1);
    testsupport::TempDir dir;
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.title = "Save";
    request.initialFolder = dir.Path();
    request.initialName = "take";
    request.filters = ParseFileFilterText("Music (*.mp3) | *.mp3|");
    // The chooser runs a nested loop on this thread; the keys come from
    // another once it is up.
    std::thread keys([] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(uitest::kWaitMs);
        while (!uitest::Xdo({"search", "--onlyvisible", "--name", "^Save$", "windowfocus", "--sync"}) &&
               std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        uitest::Xdo({"key", "--clearmodifiers", "ctrl+a"});
        uitest::Xdo({"type", "--delay", "20", "Take1.mp3"});
        uitest::Xdo({"key", "Return"});
    });
    const FileDialogAnswer answer = ShowFileDialog(nullptr, request);
    keys.join();
    ASSERT_TRUE(answer.ok);
    ASSERT_EQ(answer.paths.size(), 1u);
    EXPECT_EQ(answer.paths[0], dir.Path() + "/Take1.mp3");
}
