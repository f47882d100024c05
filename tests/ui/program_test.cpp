// The program itself on the display: started on the demo song it shows its
// shaped window and plays; a second start with "/open" hands its file to
// the first and ends; the close button ends the first.
#include <optional>
#include <string>

#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "platform/window/ui_loop.h"
#include "tests/support/child_process.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

// A visible window of the program other than its main window, titled
// "KVO Studio": the message box it shows.
std::optional<unsigned long> FindMessageBox(pid_t pid)
{
    const auto ids = testsupport::CommandOutput(
        {"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid), "--name", "^KVO Studio$"});
    if (!ids)
        return std::nullopt;
    std::istringstream list(*ids);
    std::string id;
    while (list >> id) {
        const auto size = testsupport::CommandOutput({"xdotool", "getwindowgeometry", id});
        if (size && size->find("338x329") == std::string::npos)
            return std::stoul(id);
    }
    return std::nullopt;
}

Bitmap Shot(const std::string& name)
{
    const std::string path = uitest::ArtifactPath(name);
    if (!uitest::Screenshot(path))
        return Bitmap();
    return Bitmap::Load(path);
}

// How many pixels of the area differ between two screenshots.
int Changed(const Bitmap& a, const Bitmap& b, const Rect& area)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += a.GetPixel(x, y) != b.GetPixel(x, y);
    return n;
}

}  // namespace

TEST(TheProgram, ShowsItsShapedWindowPlaysAndTakesALaterStartsFile)
{
    KVO_REQUIRE_DISPLAY();
    const std::string bin = uitest::RunningProgram::Bin();
    uitest::RunningProgram program;
    testsupport::ChildProcess& first = program.Process();
    ASSERT_TRUE(program.Start({"/play", bin + "demo.kvo"})) << first.Err();
    const std::optional<uitest::Geometry>& window = program.Window();
    uitest::Settle(1000);

    // Shaped: the cut corner shows what lies below, the body the skin.
    const Rect at = window->rect;
    ASSERT_TRUE(uitest::MoveTo(at.left + 150, at.top + 110));
    EXPECT_EQ(NativeWindowUnderPointer(), window->id);
    ASSERT_TRUE(uitest::MoveTo(at.left, at.top));
    EXPECT_NE(NativeWindowUnderPointer(), window->id);
    const Bitmap before = Shot("program_playing_1.png");
    ASSERT_FALSE(before.IsNull());
    const Bitmap body = LoadSkinBitmap(skin::kBody);
    EXPECT_EQ(before.GetPixel(at.left + 150, at.top + 112), body.GetPixel(150, 112));
    EXPECT_NE(before.GetPixel(at.left, at.top), kSkinKeyColour);

    // Playing: the position bar and the time text move on.
    uitest::Settle(2500);
    const Bitmap later = Shot("program_playing_2.png");
    ASSERT_FALSE(later.IsNull());
    EXPECT_GT(Changed(before, later, RectOfSize(at.left + 18, at.top + 57, 302, 46)), 0);

    // A second start hands its file over and ends at once.
    const std::string other = program.DataFile("other song.mp3");
    testsupport::WriteFile(other, testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 1.0, 440, 0.3)));
    testsupport::ChildProcess second;
    ASSERT_TRUE(second.Start({bin + "kvostudio", "/open", other}, program.Env()));
    EXPECT_EQ(second.Wait(10000), 0) << second.Err();
    EXPECT_TRUE(first.WaitForOutputText("hand-off: open " + other, 10000)) << first.Err();

    // The close button ends the program.
    ASSERT_TRUE(uitest::MoveTo(at.left + 322, at.top + 12));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    EXPECT_EQ(first.Wait(15000), 0) << first.Err();
    uitest::Settle(50);
}

TEST(TheProgram, NamesAFileItCannotPlayInAMessageAndGoesOn)
{
    KVO_REQUIRE_DISPLAY();
    const std::string bin = GetProgramFolder();
    testsupport::TempDir data;
    testsupport::TempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    const std::string suppressions = data.File("lsan.supp");
    {
        const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
        testsupport::WriteFile(suppressions, std::vector<uint8_t>(text.begin(), text.end()));
    }
    const std::vector<std::string> env = {
        "KVO_DATA_DIR=" + data.Path() + "/", "XDG_RUNTIME_DIR=" + runtime.Path(), "SDL_AUDIODRIVER=dummy",
        "KVO_DEBUG_OUTPUT=1", "KVO_SERVICE_URL=", "NO_AT_BRIDGE=1", "LSAN_OPTIONS=suppressions=" + suppressions};
    const std::string damaged = data.File("damaged.kvo");
    testsupport::WriteFile(damaged, {'K', 'V', 'O', 'F', 'I', 'L', 1, 0, 9, 9, 9, 9});
    const std::string empty = data.File("empty.mp3");
    testsupport::WriteFile(empty, {});

    testsupport::ChildProcess first;
    ASSERT_TRUE(first.Start({bin + "kvostudio", "/play", damaged}, env));
    ASSERT_TRUE(first.WaitForOutputText("file message: This file cannot be played:\n\n" + damaged +
                                        ": damaged container", 15000))
        << first.Err();
    // The message is on the screen; once it is answered the program goes on.
    std::optional<unsigned long> box;
    ASSERT_TRUE(RunLoopUntil([&] { return (box = FindMessageBox(first.Pid())).has_value(); }, 10000));
    ASSERT_TRUE(uitest::Xdo({"windowfocus", "--sync", std::to_string(*box)}));
    ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
    ASSERT_TRUE(RunLoopUntil([&] { return !FindMessageBox(first.Pid()).has_value(); }, 10000));
    ASSERT_TRUE(RunLoopUntil([&] { return uitest::FindMainWindow(first.Pid()).has_value(); }, 15000)) << first.Err();

    // A later start's file it cannot play: one message, and still running.
    testsupport::ChildProcess second;
    ASSERT_TRUE(second.Start({bin + "kvostudio", "/play", empty}, env));
    EXPECT_EQ(second.Wait(10000), 0) << second.Err();
    EXPECT_TRUE(first.WaitForOutputText("file message: This file cannot be played:\n\n" + empty + ": empty file",
                                        10000))
        << first.Err();
    ASSERT_TRUE(RunLoopUntil([&] { return (box = FindMessageBox(first.Pid())).has_value(); }, 10000));
    ASSERT_TRUE(uitest::Xdo({"windowfocus", "--sync", std::to_string(*box)}));
    ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
    ASSERT_TRUE(RunLoopUntil([&] { return !FindMessageBox(first.Pid()).has_value(); }, 10000));
    EXPECT_TRUE(first.Running());

    const auto window = uitest::FindMainWindow(first.Pid());
    ASSERT_TRUE(window.has_value());
    ASSERT_TRUE(uitest::MoveTo(window->rect.left + 322, window->rect.top + 12));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    EXPECT_EQ(first.Wait(15000), 0) << first.Err();
    uitest::Settle(50);
}
