// A real shaped window: built from the skin's body bitmap with its magenta
// corners cut away, the desktop shows through the corners and the pointer
// there belongs to what lies below.
#include "kvostudio/bitmapregion.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/bitmap.h"
#include "platform/window/paint_dc.h"
#include "platform/window/window.h"
#include "ui_test_env.h"

using namespace platform;

namespace {

class BodyWindow : public Window {
public:
    Bitmap body;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_PAINT) {
            PaintDC dc(*this);
            dc.BitBlt(0, 0, body.Width(), body.Height(), body, 0, 0);
            return 0;
        }
        if (msg == WM_ERASEBKGND)
            return 1;
        return Window::WindowProc(msg, wp, lp);
    }
};

}  // namespace

TEST(ShapedWindow, ACutCornerIsNotTheWindows)
{
    KVO_REQUIRE_DISPLAY();
    BodyWindow w;
    w.body = LoadSkinBitmap(skin::kBody);
    ASSERT_FALSE(w.body.IsNull());
    const Point at{60, 60};
    ASSERT_TRUE(w.CreateEx(0, "KVO Studio", "KVO Studio", WS_POPUP,
                           RectOfSize(at.x, at.y, w.body.Width(), w.body.Height()), nullptr, 0));
    auto shape = CreateRegionFromBitmap(&w.body, 0xFF00FF, 0x101010);
    ASSERT_TRUE(shape.has_value());
    w.SetWindowRgn(*shape, true);
    w.ShowWindow(SW_SHOW);
    const unsigned long xid = NativeWindowId(w);
    ASSERT_NE(xid, 0u);

    ASSERT_TRUE(uitest::PointInto(w, {at.x + w.body.Width() / 2, at.y + w.body.Height() / 2}));
    // The corner pixels are magenta: outside the shape, once the desktop
    // has applied it.
    ASSERT_TRUE(uitest::MoveTo(at.x, at.y));
    EXPECT_TRUE(uitest::Wait([&] { return NativeWindowUnderPointer() != xid; }));
    ASSERT_TRUE(uitest::MoveTo(at.x + w.body.Width() - 1, at.y + w.body.Height() - 1));
    EXPECT_TRUE(uitest::Wait([&] { return NativeWindowUnderPointer() != xid; }));

    // Drawn, the body shows inside the shape and no magenta at the corner.
    const Point inside{skin::kBodyCornerRadius + 20, 100};
    const auto drawn = [&](const Bitmap& screen) {
        return screen.GetPixel(at.x + inside.x, at.y + inside.y) == w.body.GetPixel(inside.x, inside.y);
    };
    Bitmap screen = uitest::ScreenWhen(uitest::ArtifactPath("shaped_window.png"), drawn);
    ASSERT_FALSE(screen.IsNull());
    EXPECT_NE(screen.GetPixel(at.x, at.y), kSkinKeyColour);  // no magenta on screen
    EXPECT_TRUE(drawn(screen));
    w.DestroyWindow();
}
