// Links: their look over the parent's image, the hover colour, and what a
// click sends or opens.
#include "controls_test_env.h"
#include "kvostudio/libskin/hyperlink.h"
#include "platform/shell/web_page.h"
#include "tests/support/text_ink.h"

using namespace platform;
using controlstest::Button;
using controlstest::Click;
using controlstest::CountColour;
using controlstest::MoveTo;

namespace {

constexpr COLORREF kNormal = RGB(212, 212, 212);
constexpr COLORREF kHover = RGB(255, 255, 255);
const Rect kPlace{20, 34, 91, 50};

// The parent's skin: every pixel tells where it is, so a copy from the
// wrong place shows.
COLORREF SkinAt(int x, int y)
{
    return RGB(static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7);
}

class HyperLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        controlstest::UseMemoryWindows();
        ASSERT_TRUE(parent.Make({50, 50, 250, 150}));
        skin = Bitmap(200, 100);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                skin.SetPixel(x, y, SkinAt(x, y));
    }
    void TearDown() override
    {
        parent.DestroyWindow();
        PumpMessages();
    }
    Point Screen(const CHyperLink& link, int x, int y) const { return link.ClientToScreen(Point{x, y}); }

    Bitmap skin;
    controlstest::CommandSink parent;
    WebPageRecorder pages;
};

}  // namespace

TEST_F(HyperLink, AnEmptyLinkShowsOnlyTheParentsImageBeneathIt)
{
    CHyperLink link(&parent, kPlace, &skin, kNormal, kHover);
    const Bitmap shown = link.RenderToBitmap();
    int wrong = 0;
    for (int y = 0; y < kPlace.Height(); ++y)
        for (int x = 0; x < kPlace.Width(); ++x)
            wrong += shown.GetPixel(x, y) != SkinAt(kPlace.left + x, kPlace.top + y);
    EXPECT_EQ(wrong, 0);

    CHyperLink plain(&parent, {100, 10, 150, 30}, nullptr, kNormal, kHover);
    plain.backgroundColour = RGB(237, 237, 237);
    EXPECT_EQ(CountColour(plain.RenderToBitmap(), {0, 0, 50, 20}, RGB(237, 237, 237)), 50 * 20);
}

TEST_F(HyperLink, TheTextTakesTheHoverColourUnderThePointer)
{
    CHyperLink link(&parent, kPlace, nullptr, kNormal, kHover);
    link.backgroundColour = RGB(0, 0, 0);
    link.SetLinkText("pellam");
    link.Invalidate();
    const Rect all{0, 0, kPlace.Width(), kPlace.Height()};
    using testsupport::FindTextInk;
    const Bitmap normal = link.RenderToBitmap();
    EXPECT_TRUE(FindTextInk(normal, all, kNormal, RGB(0, 0, 0)).Shows());
    MoveTo(parent, Screen(link, 5, 5));
    ASSERT_TRUE(RunLoopUntil([&] { return link.GetState() == CHyperLink::kHover; }, 20000));
    const Bitmap hover = link.RenderToBitmap();
    const testsupport::TextInk lit = FindTextInk(hover, all, kHover, RGB(0, 0, 0));
    EXPECT_TRUE(lit.Shows());
    // The same glyphs in the brighter colour: against the hover colour, the
    // text before the pointer came comes only the colours' ratio of the way.
    const testsupport::TextInk before = FindTextInk(normal, all, kHover, RGB(0, 0, 0));
    ASSERT_GT(lit.weight, 0);
    EXPECT_NEAR(before.weight / lit.weight, 212.0 / 255.0, 0.06);
    MoveTo(parent, {240, 140});
    EXPECT_EQ(link.GetState(), CHyperLink::kNormal);
}

TEST_F(HyperLink, AClickSendsTheCommandOrElseOpensTheAddress)
{
    CHyperLink link(&parent, kPlace, &skin, kNormal, kHover);
    link.SetLinkUrl("https://example.test/help/category/23#basictitle13");
    link.commandId = 32813;
    Click(parent, Screen(link, 5, 5));
    EXPECT_EQ(parent.commands, std::vector<int>{32813});
    EXPECT_TRUE(pages.Pages().empty());

    link.commandId = 0;
    Click(parent, Screen(link, 5, 5));
    EXPECT_EQ(pages.Pages(), std::vector<std::string>{"https://example.test/help/category/23#basictitle13"});
    link.SetLinkUrl("file:///etc/passwd");  // not a web page: never handed over
    Click(parent, Screen(link, 5, 5));
    EXPECT_EQ(pages.Pages().size(), 1u);
    EXPECT_EQ(parent.commands.size(), 1u);
}

TEST_F(HyperLink, APointerRestingDuringThePressKeepsTheClick)
{
    // A link that counts the hover notices it gets.
    struct Counting : CHyperLink {
        using CHyperLink::CHyperLink;
        int hovers = 0;
        LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
        {
            hovers += msg == WM_MOUSEHOVER;
            return CHyperLink::WindowProc(msg, wp, lp);
        }
    } link(&parent, kPlace, &skin, kNormal, kHover);
    link.commandId = 7;
    MoveTo(parent, Screen(link, 5, 5));
    Button(parent, Screen(link, 5, 5), true);
    MoveTo(parent, Screen(link, 6, 5));
    // The hover notice comes while the button is held.
    ASSERT_TRUE(RunLoopUntil([&] { return link.hovers > 0; }, 20000));
    Button(parent, Screen(link, 6, 5), false);
    EXPECT_EQ(parent.commands, std::vector<int>{7});
}

TEST_F(HyperLink, APressThatStartedElsewhereDoesNothing)
{
    CHyperLink link(&parent, kPlace, &skin, kNormal, kHover);
    link.SetLinkUrl("http://example.test/");
    link.commandId = 1;
    MoveTo(parent, {55, 55});
    Button(parent, {55, 55}, true);
    MoveTo(parent, Screen(link, 5, 5));
    Button(parent, Screen(link, 5, 5), false);
    EXPECT_TRUE(parent.commands.empty());
    EXPECT_TRUE(pages.Pages().empty());
}
