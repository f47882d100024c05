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
    ASSERT_TRUE(program.Start({"/open", uitest::RunningProgram::Bin() + "demo.kvo"})) << program.Process().Err();
    const Rect screen = GetScreenRect();
    const Size main = uitest::RunningProgram::kMainSize;
    const Point corners[2] = {{screen.right - main.cx, screen.bottom - main.cy}, {0, 0}};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i == 0 ? "bottom right, focus in the ID field" : "top left, background clicked");
        // Dragged there by a free point of its body, as the user does.
        const std::optional<uitest::Geometry> before = program.FindMainWindow();
        ASSERT_TRUE(before.has_value());
        const Rect from = before->rect;
        ASSERT_TRUE(uitest::MoveTo(from.left + kFreePoint.x, from.top + kFreePoint.y));
        ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
        ASSERT_TRUE(uitest::MoveTo(corners[i].x + kFreePoint.x + 5, corners[i].y + kFreePoint.y + 5));
        ASSERT_TRUE(uitest::MoveTo(corners[i].x + kFreePoint.x, corners[i].y + kFreePoint.y));
        ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
        ASSERT_TRUE(RunLoopUntil(
            [&] {
                const std::optional<uitest::Geometry> now = program.FindMainWindow();
                return now && now->rect.TopLeft() == corners[i];
            },
            5000));
        ASSERT_TRUE(uitest::MoveTo(corners[i].x + kSignInButton.x, corners[i].y + kSignInButton.y));
        ASSERT_TRUE(uitest::Xdo({"click", "1"}));
        std::optional<uitest::Geometry> dialog;
        ASSERT_TRUE(RunLoopUntil(
            [&] { return (dialog = uitest::FindWindowOfSize(program.Process().Pid(), kSignInSize.cx, kSignInSize.cy)).has_value(); }, 10000));
        EXPECT_EQ(dialog->rect.Intersect(screen), dialog->rect)
            << "the dialog at " << dialog->rect.left << "," << dialog->rect.top;
        uitest::Settle(200);
        if (i == 1) {
            ASSERT_TRUE(uitest::MoveTo(dialog->rect.left + 8, dialog->rect.bottom - 8));
            ASSERT_TRUE(uitest::Xdo({"click", "1"}));
        }
        ASSERT_TRUE(uitest::Xdo({"key", "Escape"}));
        EXPECT_TRUE(RunLoopUntil(
            [&] { return !uitest::FindWindowOfSize(program.Process().Pid(), kSignInSize.cx, kSignInSize.cy).has_value(); }, 5000));
    }
    const std::optional<uitest::Geometry> last = program.FindMainWindow();
    ASSERT_TRUE(last.has_value());
    const Rect at = last->rect;
    ASSERT_TRUE(uitest::MoveTo(at.left + 322, at.top + 12));
    ASSERT_TRUE(uitest::Xdo({"click", "1"}));
    EXPECT_EQ(program.Process().Wait(15000), 0) << program.Process().Err();
}
