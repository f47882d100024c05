// The program itself on the display: started on the demo song it shows its
// shaped window and plays; a second start with "/open" hands its file to
// the first and ends; the close button ends the first.
#include <optional>
#include <string>

#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "tests/support/mp3_maker.h"
#include "tests/support/temp_files.h"
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

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
    uitest::RunningProgram program;
    ASSERT_TRUE(program.Start({"/play", uitest::RunningProgram::Bin() + "demo.kvo"})) << program.Said();
    const std::optional<uitest::Geometry> window = program.MainWindow();
    ASSERT_TRUE(window.has_value());

    // Shaped: the cut corner shows what lies below, the body the skin.
    const Rect at = window->rect;
    ASSERT_TRUE(uitest::PointInto(window->id, {at.left + 150, at.top + 110}));
    ASSERT_TRUE(uitest::MoveTo(at.left, at.top));
    EXPECT_TRUE(uitest::Wait([&] { return NativeWindowUnderPointer() != window->id; }));
    const Bitmap body = LoadSkinBitmap(skin::kBody);
    const auto drawn = [&](const Bitmap& screen) {
        return screen.GetPixel(at.left + 150, at.top + 112) == body.GetPixel(150, 112);
    };
    const Bitmap before = uitest::ScreenWhen(uitest::ArtifactPath("program_playing_1.png"), drawn);
    ASSERT_FALSE(before.IsNull());
    EXPECT_TRUE(drawn(before));
    EXPECT_NE(before.GetPixel(at.left, at.top), kSkinKeyColour);

    // Playing: the position bar and the time text move on.
    const Rect display = RectOfSize(at.left + 18, at.top + 57, 302, 46);
    const Bitmap later = uitest::ScreenWhen(uitest::ArtifactPath("program_playing_2.png"),
                                            [&](const Bitmap& screen) { return Changed(before, screen, display) > 0; });
    ASSERT_FALSE(later.IsNull());
    EXPECT_GT(Changed(before, later, display), 0);

    // A second start hands its file over and ends at once.
    const std::string other = program.Scratch("other song.mp3");
    testsupport::WriteFile(other, testsupport::MakeMp3(testsupport::MakeTone(44100, 2, 1.0, 440, 0.3)));
    EXPECT_TRUE(program.Open(other)) << program.SecondSaid() << program.Said();

    // The close button ends the program.
    EXPECT_EQ(program.Close(), 0) << program.Said();
}

TEST(TheProgram, NamesAFileItCannotPlayInAMessageAndGoesOn)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    const std::string damaged = program.Scratch("damaged.kvo");
    testsupport::WriteFile(damaged, {'K', 'V', 'O', 'F', 'I', 'L', 1, 0, 9, 9, 9, 9});
    const std::string empty = program.Scratch("empty.mp3");
    testsupport::WriteFile(empty, {});

    ASSERT_TRUE(program.Launch({"/play", damaged}));
    ASSERT_TRUE(program.WaitForText("file message: This file cannot be played:\n\n" + damaged +
                                    ": damaged container", 15000))
        << program.Said();
    // The message is on the screen; once it is answered the program goes on.
    auto answerTheMessage = [&] {
        const std::optional<unsigned long> box = program.WaitForNewWindow({}, 10000, "KVO Studio");
        ASSERT_TRUE(box.has_value());
        ASSERT_TRUE(uitest::RunningProgram::TypeInto(*box, {"Escape"}));
        ASSERT_TRUE(program.WaitForWindowGone(*box, 10000));
    };
    ASSERT_NO_FATAL_FAILURE(answerTheMessage());
    ASSERT_TRUE(program.WaitForMainWindow()) << program.Said();

    // A later start's file it cannot play: one message, and still running.
    EXPECT_TRUE(program.StartSecond({"/play", empty})) << program.SecondSaid();
    EXPECT_TRUE(program.WaitForText("file message: This file cannot be played:\n\n" + empty + ": empty file",
                                    10000))
        << program.Said();
    ASSERT_NO_FATAL_FAILURE(answerTheMessage());
    EXPECT_TRUE(program.Process().Running());

    EXPECT_EQ(program.Close(), 0) << program.Said();
}
