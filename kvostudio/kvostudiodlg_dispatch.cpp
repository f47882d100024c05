// The main window's one entry for what users and workers ask of it: the
// player command message, and the image buttons' commands.
#include "kvostudio/kvostudiodlg.h"

#include "kvostudio/aboutdlg.h"
#include "kvostudio/fecfiledialog.h"
#include "kvostudio/menuresource.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/preferencesdlg.h"
#include "kvostudio/serviceconfig.h"
#include "kvostudio/skinmenu.h"
#include "kvostudio/uploadimpl.h"
#include "kvostudio/windowcommands.h"
#include "platform/shell/web_page.h"
#include "platform/window/window_iconify.h"

using namespace platform;

namespace {

constexpr char kMusicFilter[] = "Music (*.kvo,.*mp3) | *.kvo;*.mp3|";

// The buttons (and the menu entries that press them) that would change what
// plays: a take allows none of them, whichever way they are reached.
bool ChangesWhatPlays(UINT id)
{
    switch (id) {
    case CKvoStudioDlg::kIdPlay:
    case CKvoStudioDlg::kIdPause:
    case CKvoStudioDlg::kIdStop:
    case CKvoStudioDlg::kIdPrevious:
    case CKvoStudioDlg::kIdNext:
    case CKvoStudioDlg::kIdOpenFile:
        return true;
    default:
        return false;
    }
}

}  // namespace

LRESULT CKvoStudioDlg::OnPlayerCommandMsg(const Message& m)
{
    return OnPlayerCommand(m.wParam, m.lParam);
}

LRESULT CKvoStudioDlg::OnPlayerCommand(WPARAM code, LPARAM value)
{
    auto* result = reinterpret_cast<UploadResult*>(value);
    switch (code) {
    case menuid::kOpenFile:
        OnButtonCommand(kIdOpenFile);
        break;
    case menuid::kKvoDownload:
    case menuid::kKvoConvert:
    case menuid::kKvoFiles:
    case menuid::kAddKvoDownload:
        OpenServicePage(ServicePages::kMyKvo);
        break;
    case menuid::kExit:
        OnButtonCommand(kIdClose);
        break;
    case menuid::kPlay:
    case menuid::kListPlay:
        OnButtonCommand(kIdPlay);
        break;
    case menuid::kPause:
        OnButtonCommand(kIdPause);
        break;
    case menuid::kStop:
        OnButtonCommand(kIdStop);
        break;
    case menuid::kNext:
        OnButtonCommand(kIdNext);
        break;
    case menuid::kPrevious:
        OnButtonCommand(kIdPrevious);
        break;
    case menuid::kShuffle:
        OnButtonCommand(kIdShuffle);
        break;
    case menuid::kRepeatOff:
        SetRepeatMode(1);
        break;
    case menuid::kRepeatAll:
        SetRepeatMode(2);
        break;
    case menuid::kRepeatOne:
        SetRepeatMode(0);
        break;
    case menuid::kVolumeUp:
        ApplyVolume(1);
        break;
    case menuid::kVolumeDown:
        ApplyVolume(2);
        break;
    case menuid::kUccEditor:
        OpenServicePage(ServicePages::kEditor);
        break;
    case menuid::kPreferences:
        ShowPreferences();
        break;
    case menuid::kHelp:
        OpenServicePage(ServicePages::kHelp);
        break;
    case menuid::kYourAccount:
    case menuid::kMyPellamBox:
        OpenServicePage(ServicePages::kEditAccount);
        break;
    case menuid::kSiteHome:
        OpenServicePage(ServicePages::kHome);
        break;
    case menuid::kAbout: {
        CAboutDlg about(this);
        RunModal(about);
        break;
    }
    case menuid::kBuyTicket:
    case menuid::kListBuyTicket:
        OpenServicePage(ServicePages::kTicket);
        break;
    case menuid::kUccFiles:
        OpenServicePage(ServicePages::kMyAudio);
        break;
    case menuid::kToMobile:
        TransferToMobile();
        break;
    case menuid::kFromMobile:
        TransferFromMobile();
        break;
    case menuid::kUccUpload:
        UploadUccFile();
        break;
    case menuid::kAddFiles:
        OnButtonCommand(kIdAddFiles);
        break;
    case ID_CMD_RECORDING_DONE:
        OnRecordingDone();
        break;
    case ID_CMD_RECORDING_INPUT_GONE:
        OnRecordingInputGone();
        break;
    case ID_CMD_RECORDING_FAILED:
        OnRecordingFailed();
        break;
    case ID_CMD_UPLOAD_DONE:
        OnUploadDone(result);
        break;
    case ID_CMD_UPLOAD_FAILED:
    case ID_CMD_RELAY_UPLOAD_FAILED:
        OnUploadFailed(result);
        break;
    case ID_CMD_RELAY_UPLOAD_DONE:
        OnRelayUploadDone(result);
        break;
    case ID_CMD_SIGNIN_MENU:
        OnButtonCommand(kIdSignIn);
        break;
    case ID_CMD_PLAY:
        // No list action may restart playback under a recording.
        if (IsRecording())
            return 0;
        PlayCurrent();
        break;
    case ID_CMD_STOP:
        if (IsRecording())
            return 0;
        StopPlayback();
        break;
    case ID_CMD_SIGNED_IN:
        OnSignedIn(static_cast<int>(value));
        break;
    case ID_CMD_SIGNIN_FAILED:
        OnSignInFailed(static_cast<int>(value));
        break;
    case ID_CMD_LYRICS_CLOSED:
        ToggleLyrics();
        break;
    case ID_CMD_UPLOAD_RECORDING:
        UploadRecording();
        break;
    case ID_CMD_SERVICE_CALL_DONE:
        m_serviceCalls.Finish(value);
        break;
    default:
        break;
    }
    return 1;
}

void CKvoStudioDlg::OnButtonCommand(UINT id)
{
    if (IsRecording() && ChangesWhatPlays(id))
        return;
    switch (id) {
    case kIdClose:
        EndDialog(IDOK);
        break;
    case kIdMinimize:
        MinimizeWindow(*this);
        break;
    case kIdPlay:
        PlayCurrent();
        break;
    case kIdStop:
        StopPlayback();
        break;
    case kIdPrevious:
        PlayPrevious();
        break;
    case kIdNext:
        PlayNext();
        break;
    case kIdOpenFile:
        // A cancelled chooser changes nothing: no row is chosen, nothing
        // starts.
        if (!AddFiles())
            break;
        m_pPlayList->SelectIndex(m_pPlayList->GetItemCount());
        PlayCurrent();
        break;
    case kIdPause:
        PausePlayback();
        break;
    case kIdRecord:
        StartRecording();
        break;
    case kIdStopRecording:
        ToggleRecording();
        break;
    case kIdRepeat:
        SetRepeatMode(m_repeat);
        break;
    case kIdShuffle:
        ToggleShuffle();
        break;
    case kIdLyrics:
        ToggleLyrics();
        break;
    case kIdSignIn:
    case kIdSignOut:
        ShowSignInMenu(0);
        break;
    case kIdMuteMusic:
        ToggleMute(kMusic, kIdMuteMusic, 0);
        break;
    case kIdMuteVocal:
        ToggleMute(kVocal, kIdMuteVocal, 0);
        break;
    case kIdMuteMic:
        ToggleMute(kMicrophone, kIdMuteMic, 0);
        break;
    case kIdPersonalPullDown:
        PullDownMenu(IDR_PRIVATEBAR, kPersonalRect.right - 76, 76);
        break;
    case kIdTransferPullDown:
        PullDownMenu(IDR_TRANSFER_KVO, kPersonalRect.left, 82);
        break;
    case kIdAddFiles:
        AddFiles();
        break;
    default:
        break;
    }
}

void CKvoStudioDlg::PullDownMenu(unsigned menuId, int x, int width)
{
    const Point at = ClientToScreen(Point{x, kPersonalRect.bottom});
    CSkinMenu::Show(this, at.x, at.y, width, menuId, false);
}

void CKvoStudioDlg::ShowPreferences()
{
    CPreferencesDlg preferences(this);
    RunModal(preferences);
}

void CKvoStudioDlg::OpenServicePage(const ServicePage& page)
{
    const std::string address = PageAddress(page);
    if (address.empty()) {
        ShowInfo(kNoServiceText);
        return;
    }
    OpenWebPage(MakeServiceUrl(address));
}

bool CKvoStudioDlg::AddFiles()
{
    CFECFileDialog dlg(true, nullptr, nullptr, OFN_ALLOWMULTISELECT, kMusicFilter, this);
    if (dlg.DoModal() != IDOK)
        return false;
    std::vector<std::string> paths;
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        paths.push_back(dlg.GetNextPathName(pos));
    m_pPlayList->AddFiles(paths);
    return true;
}
