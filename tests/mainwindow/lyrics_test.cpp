// The lyrics window: shown beside the main window with the current song's
// lyrics, following the song, closed by its own button, and its help text.
#include <filesystem>

#include <gtest/gtest.h>

#include "kvostudio/folders.h"
#include "kvostudio/lang.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/lyricsdlg.h"
#include "kvostudio/lyricsview.h"
#include "platform/draw/font.h"
#include "platform/window/input_injection.h"
#include "platform/window/mouse_wheel.h"
#include "kvostudio/playlistdlg.h"
#include "tests/mainwindow/mainwindow_fixture.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

using D = CKvoStudioDlg;

// The lines the view would show, as texts.
std::vector<std::string> WrapText(DC& dc, const std::string& text, int width)
{
    std::vector<std::string> lines;
    for (const CLyricsView::LineRange& r : CLyricsView::WrapRanges(dc, text, width))
        lines.push_back(text.substr(r.start, r.length));
    return lines;
}

bool ShowsImage(CImageButton& button, const char* image)
{
    const Bitmap expected = LoadSkinBitmap(image);
    return button.RenderToBitmap().GetPixel(10, 10) == expected.GetPixel(10, 10);
}

}  // namespace

TEST_F(MainWindowTest, TheLyricsWindowOpensBesideTheMainWindowWithTheSongsLyrics)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo", {"First", "Singer", "Row one"}), 1);
    CImageButton& button = win->GetButton(D::kSlotLyrics);
    Click(button);
    CLyricsDlg* lyrics = win->GetLyricsDlg();
    ASSERT_NE(lyrics, nullptr);
    EXPECT_TRUE(lyrics->IsWindowVisible());
    const Rect main = win->GetWindowRect();
    const Rect beside = lyrics->GetWindowRect();
    EXPECT_EQ(beside.left, main.right);
    EXPECT_EQ(beside.top, main.top);
    EXPECT_EQ(beside.GetSize(), main.GetSize());  // it was laid onto the main window
    EXPECT_EQ(lyrics->GetLyricsText(), "Lyrics View\n\nRow one");
    EXPECT_EQ(lyrics->GetHelpText(), CLyricsDlg::kHelpText);
    EXPECT_EQ(lyrics->GetWindowText(), "KVO Studio");
    Pump();
    EXPECT_TRUE(ShowsImage(button, skin::kBtnLyricsOver));

    // It follows the song that starts while it is up.
    Add(Mp3("b.mp3", {"Second", "Singer", ""}), 1);
    ASSERT_EQ(win->PlayCurrent(), 1);
    EXPECT_EQ(lyrics->GetLyricsText(), "Lyrics View\n\nThere is no lyrics found on current file.");

    Click(button);
    EXPECT_FALSE(lyrics->IsWindowVisible());
    Pump();
    EXPECT_TRUE(ShowsImage(button, skin::kBtnLyrics));
}

TEST_F(MainWindowTest, TheLyricsWindowsCloseButtonTellsTheMainWindowBeforeItGoes)
{
    ASSERT_TRUE(Open());
    Click(win->GetButton(D::kSlotLyrics));
    CLyricsDlg* lyrics = win->GetLyricsDlg();
    ASSERT_TRUE(lyrics->IsWindowVisible());
    Click(lyrics->CloseButton());
    // Told first, the main window hid it once; told afterwards, it would
    // have shown it again.
    EXPECT_FALSE(lyrics->IsWindowVisible());
    Pump();
    EXPECT_TRUE(ShowsImage(win->GetButton(D::kSlotLyrics), skin::kBtnLyrics));
    Click(win->GetButton(D::kSlotLyrics));
    EXPECT_TRUE(lyrics->IsWindowVisible());
}

TEST_F(MainWindowTest, WithoutTheCaptionStripTheLyricsWindowHasNoHelpText)
{
    skintest::ScopedSkinFolder skin;
    for (const auto& entry : std::filesystem::directory_iterator(GetProgramFolder() + "skin"))
        if (entry.path().filename() != skin::kCaptionStrip)
            std::filesystem::copy_file(entry.path(), skin.Path() + "/" + entry.path().filename().string());
    ASSERT_TRUE(Open());
    win->ToggleLyrics();
    ASSERT_NE(win->GetLyricsDlg(), nullptr);
    EXPECT_TRUE(win->GetLyricsDlg()->IsWindowVisible());
    EXPECT_EQ(win->GetLyricsDlg()->GetHelpText(), "");
}

TEST(LyricsView, BreaksAtLineEndsAndWrapsAtTheFieldsWidth)
{
    Bitmap probe(1, 1);
    DC dc(probe);
    const Font font(Font::kFallbackFace, -12, 400);
    dc.SelectFont(&font);
    const int width = dc.GetTextExtent("aaaa bbbb").cx;
    const std::vector<std::string> lines = WrapText(dc, "one\r\ntwo\rthree\n\naaaa bbbb cccc", width);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "", "aaaa bbbb", "cccc"}));

    // A word wider than the field is cut, and nothing is lost.
    const std::string word(40, 'x');
    const int narrow = dc.GetTextExtent("xxxxx").cx;
    std::string joined;
    for (const std::string& line : WrapText(dc, word, narrow)) {
        EXPECT_LE(dc.GetTextExtent(line).cx, narrow);
        EXPECT_FALSE(line.empty());
        joined += line;
    }
    EXPECT_EQ(joined, word);
}

TEST_F(MainWindowTest, LongLyricsScrollWithTheWheel)
{
    ASSERT_TRUE(Open());
    std::string many;
    for (int i = 1; i <= 60; ++i)
        many += "Line " + std::to_string(i) + "\n";
    Add(Kvo("long.kvo", {"Long", "Singer", many}), 1);
    win->ToggleLyrics();
    CLyricsView& view = win->GetLyricsDlg()->LyricsField();
    ASSERT_GT(view.Lines().size(), 60u);
    const Point middle = win->GetLyricsDlg()->ScreenToClient(view.ClientToScreen(Point{20, 20}));
    RouteMouseWheel(*win->GetLyricsDlg(), middle, -WHEEL_DELTA);
    EXPECT_EQ(view.GetTopLine(), CLyricsView::kWheelLines);
    RouteMouseWheel(*win->GetLyricsDlg(), middle, 5 * WHEEL_DELTA);
    EXPECT_EQ(view.GetTopLine(), 0);
    view.ScrollLines(1000);  // never past the last page
    EXPECT_EQ(view.GetTopLine() + (view.GetClientRect().Height() - 2 * CLyricsView::kMargin) / CLyricsView::kLineHeight,
              static_cast<int>(view.Lines().size()));
}

namespace {

void Type(Window& top, const std::string& text)
{
    for (char c : text) {
        InjectKey(top, true, 0, static_cast<unsigned char>(c));
        InjectKey(top, false, 0);
    }
    PumpMessages();
}

void Press(Window& top, WPARAM vk, uint32_t ch = 0)
{
    InjectKey(top, true, vk, ch);
    InjectKey(top, false, vk);
    PumpMessages();
}

}  // namespace

TEST_F(MainWindowTest, TheLyricsFieldTakesTyping)
{
    ASSERT_TRUE(Open());
    Add(Kvo("a.kvo", {"Song", "Singer", ""}), 1);
    win->ToggleLyrics();
    CLyricsDlg* dlg = win->GetLyricsDlg();
    CLyricsView& view = dlg->LyricsField();
    view.SetText("");
    Click(view);
    Type(*dlg, "la la");
    Press(*dlg, VK_RETURN, '\r');
    Type(*dlg, "Xoh");
    Press(*dlg, VK_LEFT);
    Press(*dlg, VK_LEFT);
    Press(*dlg, VK_BACK);  // the X
    Press(*dlg, VK_END);
    Type(*dlg, "!");
    Press(*dlg, VK_UP);
    Press(*dlg, VK_HOME);
    Press(*dlg, VK_DELETE);  // the first l
    EXPECT_EQ(view.GetText(), "a la\noh!");
    EXPECT_EQ(view.Lines(), (std::vector<std::string>{"a la", "oh!"}));
    EXPECT_TRUE(dlg->IsWindowVisible());  // Return typed a line; it did not close the window

    // A click puts the caret where it points.
    Click(view);
    EXPECT_LE(view.GetCaret(), view.GetText().size());
    view.SetText("one two");
    EXPECT_EQ(view.GetCaret(), 0u);
}

TEST_F(MainWindowTest, TheLyricsWindowsHelpTextIsShownWhole)
{
    ASSERT_TRUE(Open());
    win->ToggleLyrics();
    CLyricsDlg* dlg = win->GetLyricsDlg();
    StaticText& help = dlg->HelpField();
    const Rect field = help.GetWindowRect();
    const Rect client = dlg->ClientToScreen(dlg->GetClientRect());
    EXPECT_GE(field.top, dlg->LyricsField().GetWindowRect().bottom);
    EXPECT_LE(field.bottom, client.bottom);

    // The text drawn at the field's width with room to spare: every row
    // that carries ink lies within the field's height.
    Bitmap tall(field.Width(), 400);
    tall.Fill(RGB(255, 255, 255));
    DC dc(tall);
    const Font font(g_LanguageSettings.GetLanguageFontName(), -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.DrawText(dlg->GetHelpText(), {0, 0, field.Width(), 400}, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    dc.SelectFont(nullptr);
    int lastInk = -1;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < field.Width(); ++x)
            if (tall.GetPixel(x, y) != RGB(255, 255, 255))
                lastInk = y;
    ASSERT_GT(lastInk, 40);  // several lines
    EXPECT_LT(lastInk, field.Height());
}
