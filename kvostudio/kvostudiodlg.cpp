#include "kvostudio/kvostudiodlg.h"

#include <vector>

#include "kvostudio/aboutdlg.h"
#include "kvostudio/bitmapregion.h"
#include "kvostudio/global.h"
#include "kvostudio/lang.h"
#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/hyperlink.h"
#include "kvostudio/libskin/menuex.h"
#include "kvostudio/lyricsdlg.h"
#include "kvostudio/mixer.h"
#include "kvostudio/peakmeterctrl.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/serviceprogress.h"
#include "kvostudio/uploadimpl.h"
#include "platform/draw/font.h"
#include "platform/window/copy_data.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window_iconify.h"

using namespace platform;

namespace {

constexpr COLORREF kSignedOutText = 0xD4D4D4;
constexpr COLORREF kSignedInText = 0xA7A7A8;

// The recording engine's progress window: the transfers' progress window
// under the engine's calls.
class RecordingProgressWindow : public RecordingProgress {
public:
    explicit RecordingProgressWindow(std::unique_ptr<ServiceProgress> window) : window_(std::move(window)) {}
    void SetCaption(const std::string& text) override { window_->SetCaption(text); }
    void Show() override { window_->Show(); }
    void PostTargetPercent(int percent, int tick) override { window_->PostTargetPercent(percent, tick); }
    void PostHide() override { window_->PostHide(); }

private:
    std::unique_ptr<ServiceProgress> window_;
};

bool CarriesUploadResult(unsigned code)
{
    return code == ID_CMD_UPLOAD_DONE || code == ID_CMD_UPLOAD_FAILED || code == ID_CMD_RELAY_UPLOAD_DONE ||
           code == ID_CMD_RELAY_UPLOAD_FAILED;
}

// A result posted to a window that is gone by the time it comes up.
void DropUploadResult(LPARAM record)
{
    delete reinterpret_cast<UploadResult*>(record);
}

}  // namespace

// --- the workers' owners ----------------------------------------------------

void CKvoStudioOwners::RecordingOwnerImpl::PostCommand(unsigned code, intptr_t lParam)
{
    platform::PostMessage(owners_.m_ownerHandle.load(), WM_PLAYER_COMMAND, code, lParam);
}

std::unique_ptr<RecordingProgress> CKvoStudioOwners::RecordingOwnerImpl::CreateProgressWindow()
{
    std::unique_ptr<ServiceProgress> window = MakeServiceProgressWindow(owners_.OwnerWindow());
    if (!window)
        return nullptr;
    return std::make_unique<RecordingProgressWindow>(std::move(window));
}

bool CKvoStudioOwners::ServiceOwnerImpl::PostCommand(unsigned code, intptr_t lParam)
{
    return platform::PostMessage(owners_.m_ownerHandle.load(), WM_PLAYER_COMMAND, code, lParam,
                                 CarriesUploadResult(code) ? DropUploadResult : nullptr);
}

std::unique_ptr<ServiceProgress> CKvoStudioOwners::ServiceOwnerImpl::CreateProgressWindow()
{
    return MakeServiceProgressWindow(owners_.OwnerWindow());
}

// --- the window ---------------------------------------------------------------

CKvoStudioDlg::CKvoStudioDlg(Window* parent) : CResizingDialog(IDD, parent)
{
    ReadConfigInt(config::kGeneral, config::kShuffle, &m_shuffle);
    ReadConfigInt(config::kGeneral, config::kRepeat, &m_repeat);
}

CKvoStudioDlg::~CKvoStudioDlg()
{
    DestroyChildWindows();
    // Uploads whose result never came: their threads end here, while the
    // owners they post to are still there.
    for (CUploadImpl* upload : m_uploads) {
        upload->Stop();
        delete upload;
    }
    m_uploads.clear();
}

const MessageMap* CKvoStudioDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(CResizingDialog::GetMessageMap(), {
        M::On(WM_CREATE, &CKvoStudioDlg::OnCreate),
        M::On(WM_SYSCOMMAND, &CKvoStudioDlg::OnSysCommand),
        M::On(WM_PAINT, &CKvoStudioDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CKvoStudioDlg::OnEraseBkgnd),
        M::OnCommandRange(kIdClose, kIdTransferPullDown, &CKvoStudioDlg::OnButtonCommand),
        M::On(WM_DESTROY, &CKvoStudioDlg::OnDestroy),
        M::On(WM_LBUTTONDOWN, &CKvoStudioDlg::OnLButtonDown),
        M::On(WM_PLAYER_COMMAND, &CKvoStudioDlg::OnPlayerCommandMsg),
        M::OnNotify(kIdPositionBar, NM_RELEASEDCAPTURE, &CKvoStudioDlg::OnPositionReleased),
        M::OnNotify(kIdMusicLevel, NM_RELEASEDCAPTURE, &CKvoStudioDlg::OnLevelReleased),
        M::OnNotify(kIdVocalLevel, NM_RELEASEDCAPTURE, &CKvoStudioDlg::OnLevelReleased),
        M::OnNotify(kIdMicLevel, NM_RELEASEDCAPTURE, &CKvoStudioDlg::OnMicLevelReleased),
        M::On(kMsgMixerChanged, &CKvoStudioDlg::OnMixerChanged),
        M::On(kMsgCommandLine, &CKvoStudioDlg::OnCommandLine),
        M::On(WM_TIMER, &CKvoStudioDlg::OnTimer),
        M::On(WM_COPYDATA, &CKvoStudioDlg::OnCopyData),
        M::On(WM_SHOWWINDOW, &CKvoStudioDlg::OnShowWindow),
    });
    return &map;
}

bool CKvoStudioDlg::PreTranslateMessage(Message& msg)
{
    // Return, Escape and Space would end a dialog; this one ends only by its
    // close button or the Exit command.
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
        (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE || msg.wParam == VK_SPACE))
        return true;
    return CResizingDialog::PreTranslateMessage(msg);
}

int CKvoStudioDlg::RunModal(Dialog& dlg)
{
    return dlg.DoModal();
}

std::string CKvoStudioDlg::CommandLineArg(int index)
{
    return GetCommandLineArg(index);
}

void CKvoStudioDlg::ShowInfo(const std::string& text)
{
    MessageBox(this, text, "KVO Studio", MB_OK | MB_ICONINFORMATION);
}

LRESULT CKvoStudioDlg::OnCreate(const Message&)
{
    if (Default() == -1)
        return -1;
    m_ownerHandle = GetSafeHwnd();
    bool (CKvoStudioDlg::*const steps[])() = {&CKvoStudioDlg::LoadBackground, &CKvoStudioDlg::CreateVolumeBar,
                                              &CKvoStudioDlg::CreatePositionBar, &CKvoStudioDlg::CreateButtons,
                                              &CKvoStudioDlg::CreateChildWindows};
    for (auto step : steps) {
        if (!(this->*step)()) {
            ShowInfo(LoadFormatString(111));
            DestroyChildWindows();
            return -1;
        }
    }
    return 0;
}

bool CKvoStudioDlg::OnInitDialog()
{
    CResizingDialog::OnInitDialog();
    // The desktop gives a borderless window no menu of its own to carry the
    // about entry (string 101); the about box is on the Help menu.
    SetWindowText("KVO Studio");
    MoveWindow(kWindowRect);
    CenterWindow();
    SetMuteLook(kIdMuteMic, 0);
    SetMuteLook(kIdMuteVocal, 0);
    m_positionBar.EnableWindow(false);
    // After the window shows: a file it cannot take is named over it.
    PostMessage(kMsgCommandLine, 0, 0);
    FillDeviceList();
    BringWindowToTop();
    return true;
}

void CKvoStudioDlg::FillDeviceList()
{
    // Before the first look at the sound devices: ALSA's complaints about a
    // missing card belong in the log, not on the user's terminal.
    LogAlsaErrors();
    g_AudioDeviceList.clear();
    for (stAudioDeviceInfo& device : BuildAudioDeviceList())
        g_AudioDeviceList.push_back(std::move(device));
    m_hasInputDevice = HasCaptureDevice();
    ReadMicrophoneLevel();
    WatchMicrophone();
}

LRESULT CKvoStudioDlg::OnShowWindow(const Message& m)
{
    const LRESULT result = Default();
    // The desktop's sound settings may have moved the level meanwhile.
    if (m.wParam != 0)
        ReadMicrophoneLevel();
    return result;
}

// --- painting -------------------------------------------------------------------

LRESULT CKvoStudioDlg::OnPaint(const Message&)
{
    PaintDC dc(*this);
    DrawSkin(dc);
    return 0;
}

LRESULT CKvoStudioDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

void CKvoStudioDlg::DrawSkin(DC& dc)
{
    const Rect client = GetClientRect();
    if (client.GetSize() != m_composedSize)
        ResizeSkin(client.Width(), client.Height());
    dc.BitBlt(0, 0, m_composedSize.cx, m_composedSize.cy, m_bmpComposed, 0, 0);
    DrawPersonalBar(dc);
}

void CKvoStudioDlg::ResizeSkin(int width, int height)
{
    m_bmpComposed = Bitmap(width, height);
    m_composedSize = {width, height};
    ComposeSkin();
    SetWindowRgn(CreateRegionFromBitmap(&m_bmpComposed, kKeyColour, kKeyTolerance), true);
    // The controls were made while the window was hidden and smaller; on
    // the new surface each must paint itself again.
    std::vector<Window*> pending = GetChildren();
    while (!pending.empty()) {
        Window* child = pending.back();
        pending.pop_back();
        child->Invalidate(false);
        for (Window* inner : child->GetChildren())
            pending.push_back(inner);
    }
}

void CKvoStudioDlg::ComposeSkin()
{
    m_bmpComposed.Fill(kKeyColour);
    DC dc(m_bmpComposed);
    dc.BitBlt(0, 0, m_bmpBody.Width(), m_bmpBody.Height(), m_bmpBody, 0, 0);
}

void CKvoStudioDlg::DrawPersonalBar(DC& dc)
{
    const Font font(g_LanguageSettings.GetLanguageFontName(), -11, 400);
    const Font* old = dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    const uint32_t format = DT_RIGHT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_SHRINKTOFIT;
    if (IsSignedIn()) {
        dc.BitBlt(kPersonalRect.left, kPersonalRect.top, kPersonalRect.Width(), kPersonalRect.Height(), m_bmpPersonal,
                  0, 0);
        dc.SetTextColor(kSignedInText);
        dc.DrawText(LoadFormatString(123), kPersonalTextRects[0], format);
        dc.DrawText(GetUserId(), kPersonalTextRects[1], format);
    } else {
        dc.BitBlt(kStripRect.left, kStripRect.top, kStripRect.Width(), kStripRect.Height(), m_bmpPersonalStrip, 0, 0);
        dc.SetTextColor(kSignedOutText);
        dc.DrawText(LoadFormatString(123), kPersonalTextRects[0], format);
    }
    dc.SelectFont(old);
}

// --- frame and desktop ----------------------------------------------------------

LRESULT CKvoStudioDlg::OnSysCommand(const Message& m)
{
    switch (m.wParam & 0xFFF0) {
    case kAboutCommand: {
        CAboutDlg about(this);
        RunModal(about);
        return 0;
    }
    case SC_RESTORE:
        RestoreAndActivate(*this);
        return 0;
    case SC_MINIMIZE:
        MinimizeWindow(*this);
        return 0;
    default:
        return Default();
    }
}

LRESULT CKvoStudioDlg::OnLButtonDown(const Message& m)
{
    // Any point no control covers drags the window.
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(ClientToScreen(PointFromLParam(m.lParam))));
    return Default();
}

LRESULT CKvoStudioDlg::OnDestroy(const Message&)
{
    // Calls still waiting for the service end now, with their windows.
    m_serviceCalls.CancelAll();
    // Ends the watch's thread before the window it posts to goes.
    m_micWatch.reset();
    const LRESULT result = Default();
    KillTimer(kPlaybackTimer);
    DestroyChildWindows();
    m_bmpComposed = Bitmap();
    m_composedSize = {};
    return result;
}

void CKvoStudioDlg::DestroyChildWindows()
{
    auto destroy = [](auto*& window) {
        if (!window)
            return;
        if (window->IsWindow())
            window->DestroyWindow();
        delete window;
        window = nullptr;
    };
    destroy(m_pMenuBar);
    destroy(m_pPlayList);
    destroy(m_pSpectrum);
    destroy(m_pLyrics);
    destroy(m_pLcd);
    destroy(m_pLink);
}
