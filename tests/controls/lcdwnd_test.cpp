// The display window: its time texts, where it draws each line, and the
// main window following a drag on it.
#include <memory>

#include "controls_test_env.h"
#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/audiofileinfo.h"
#include "tests/support/text_ink.h"

using namespace platform;
using controlstest::CountPixels;

namespace {

constexpr COLORREF kBehind = RGB(20, 30, 40);

class LcdWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(parent.Make({0, 0, 338, 329}));
        body = Bitmap(338, 329);
        body.Fill(RGB(255, 0, 0));
        // Only the display's own part of the body is this colour.
        for (int y = 57; y < 97; ++y)
            for (int x = 67; x < 315; ++x)
                body.SetPixel(x, y, kBehind);
        lcd = std::make_unique<CLCDWnd>(&parent, &body);
        ASSERT_TRUE(lcd->IsWindow());
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    int NotBehind(const Bitmap& b, const Rect& r)
    {
        return CountPixels(b, r, [](COLORREF c) { return c != kBehind; });
    }

    controlstest::CommandSink parent;
    Bitmap body;
    std::unique_ptr<CLCDWnd> lcd;
};

}  // namespace

TEST_F(LcdWindow, TimesCountMinutesOnPastTheHourAsThePlaylistDoes)
{
    lcd->SetPositionTime(3599);
    EXPECT_EQ(lcd->GetText(3), "59:59");
    lcd->SetPositionTime(3600);
    EXPECT_EQ(lcd->GetText(3), "60:00");
    lcd->SetLengthTime(61 * 60 + 5);
    EXPECT_EQ(lcd->GetText(4), "/ 61:05");
    EXPECT_EQ(lcd->GetText(4), "/ " + FormatPlayTime(61 * 60 + 5));
    lcd->SetLengthTime(4294967295u);
    EXPECT_EQ(lcd->GetText(4), "/ 71582788:15");
}

TEST_F(LcdWindow, EachTextStaysInItsOwnPlaceOverTheSkin)
{
    EXPECT_EQ(lcd->GetRectInParent(), (Rect{67, 57, 315, 97}));
    Bitmap shown = lcd->RenderToBitmap();
    EXPECT_EQ(NotBehind(shown, {0, 0, 248, 40}), 0);  // no text: only the skin's own part

    lcd->SetTitleText(std::string(200, 'W'));  // far wider than its 183 pixels
    lcd->SetArtistText("Artist");
    lcd->SetPositionTime(65);
    lcd->SetLengthTime(200);
    lcd->Invalidate();
    shown = lcd->RenderToBitmap();
    auto shows = [&](const Rect& r, COLORREF c) { return testsupport::FindTextInk(shown, r, c, kBehind).Shows(); };
    EXPECT_TRUE(shows(CLCDWnd::kTitleRect, CLCDWnd::kTitleColour));
    EXPECT_EQ(NotBehind(shown, {183, 0, 248, 20}), 0);  // the cut title keeps off the times
    EXPECT_TRUE(shows(CLCDWnd::kArtistRect, CLCDWnd::kArtistColour));
    EXPECT_TRUE(shows(CLCDWnd::kPositionRect, CLCDWnd::kPositionColour));
    EXPECT_TRUE(shows(CLCDWnd::kLengthRect, CLCDWnd::kLengthColour));
    EXPECT_EQ(NotBehind(shown, {0, 36, 248, 40}), 0);
}

TEST_F(LcdWindow, DraggingTheDisplayDragsTheMainWindow)
{
    const Point at{100, 70};
    controlstest::MoveTo(parent, at);
    controlstest::Button(parent, at, true);
    controlstest::MoveTo(parent, {at.x - 30, at.y + 10});
    controlstest::Button(parent, {at.x - 30, at.y + 10}, false);
    EXPECT_EQ(parent.GetWindowRect().TopLeft(), (Point{-30, 10}));
}
