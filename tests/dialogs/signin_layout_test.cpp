// The sign-in dialog's lines with links: each link sits after the text it
// follows, the painting leaves the link's room free and goes on after it,
// and no link colour shows outside a link.
#include <algorithm>
#include <vector>

#include "kvostudio/logindlg.h"
#include "kvostudio/skinframe.h"
#include "platform/draw/font.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/support/text_ink.h"

using namespace platform;

namespace {

using SignInLayout = dialogtest::DialogTest;

constexpr COLORREF kLinkColour = RGB(166, 0, 25);
constexpr COLORREF kSignUpColour = RGB(255, 149, 0);

bool IsBackground(COLORREF c)
{
    return c == skinframe::kPanel || c == skinframe::kFill;
}

// Reddish link ink (antialiased edges included): red well above green and blue.
bool IsLinkInk(COLORREF c)
{
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return r > g + 60 && r > b + 60;
}

// Whether any pixel of the columns [left, right) in the rows of 'band'
// differs from the background.
bool HasInk(const Bitmap& shot, int left, int right, const Rect& band)
{
    for (int y = band.top; y < band.bottom; ++y)
        for (int x = std::max(left, 0); x < right; ++x)
            if (!IsBackground(shot.GetPixel(x, y)))
                return true;
    return false;
}

TEST_F(SignInLayout, LinksFollowTheirTextsWithoutOverlapOrStrayMarks)
{
    CLoginDlg dlg;
    ASSERT_TRUE(dlg.Create(CLoginDlg::IDD));
    Rect links[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(dlg.Link(i), nullptr);
        links[i] = dlg.Link(i)->GetRectInParent();
    }

    // The links hidden, the dialog's own painting shows: nothing under a
    // link, its text just before it, and (but for the last word of a line)
    // more text just after it.
    for (int i = 0; i < 3; ++i)
        dlg.Link(i)->ShowWindow(SW_HIDE);
    const Bitmap bare = dlg.RenderToBitmap();
    for (int i = 0; i < 3; ++i) {
        const Rect& link = links[i];
        EXPECT_FALSE(HasInk(bare, link.left, link.right, link)) << "text painted under link " << i;
        EXPECT_TRUE(HasInk(bare, link.left - 8, link.left, link)) << "no text just before link " << i;
        EXPECT_TRUE(HasInk(bare, link.right, link.right + 8, link)) << "no text just after link " << i;
    }
    // "id" and "password" are one " or " apart.
    EXPECT_LT(links[1].left - links[0].right, 20);
    // "Remember ID" shows whole, whatever its width in the font in use.
    {
        Bitmap probe(1, 1);
        DC measure(probe);
        const Font small11(skinframe::FontFace(), -11, 400);
        measure.SelectFont(&small11);
        const int width = measure.GetTextExtent("Remember ID").cx;
        measure.SelectFont(nullptr);
        constexpr Rect kLabel{371, 98, 456, 118};
        ASSERT_LT(kLabel.left + width, kLabel.right);
        EXPECT_TRUE(HasInk(bare, kLabel.left + width - 3, kLabel.left + width, kLabel)) << "the label is cut";
    }

    // With the links shown, link ink appears only inside the links.
    for (int i = 0; i < 3; ++i)
        dlg.Link(i)->ShowWindow(SW_SHOW);
    const Bitmap shot = dlg.RenderToBitmap();
    std::vector<Rect> controls;  // buttons, fields: their own looks
    for (Window* child : dlg.GetChildren())
        if (child->GetClassName() != "Link")
            controls.push_back(child->GetRectInParent());
    // Each link's word shows in the link colour, inside the link.
    for (int i = 0; i < 3; ++i) {
        const COLORREF behind = shot.GetPixel(links[i].left, links[i].top);
        ASSERT_TRUE(IsBackground(behind)) << "link " << i;
        const testsupport::TextInk ink = testsupport::FindTextInk(shot, links[i], kLinkColour, behind);
        EXPECT_TRUE(ink.Shows()) << "link " << i << ": " << ink.pixels << " pixels, at most " << ink.strongest;
        EXPECT_GE(ink.extent.Width(), links[i].Width() / 2) << "link " << i;
    }
    for (int y = 0; y < shot.Height(); ++y) {
        for (int x = 0; x < shot.Width(); ++x) {
            const COLORREF c = shot.GetPixel(x, y);
            const Point p{x, y};
            const bool inLink = links[0].Contains(p) || links[1].Contains(p) || links[2].Contains(p);
            if (inLink)
                continue;
            if (y < skinframe::kCaptionStripSize.cy ||
                std::any_of(controls.begin(), controls.end(), [&](const Rect& r) { return r.Contains(p); }))
                continue;
            ASSERT_FALSE(IsLinkInk(c) || c == kSignUpColour) << "stray link mark at " << x << "," << y;
        }
    }
    dlg.DestroyWindow();
}

}  // namespace
