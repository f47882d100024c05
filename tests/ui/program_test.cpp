// The program itself on the display: started on the demo song it shows its
// shaped window and plays; a second start with "/open" hands its file to
// the first and ends; the close button ends the first.
#include <sys/stat.h>

#include <optional>
#include <string>

#include "kvostudio/folders.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "platform/window/ui_loop.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_files.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

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
    const std::string bin = GetProgramFolder();
    testsupport::TempDir data;
    testsupport::TempDir runtime;
    chmod(runtime.Path().c_str(), 0700);
    // Under the leak checker: what the font and sound libraries keep for
    // the life of the process is theirs.
    const std::string suppressions = data.File("lsan.supp");
    {
        const std::string text = "leak:libfontconfig.so\nleak:libSDL2\nleak:libdbus-1.so\n";
        testsupport::WriteFile(suppressions, std::vector<uint8_t>(text.begin(), text.end()));
    }
    const std::vector<std::string> env = {
        "KVO_DATA_DIR=" + data.Path() + "/", "XDG_RUNTIME_DIR=" + runtime.Path(), "SDL_AUDIODRIVER=dummy",
        "KVO_DEBUG_OUTPUT=1", "KVO_SERVICE_URL=", "NO_AT_BRIDGE=1", "LSAN_OPTIONS=suppressions=" + suppressions};

    testsupport::ChildProcess first;
    ASSERT_TRUE(first.Start({bin + "kvostudio", "/play", bin + "demo.kvo"}, env));
    std::optional<uitest::Geometry> window;
    ASSERT_TRUE(RunLoopUntil([&] { return (window = uitest::FindMainWindow(first.Pid())).has_value(); }, 15000))
        << first.Err();
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
    const std::string other = data.File("other song.mp3");
    testsupport::WriteFile(other, {0xFF, 0xFB, 0x90, 0x00});
    testsupport::ChildProcess second;
    ASSERT_TRUE(second.Start({bin + "kvostudio", "/open", other}, env));
    EXPECT_EQ(second.Wait(10000), 0) << second.Err();
    EXPECT_TRUE(first.WaitForOutputText("hand-off: open " + other, 10000)) << first.Err();

    // The close button ends the program.
    ASSERT_TRUE(uitest::MoveTo(at.left + 322, at.top + 12));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    EXPECT_EQ(first.Wait(15000), 0) << first.Err();
    uitest::Settle(50);
}
