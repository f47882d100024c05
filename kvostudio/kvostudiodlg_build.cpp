// The main window's skin build: bitmaps, sliders, buttons and child windows,
// in the order the window's creation runs them.
#include "kvostudio/kvostudiodlg.h"

#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/hyperlink.h"
#include "kvostudio/libskin/menuex.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/peakmeterctrl.h"
#include "kvostudio/playlistdlg.h"

using namespace platform;

namespace {

struct LevelBar {
    int id;
    Rect rect;
    int position;
    bool input;
    LevelState state;
};

constexpr LevelBar kLevelBars[3] = {
    {CKvoStudioDlg::kIdMusicLevel, {262, 124, 319, 128}, 77, true, {100, 1, 1}},
    {CKvoStudioDlg::kIdVocalLevel, {262, 139, 319, 143}, 100, false, {100, 0, 0}},
    {CKvoStudioDlg::kIdMicLevel, {262, 153, 319, 157}, 77, false, {77, 0, 0}},
};

struct ButtonPlan {
    int slot;
    int id;
    Rect rect;
    const char* normal;
    const char* over;
    const char* press;
    const char* tip;  // null: none
};

// In the order the buttons are made.
const ButtonPlan kButtons[] = {
    {CKvoStudioDlg::kSlotClose, CKvoStudioDlg::kIdClose, {317, 7, 328, 18}, skin::kBtnClose, skin::kBtnCloseOver,
     skin::kBtnClosePress, nullptr},
    {CKvoStudioDlg::kSlotMinimize, CKvoStudioDlg::kIdMinimize, {300, 7, 311, 18}, skin::kBtnDown, skin::kBtnDownOver,
     skin::kBtnDownPress, nullptr},
    {CKvoStudioDlg::kSlotPlay, CKvoStudioDlg::kIdPlay, {49, 122, 60, 140}, skin::kBtnPlay, skin::kBtnPlayOver,
     skin::kBtnPlayPress, "Play"},
    {CKvoStudioDlg::kSlotStop, CKvoStudioDlg::kIdStop, {74, 122, 88, 140}, skin::kBtnStop, skin::kBtnStopOver,
     skin::kBtnStopPress, "Stop"},
    {CKvoStudioDlg::kSlotNext, CKvoStudioDlg::kIdNext, {101, 122, 118, 140}, skin::kBtnNext, skin::kBtnNextOver,
     skin::kBtnNextPress, "Next"},
    {CKvoStudioDlg::kSlotPrevious, CKvoStudioDlg::kIdPrevious, {20, 122, 37, 140}, skin::kBtnPrevious,
     skin::kBtnPreviousOver, skin::kBtnPreviousPress, "Previous"},
    {CKvoStudioDlg::kSlotRecord, CKvoStudioDlg::kIdRecord, {142, 122, 160, 149}, skin::kBtnRec, skin::kBtnRecOver,
     skin::kBtnRecPress, "Record"},
    {CKvoStudioDlg::kSlotStopRecording, CKvoStudioDlg::kIdStopRecording, {173, 122, 187, 140}, skin::kBtnStop,
     skin::kBtnStop, skin::kBtnStop, "Done"},
    {CKvoStudioDlg::kSlotRepeat, CKvoStudioDlg::kIdRepeat, {18, 147, 39, 168}, skin::kBtnAllOver, skin::kBtnAllOver,
     skin::kBtnAllPress, "Playlist/Song repeating"},
    {CKvoStudioDlg::kSlotShuffle, CKvoStudioDlg::kIdShuffle, {40, 147, 61, 168}, skin::kBtnShuffle, skin::kBtnShuffle,
     skin::kBtnShufflePress, "Playlist shuffling"},
    {CKvoStudioDlg::kSlotLyrics, CKvoStudioDlg::kIdLyrics, {61, 147, 82, 168}, skin::kBtnLyrics, skin::kBtnLyricsOver,
     skin::kBtnLyricsPress, "Lyrics view"},
    {CKvoStudioDlg::kSlotSignIn, CKvoStudioDlg::kIdSignIn, {284, 35, 331, 52}, skin::kBtnSignIn, skin::kBtnSignInOver,
     skin::kBtnSignInPress, nullptr},
    {CKvoStudioDlg::kSlotMuteMusic, CKvoStudioDlg::kIdMuteMusic, {250, 121, 257, 130}, skin::kBtnVolumeOn1,
     skin::kBtnVolumeOn1, skin::kBtnVolumeOn1, "All"},
    {CKvoStudioDlg::kSlotMuteVocal, CKvoStudioDlg::kIdMuteVocal, {250, 136, 257, 145}, skin::kBtnVolumeOn2,
     skin::kBtnVolumeOn2, skin::kBtnVolumeOn2, "Vocal"},
    {CKvoStudioDlg::kSlotMuteMic, CKvoStudioDlg::kIdMuteMic, {250, 151, 257, 160}, skin::kBtnVolumeOn3,
     skin::kBtnVolumeOn3, skin::kBtnVolumeOn3, "Mic"},
    {CKvoStudioDlg::kSlotTransferPullDown, CKvoStudioDlg::kIdTransferPullDown, {163, 35, 178, 50},
     skin::kBtnPullDown2, skin::kBtnPullDownOver2, skin::kBtnPullDownPress2, nullptr},
    {CKvoStudioDlg::kSlotPersonalPullDown, CKvoStudioDlg::kIdPersonalPullDown, {243, 35, 258, 50},
     skin::kBtnPullDown, skin::kBtnPullDownOver, skin::kBtnPullDownPress, nullptr},
};

// The repeat code that SetRepeatMode turns into 'code'.
int PredecessorOf(int code)
{
    switch (code) {
    case 0:
        return 2;
    case 1:
        return 0;
    case 2:
        return 1;
    default:
        return code;
    }
}

}  // namespace

bool CKvoStudioDlg::LoadBackground()
{
    m_bmpBody = LoadSkinBitmap(skin::kBody);
    if (m_bmpBody.IsNull())
        return false;
    // The window keeps its designed size whatever the bitmap's.
    m_rcWindow = kWindowRect;
    m_bmpPersonalStrip = LoadSkinBitmap(skin::kPersonalStrip);
    if (m_bmpPersonalStrip.IsNull())
        return false;
    m_bmpPersonal = LoadSkinBitmap(skin::kPersonal);
    return !m_bmpPersonal.IsNull();
}

bool CKvoStudioDlg::CreateVolumeBar()
{
    for (int i = 0; i < 3; ++i) {
        const LevelBar& bar = kLevelBars[i];
        CImageSliderCtrl& slider = m_levelBars[i];
        if (!slider.Create(bar.rect, {0, 0, 57, 4}, {0, 0, 12, 5}, this, bar.id, true, skin::kVolumeBack,
                           skin::kVolumeFill, skin::kVolumeThumb, skin::kVolumeThumbOver, skin::kVolumeThumbOver, 0,
                           100))
            return false;
        slider.SetFillPercent(100);
        slider.SetPos(bar.position);
        slider.EnableInput(bar.input);
        m_levels[i] = bar.state;
    }
    return true;
}

bool CKvoStudioDlg::CreatePositionBar()
{
    if (!m_positionBar.Create({18, 97, 320, 103}, {0, 0, 302, 6}, {0, 0, 19, 9}, this, kIdPositionBar, true,
                              skin::kPlaylineBack, skin::kPlaylineFill, skin::kPlaybarThumb, skin::kPlaybarThumbOver,
                              skin::kPlaybarThumbOver, 0, 100))
        return false;
    m_positionBar.SetFillPercent(100);
    m_positionBar.SetPos(0);
    m_positionBar.EnableInput(true);
    return true;
}

bool CKvoStudioDlg::CreateButtons()
{
    // The two looks that have no button of their own.
    m_rects[kSlotPauseLook] = {49, 122, 63, 140};
    m_rects[kSlotSignOutLook] = {277, 35, 331, 52};
    for (const ButtonPlan& b : kButtons) {
        m_rects[b.slot] = b.rect;
        CImageButton& button = m_buttons[b.slot];
        if (!button.Create(b.rect, this, static_cast<unsigned>(b.id), b.normal, b.over, b.press, ""))
            return false;
        if (b.tip)
            button.SetToolTipText(b.tip);
        if (b.slot == kSlotRepeat)
            SetRepeatMode(PredecessorOf(m_repeat));
        if (b.slot == kSlotShuffle && m_shuffle)
            button.SetBitmaps(b.rect, skin::kBtnShuffleOver, skin::kBtnShuffleOver, skin::kBtnShufflePress, "");
        if (b.slot == kSlotPersonalPullDown)
            button.ShowWindow(SW_HIDE);
    }
    return true;
}

bool CKvoStudioDlg::CreateChildWindows()
{
    m_pPlayList = new CPlayListDlg(this, &m_bmpBody);
    if (!m_pPlayList->Create(this))
        return false;
    m_pPlayList->MoveWindow(kPlaylistRect);
    m_pPlayList->ShowWindow(SW_SHOW);

    m_pSpectrum = new CPeakMeterCtrl(this, &m_bmpBody);
    if (!m_pSpectrum->IsWindow())
        return false;
    m_pSpectrum->SetMeterBands(kSpectrumBands, 1);
    m_pSpectrum->Start(kPlaybackPeriodMs);

    m_pLcd = new CLCDWnd(this, &m_bmpBody);
    if (!m_pLcd->IsWindow())
        return false;

    m_pLink = new CHyperLink(this, kLinkRect, &m_bmpBody, 0xD4D4D4, 0xFFFFFF);
    if (!m_pLink->IsWindow())
        return false;
    m_pLink->SetLinkText(LoadFormatString(124));
    m_pLink->SetLinkUrl(PageAddress(ServicePages::kHome));

    m_pMenuBar = new CMenuEx(this, 74, 2);
    return m_pMenuBar->IsValid();
}
