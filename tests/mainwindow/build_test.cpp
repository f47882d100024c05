// The main window as it opens: its shape, its controls in their places
// with their first looks, a failed build, and the keys that must not
// close it.
#include <gtest/gtest.h>

#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/hyperlink.h"
#include "kvostudio/libskin/menuex.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/peakmeterctrl.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/settings.h"
#include "platform/window/input_injection.h"
#include "platform/window/ui_loop.h"
#include "tests/mainwindow/mainwindow_fixture.h"
#include "tests/mainwindow/script.h"

using namespace platform;
using namespace mainwindowtest;

namespace {

Rect InParent(Window& w)
{
    return w.GetRectInParent();
}

// Whether the button shows the given skin image (its middle pixel).
bool Shows(CImageButton& button, const char* image)
{
    const Bitmap expected = LoadSkinBitmap(image);
    const Rect r = button.GetClientRect();
    const Bitmap shown = button.RenderToBitmap();
    return shown.GetPixel(r.Width() / 2, r.Height() / 2) == expected.GetPixel(r.Width() / 2, r.Height() / 2) &&
           shown.GetPixel(1, 1) == expected.GetPixel(1, 1);
}

}  // namespace

TEST_F(MainWindowTest, OpensShapedWithEveryControlInItsPlace)
{
    WriteConfigInt(config::kGeneral, config::kRepeat, 1);
    WriteConfigInt(config::kGeneral, config::kShuffle, 1);
    ASSERT_TRUE(Open());
    EXPECT_EQ(win->GetClientRect(), (Rect{0, 0, 338, 329}));
    EXPECT_EQ(win->GetWindowText(), "KVO Studio");
    // The body's magenta surround is cut away; its inside is the window's.
    ASSERT_NE(win->GetWindowRgn(), nullptr);
    Region shape = *win->GetWindowRgn();
    EXPECT_FALSE(shape.Contains({0, 0}));
    EXPECT_TRUE(shape.Contains({169, 160}));

    EXPECT_EQ(InParent(*win->GetPlayList()), CKvoStudioDlg::kPlaylistRect);
    EXPECT_TRUE(win->GetPlayList()->IsWindowVisible());
    ASSERT_NE(win->GetMenuBar(), nullptr);
    EXPECT_EQ(InParent(*win->GetMenuBar()), RectOfSize(74, 2, 124, 25));
    EXPECT_EQ(InParent(*win->GetLcd()), CLCDWnd::kWindowRect);
    EXPECT_EQ(win->GetSpectrum()->GetBandCount(), CKvoStudioDlg::kSpectrumBands);
    EXPECT_EQ(InParent(*win->GetLink()), CKvoStudioDlg::kLinkRect);

    // The play/pause button and the sign-in button change their looks in
    // place; the other buttons keep theirs.
    EXPECT_EQ(InParent(win->GetButton(CKvoStudioDlg::kSlotPlay)), (Rect{49, 122, 60, 140}));
    EXPECT_EQ(win->GetButton(CKvoStudioDlg::kSlotPlay).GetDlgCtrlID(), CKvoStudioDlg::kIdPlay);
    EXPECT_EQ(InParent(win->GetButton(CKvoStudioDlg::kSlotSignIn)), (Rect{284, 35, 331, 52}));
    EXPECT_FALSE(win->GetButton(CKvoStudioDlg::kSlotPersonalPullDown).IsWindowVisible());
    EXPECT_TRUE(win->GetButton(CKvoStudioDlg::kSlotTransferPullDown).IsWindowVisible());

    // First looks: music on at 77; vocal and microphone muted and locked;
    // the position bar off; repeat and shuffle as stored.
    EXPECT_EQ(win->GetLevelSlider(CKvoStudioDlg::kMusic).GetPos(), 77);
    EXPECT_EQ(win->GetLevelSlider(CKvoStudioDlg::kVocal).GetPos(), 0);
    EXPECT_EQ(win->GetLevelSlider(CKvoStudioDlg::kMicrophone).GetPos(), 0);
    EXPECT_EQ(win->GetLevelState(CKvoStudioDlg::kMicrophone).level, 77);
    EXPECT_FALSE(win->GetPositionBar().IsWindowEnabled());
    EXPECT_TRUE(Shows(win->GetButton(CKvoStudioDlg::kSlotMuteVocal), skin::kBtnVolumeOff2));
    EXPECT_TRUE(Shows(win->GetButton(CKvoStudioDlg::kSlotMuteMusic), skin::kBtnVolumeOn1));
    EXPECT_EQ(win->GetRepeat(), 1);
    EXPECT_TRUE(Shows(win->GetButton(CKvoStudioDlg::kSlotRepeat), skin::kBtnOneOver));
    EXPECT_EQ(win->GetShuffle(), 1);
    EXPECT_TRUE(Shows(win->GetButton(CKvoStudioDlg::kSlotShuffle), skin::kBtnShuffleOver));

    // The composed skin is what the window shows where no control is.
    const Bitmap body = LoadSkinBitmap(skin::kBody);
    EXPECT_EQ(win->RenderToBitmap().GetPixel(150, 110), body.GetPixel(150, 110));
}

TEST_F(MainWindowTest, WithoutItsBodyBitmapTheWindowIsNotMade)
{
    skintest::ScopedSkinFolder emptySkin;
    EXPECT_FALSE(Open());
    EXPECT_FALSE(win->IsWindow());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Initalize Failed");
    EXPECT_EQ(boxes[0].caption, "KVO Studio");
    EXPECT_EQ(boxes[0].type & 0xF0, static_cast<UINT>(MB_ICONINFORMATION));
}

TEST_F(MainWindowTest, OnlyTheCloseButtonEndsTheWindowNotItsKeys)
{
    win = std::make_unique<TestMainWindow>();
    bool openAfterKeys = false;
    Script script;
    script
        .When("the main window's loop", [&] { return win->IsWindow() && InModalLoop(*win); },
              [&] {
                  for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
                      InjectKey(*win, true, key);
                      InjectKey(*win, false, key);
                  }
                  // The playlist window swallows them too.
                  Window* list = win->GetPlayList();
                  list->SetFocus();
                  for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
                      InjectKey(*win, true, key);
                      InjectKey(*win, false, key);
                  }
              })
        .Then([&] {
            openAfterKeys = win->IsWindow() && InModalLoop(*win);
            Click(win->GetButton(CKvoStudioDlg::kSlotClose));
        });
    ASSERT_TRUE(script.Start());
    EXPECT_EQ(win->DoModal(), IDOK);
    EXPECT_TRUE(openAfterKeys);
    EXPECT_TRUE(script.RunToEnd()) << script.Failure();
}

TEST_F(MainWindowTest, AFreePointOfTheBodyDragsTheWindow)
{
    ASSERT_TRUE(Open());
    const Rect before = win->GetWindowRect();
    const Point free{150, 110};  // between the position bar and the buttons
    InjectMouseMove(*win, free);
    InjectMouseButton(*win, 1, true, free);
    Pump();
    InjectMouseMove(*win, {free.x + 40, free.y + 25});
    Pump();
    InjectMouseButton(*win, 1, false, {free.x + 40, free.y + 25});
    Pump();
    const Rect after = win->GetWindowRect();
    EXPECT_EQ(after.left - before.left, 40);
    EXPECT_EQ(after.top - before.top, 25);
}
