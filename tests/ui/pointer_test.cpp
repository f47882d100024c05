// An image button and an image slider on the display, driven by real
// pointer events: hover, press, the click command, a drag of the thumb and
// its release notification.
#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/libskin/imagesliderctrl.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/window/paint_dc.h"
#include "ui_test_env.h"

using namespace platform;
using uitest::Wait;

namespace {

class Panel : public Window {
public:
    std::vector<int> clicked;
    std::vector<int> released;
    Bitmap body = LoadSkinBitmap(skin::kBody);

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_PAINT: {
            PaintDC dc(*this);
            dc.BitBlt(0, 0, GetClientRect().Width(), GetClientRect().Height(), body, 0, 0);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED)
                clicked.push_back(LOWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->code == NM_RELEASEDCAPTURE)
                released.push_back(static_cast<int>(hdr->idFrom));
            return 0;
        }
        default:
            return Window::WindowProc(msg, wp, lp);
        }
    }
};

}  // namespace

TEST(PointerOnTheDisplay, DrivesAButtonAndASlider)
{
    KVO_REQUIRE_DISPLAY();
    const Point at{420, 80};
    Panel panel;
    ASSERT_TRUE(panel.CreateEx(0, "Panel", "KVO Studio", WS_POPUP | WS_VISIBLE, RectOfSize(at.x, at.y, 338, 180),
                               nullptr, 0));
    CImageButton lyrics;
    const Rect lyricsRect{61, 147, 82, 168};
    ASSERT_EQ(lyrics.Create(lyricsRect, &panel, 2042, skin::kBtnLyrics, skin::kBtnLyricsOver, skin::kBtnLyricsPress,
                            ""),
              1);
    CImageSliderCtrl bar;
    const Rect barRect = skin::kPositionBarPlace;
    ASSERT_EQ(bar.Create(barRect, {0, 0, 302, 6}, {0, 0, 19, 9}, &panel, 2028, true, skin::kPlaylineBack,
                         skin::kPlaylineFill, skin::kPlaybarThumb, skin::kPlaybarThumbOver, skin::kPlaybarThumbOver, 0,
                         100),
              1);
    bar.SetFillPercent(100);
    ASSERT_TRUE(uitest::PointInto(panel, {at.x + 5, at.y + 5}));

    // Hover: the over image.
    const Point button{at.x + lyricsRect.left + 10, at.y + lyricsRect.top + 10};
    ASSERT_TRUE(uitest::MoveTo(button.x, button.y));
    ASSERT_TRUE(Wait([&] { return lyrics.GetState() == CImageButton::kOver; }));
    const Bitmap over = LoadSkinBitmap(skin::kBtnLyricsOver);
    EXPECT_EQ(lyrics.RenderToBitmap().GetPixel(10, 10), over.GetPixel(10, 10));
    // Press, then release over it: one click command.
    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    ASSERT_TRUE(Wait([&] { return lyrics.GetState() == CImageButton::kPressed; }));
    EXPECT_TRUE(panel.clicked.empty());
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    ASSERT_TRUE(Wait([&] { return !panel.clicked.empty(); }));
    EXPECT_EQ(panel.clicked, std::vector<int>{2042});
    // Away from it: normal again.
    ASSERT_TRUE(uitest::MoveTo(at.x + 300, at.y + 160));
    ASSERT_TRUE(Wait([&] { return lyrics.GetState() == CImageButton::kNormal; }));

    // Drag the thumb 100 pixels to the right and let go.
    const Point thumb{at.x + barRect.left + 9, at.y + barRect.top + 3};
    ASSERT_TRUE(uitest::MoveTo(thumb.x, thumb.y));
    ASSERT_TRUE(uitest::Xdo({"mousedown", "1"}));
    ASSERT_TRUE(Wait([&] { return bar.GetState() == CImageSliderCtrl::kDragging; }));
    for (int step = 1; step <= 4; ++step) {
        ASSERT_TRUE(uitest::MoveTo(thumb.x + 25 * step, thumb.y));
        ASSERT_TRUE(Wait([&] { return bar.GetThumbRect().left == 25 * step; }));
    }
    EXPECT_TRUE(panel.released.empty());
    ASSERT_TRUE(uitest::Xdo({"mouseup", "1"}));
    ASSERT_TRUE(Wait([&] { return !panel.released.empty(); }));
    EXPECT_EQ(panel.released, std::vector<int>{2028});
    EXPECT_EQ(bar.GetPos(), 100 * 100 / (302 - 19));

    panel.DestroyWindow();
}
