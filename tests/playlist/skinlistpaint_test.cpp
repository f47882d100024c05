// How the play list looks and scrolls: the dark palette with its selection
// and separators, the current row's marker and colours, the "[KVO]" tag,
// labels cut to their cell with the tooltip that shows them whole, and the
// scrollbar and wheel.
#include <string>

#include "platform/window/mouse_wheel.h"
#include "playlist_test_env.h"
#include "tests/support/text_ink.h"

using namespace platform;
using namespace playlisttest;

namespace {

class PlayListLook : public ListFixture {
protected:
    Bitmap Shown() { return list.RenderToBitmap(); }
};

// True when the text holds no broken UTF-8 sequence.
bool WholeUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

}  // namespace

TEST_F(PlayListLook, RowsAreDrawnInTheDarkPalette)
{
    AddRow(list, "a.mp3");
    AddRow(list, "b.mp3");
    AddRow(list, "c.mp3");
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    const Bitmap b = Shown();
    ASSERT_EQ(list.GetRowHeight(), 22);
    EXPECT_EQ(b.GetPixel(150, 2), CSkinListBase::kBackground);
    EXPECT_EQ(b.GetPixel(150, 22 + 2), CSkinListBase::kSelectFill);
    // The selection's corners are rounded off.
    EXPECT_EQ(b.GetPixel(0, 23), CSkinListBase::kBackground);
    EXPECT_EQ(b.GetPixel(1, 23), CSkinListBase::kSelectFill);
    // Two separator lines under each row, across the columns only.
    EXPECT_EQ(b.GetPixel(150, 21), CSkinListBase::kSeparatorDark);
    EXPECT_EQ(b.GetPixel(150, 22), CSkinListBase::kSeparatorLight);
    EXPECT_EQ(b.GetPixel(150, 43), CSkinListBase::kSeparatorDark);
    EXPECT_EQ(b.GetPixel(297, 21), CSkinListBase::kBackground);
    EXPECT_EQ(b.GetPixel(150, 100), CSkinListBase::kBackground);
}

TEST_F(PlayListLook, TheCurrentRowHasItsMarkerAndGoldenTexts)
{
    AddRow(list, "a.kvo", 1);
    AddRow(list, "b.mp3", 0);
    AddRow(list, "c.kvo", 1);
    const Bitmap b = Shown();
    // Row 0 is current: a small triangle in place of its number.
    for (Point p : {Point{9, 9}, Point{9, 13}, Point{10, 10}, Point{10, 12}, Point{11, 11}})
        EXPECT_EQ(b.GetPixel(p.x, p.y), CSkinListCtrl::kMarkerColour) << p.x << "," << p.y;
    EXPECT_EQ(b.GetPixel(11, 10), CSkinListBase::kBackground);
    EXPECT_EQ(CountColour(b, {0, 22, 30, 44}, CSkinListCtrl::kMarkerColour), 0);
    // Other rows show their number dimmed.
    auto shows = [&](const Rect& r, COLORREF c) {
        return testsupport::FindTextInk(b, r, c, CSkinListBase::kBackground).Shows();
    };
    EXPECT_TRUE(shows({7, 26, 20, 40}, CSkinListBase::kDimText));
    // The tag and the text of the current row are golden; another
    // container's tag is dim and its text grey.
    EXPECT_TRUE(shows({25, 4, 55, 18}, CSkinListBase::kCurrentText));
    EXPECT_TRUE(shows({61, 4, 120, 18}, CSkinListBase::kCurrentText));
    EXPECT_FALSE(shows({25, 48, 55, 62}, CSkinListBase::kCurrentText));
    EXPECT_TRUE(shows({25, 48, 55, 62}, CSkinListBase::kDimText));
    EXPECT_TRUE(shows({61, 48, 120, 62}, CSkinListBase::kText));
    // The time column.
    EXPECT_TRUE(shows({264, 26, 294, 40}, CSkinListBase::kText));
}

TEST_F(PlayListLook, ALongNameIsCutAndShownWholeInTheTooltip)
{
    const std::string longName = "A very long file name that does not fit into the song column at all.mp3";
    AddRow(list, longName);
    AddRow(list, "short.mp3");
    Shown();
    EXPECT_EQ(list.ItemAt(0)->bTextCut, 1);
    EXPECT_EQ(list.ItemAt(1)->bTextCut, 0);

    // The first time only makes the tip; from then on it shows.
    MoveTo(host, RowPoint(list, 0, 100));
    EXPECT_FALSE(list.GetToolTip().IsShown());
    const Point at = RowPoint(list, 0, 110);
    MoveTo(host, at);
    EXPECT_EQ(list.GetToolTip().Text(), list.GetItemText(0, 0));
    EXPECT_EQ(list.GetToolTip().Position(), (Point{at.x, at.y + 21}));

    MoveTo(host, RowPoint(list, 1, 100));
    EXPECT_FALSE(list.GetToolTip().IsShown());
    MoveTo(host, RowPoint(list, 0, 100));
    EXPECT_TRUE(list.GetToolTip().IsShown());
    MoveTo(host, {110, 290});  // off the list, on its parent
    PumpMessages();
    EXPECT_FALSE(list.GetToolTip().IsShown());
}

TEST_F(PlayListLook, CutTextEndsInDotsAndNeverSplitsACharacter)
{
    Bitmap scratch(10, 10);
    DC dc(scratch);
    const Font font("Sans", -10);
    dc.SelectFont(&font);
    bool cut = false;
    EXPECT_EQ(CSkinListBase::FitText(dc, "short", 200, &cut), "short");
    EXPECT_FALSE(cut);
    std::string wide;
    for (int i = 0; i < 30; ++i)
        wide += "\xC3\x84\xE6\xBC\xA2";  // Ä and a CJK character
    for (int width = 20; width < 200; width += 7) {
        const std::string fitted = CSkinListBase::FitText(dc, wide, width, &cut);
        ASSERT_TRUE(cut);
        ASSERT_GE(fitted.size(), 3u);
        EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
        EXPECT_TRUE(WholeUtf8(fitted)) << width;
        EXPECT_LT(dc.GetTextExtent(fitted.substr(0, fitted.size() - 3)).cx, width - CSkinListBase::kFitMargin);
    }
}

TEST_F(PlayListLook, TheScrollbarStandsBesideTheListAndFollowsIt)
{
    for (int i = 0; i < 12; ++i)
        AddRow(list, "song" + std::to_string(i) + ".mp3");
    CSkinVerticleScrollbar& bar = list.GetScrollbar();
    EXPECT_EQ(bar.GetRectInParent(), (Rect{302, 8, 311, 118}));
    EXPECT_EQ(list.GetScrollLimit(), 7);

    RouteMouseWheel(host, host.ScreenToClient(RowPoint(list, 1)), -WHEEL_DELTA);
    PumpMessages();
    EXPECT_EQ(list.GetTopIndex(), 3);
    EXPECT_GT(bar.GetThumbTop(), CSkinVerticleScrollbar::kArrowHeight);
    // The rows move with it: the first row shown is row 3.
    EXPECT_EQ(list.HitTest({60, 5}), 3);

    Click(host, bar.ClientToScreen(Point{4, 100}));  // the down arrow
    EXPECT_EQ(list.GetTopIndex(), 4);
    RouteMouseWheel(host, host.ScreenToClient(RowPoint(list, 5)), 4 * WHEEL_DELTA);
    EXPECT_EQ(list.GetTopIndex(), 0);
    EXPECT_EQ(bar.GetThumbTop(), CSkinVerticleScrollbar::kArrowHeight);

    list.SelectIndex(12);
    list.EnsureCurrentVisible();
    EXPECT_EQ(list.GetTopIndex(), 7);
}
