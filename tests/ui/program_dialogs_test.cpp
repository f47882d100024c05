// The program's own sign-in dialog on the display: opened by the sign-in
// button with the main window at a corner of the screen, it shows whole
// and Escape closes it, with the focus in its ID field or after a click on
// its background.
#include "running_program.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

constexpr Size kSignInSize{473, 283};
constexpr Point kSignInButton{300, 43};
constexpr Point kFreePoint{150, 110};

}  // namespace

TEST(TheProgramsDialogs, SignInOpensWhollyOnTheScreenAndEscapeClosesIt)
{
    KVO_REQUIRE_DISPLAY();
    uitest::RunningProgram program;
    // A sign-in server to name: nothing is sent to it, but without one the
    // button only says that no service is configured.
    program.AddEnv("KVO_SIGNIN_ADDR=127.0.0.1:9");
    ASSERT_TRUE(program.Start({"/open", uitest::RunningProgram::Bin() + "demo.kvo"})) << program.Said();
    const Rect screen = GetScreenRect();
    const Size main = uitest::RunningProgram::kMainWindow;
    const Point corners[2] = {{screen.right - main.cx, screen.bottom - main.cy}, {0, 0}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "bottom right, focus in the ID field" : "top left, background clicked");
        // Dragged there by a free point of its body, as the user does.
        const std::optional<uitest::Geometry> before = program.MainWindow();
        ASSERT_TRUE(before.has_value());
        const Rect from = before->rect;
        ASSERT_TRUE(uitest::MoveTo(from.left + kFreePoint.x, from.top + kFreePoint.y));
        ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(uitest::MoveTo(corners[i].x + kFreePoint.x + 5, corners[i].y + kFreePoint.y + 5));
        ASSERT_TRUE(uitest::MoveTo(corners[i].x + kFreePoint.x, corners[i].y + kFreePoint.y));
        ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
        ASSERT_TRUE(program.WaitUntil(
            [&] {
                const std::optional<uitest::Geometry> now = program.MainWindow();
                return now && now->rect.TopLeft() == corners[i];
            },
            5000));
        ASSERT_TRUE(program.ClickMain(kSignInButton.x, kSignInButton.y));
        const std::optional<uitest::Geometry> dialog = program.WaitForWindow(kSignInSize, 10000);
        ASSERT_TRUE(dialog.has_value()) << program.Said();
        EXPECT_EQ(dialog->rect.Intersect(screen), dialog->rect)
            << "the dialog at " << dialog->rect.left << "," << dialog->rect.top;
        ASSERT_TRUE(program.Sync());
        if (i == 1) {
            ASSERT_TRUE(uitest::RunningProgram::ClickIn(*dialog, 8, dialog->rect.Height() - 8));
        }
        ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
        EXPECT_TRUE(program.WaitForNoWindow(kSignInSize, 5000));
    }
    EXPECT_EQ(program.Close(), 0) << program.Said();
}
