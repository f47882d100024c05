// The main window's recording: the checks before Record, the record
// options, the start offset, the locked transport while the voice is
// captured, the stop by the button or at the song's end, and the chain
// after it (listen and re-mix, save, upload).
#include "kvostudio/kvostudiodlg.h"

#include <algorithm>
#include <cctype>

#include "kvostudio/fecfiledialog.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/mixer.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/recordoptiondlg.h"
#include "kvostudio/remixdlg.h"
#include "kvostudio/savecompletedlg.h"
#include "kvostudio/settings.h"
#include "kvostudio/windowcommands.h"

using namespace platform;

namespace {

constexpr Rect kRecordRect{142, 122, 160, 149};
constexpr Rect kStopRecordingRect{173, 122, 187, 140};

int ReadGeneralInt(const char* key)
{
    int value = 0;
    ReadConfigInt(config::kGeneral, key, &value);
    return value;
}

}  // namespace

int CKvoStudioDlg::ReadRecordOption(int which)
{
    static const char* const kKeys[] = {config::kStart, config::kStop, config::kVocal};
    if (which < 0 || which > 2)
        return 0;
    int value = 0;
    ReadConfigInt(config::kRecord, kKeys[which], &value);
    return value;
}

int CKvoStudioDlg::GetRecordBitrate()
{
    switch (ReadGeneralInt(config::kBitrate)) {
    case 1:
        return 192;
    case 2:
        return 64;
    default:
        return 128;
    }
}

int CKvoStudioDlg::GetMixingType()
{
    return ReadGeneralInt(config::kMixing);
}

int CKvoStudioDlg::CheckRecordable()
{
    if (m_pPlayList->GetItemCount() == 0)
        return 0;
    std::string path = m_pPlayList->GetSelectedPath();
    if (path.empty())
        path = m_pPlayList->GetCurrentPath();
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return std::tolower(c); });
    return path.size() >= 3 && path.compare(path.size() - 3, 3, "kvo") == 0 ? 2 : 1;
}

void CKvoStudioDlg::StartRecording()
{
    if (IsRecording())
        return;
    switch (CheckRecordable()) {
    case 1:
        ShowInfo(LoadFormatString(104));
        return;
    case 0: {
        CFECFileDialog dlg(true, nullptr, nullptr, 0, "Music (*.kvo) | *.kvo|", this);
        if (dlg.DoModal() != IDOK)
            return;
        m_pPlayList->AddFile(dlg.GetPathName(), 1, 0);
        break;
    }
    default:
        break;
    }
    PausePlayback();
    CRecordDlg options(this);
    if (RunModal(options) != IDOK)
        return;
    if (const std::string notice = StandInInputNotice(); !notice.empty())
        ShowInfo(notice);

    // The row the check looked at is the row that plays and the song that
    // is mixed: the selected .kvo, or the current song when none is
    // selected.
    std::string song = m_pPlayList->GetSelectedPath();
    if (song.empty())
        song = m_pPlayList->GetCurrentPath();
    m_recordedSong = song;
    SetSongPath(m_recordedSong.c_str());
    m_micGone = false;
    const int mixing = GetMixingType();
    if (!CRecordingImpl::StartRecording(&m_recordingOwner, GetRecordBitrate(), mixing)) {
        // Nothing is being captured: the window must not look or act as if
        // it recorded.
        ShowInfo(GetFailureText());
        return;
    }
    // A song other than the one that was playing starts from its beginning.
    const bool otherSong = m_pPlayList->MakeSelectedCurrent() != 0;
    switch (otherSong ? 0 : ReadRecordOption(0)) {
    case 0:
        StopPlayback();
        if (!PlayCurrent())
            return AbandonTake();
        SetStartOffset(0);
        break;
    case 1: {
        // Where the song stands now is where it goes on from (read once it
        // plays, it would be that much later); a song that is not loaded
        // starts from its beginning.
        const float from = CurrentPath() == m_pPlayList->GetCurrentPath() ? GetPosition() : 0.0f;
        if (!PlayCurrent())
            return AbandonTake();
        SetStartOffset(from);
        break;
    }
    default:
        break;
    }
    if (ReadRecordOption(2) == 1 && mixing == 1)
        ToggleMute(kVocal, kIdMuteVocal, 1);

    CImageButton& record = m_buttons[kSlotRecord];
    record.SetBitmaps(kRecordRect, skin::kBtnRecGray, skin::kBtnRecGray, skin::kBtnRecGray, skin::kBtnRecGray2);
    record.SetBlink(true);
    m_buttons[kSlotStopRecording].SetBitmaps(kStopRecordingRect, skin::kBtnStopOver, skin::kBtnStopOver,
                                             skin::kBtnStopPress, "");
    EnablePlayerControls(0);
}

void CKvoStudioDlg::AbandonTake()
{
    // A voice captured over a song that does not play is no take.
    CancelRecording();
    ShowInfo("The song could not be played, so nothing was recorded:\n" + m_recordedSong);
}

void CKvoStudioDlg::EndTakeWithSong()
{
    SetSongEnd(GetLength());
    const int tail = CaptureTailMs();
    if (tail > 0)
        SetTimer(kTakeEndTimer, static_cast<unsigned>(tail));
    else
        ToggleRecording();
}

int CKvoStudioDlg::ToggleRecording()
{
    KillTimer(kTakeEndTimer);
    if (!IsRecording())
        return 0;
    SetStopPosition(GetPosition());
    StopPlayback();
    StopRecording();
    CImageButton& record = m_buttons[kSlotRecord];
    record.SetBitmaps(kRecordRect, skin::kBtnRec, skin::kBtnRecOver, skin::kBtnRecPress, "");
    m_buttons[kSlotStopRecording].SetBitmaps(kStopRecordingRect, skin::kBtnStop, skin::kBtnStop, skin::kBtnStop, "");
    record.SetBlink(false);
    EnablePlayerControls(1);
    return 1;
}

void CKvoStudioDlg::EnablePlayerControls(int enable)
{
    for (int slot : {kSlotStop, kSlotPlay, kSlotNext, kSlotPrevious})
        m_buttons[slot].EnableWindow(enable != 0);
    m_positionBar.EnableWindow(enable != 0);
    m_pPlayList->SetActive(enable);
}

void CKvoStudioDlg::OnRecordingInputGone()
{
    if (!IsRecording() || !InputGone())
        return;
    m_micGone = true;
    ShowMicrophone();
    ToggleRecording();
}

void CKvoStudioDlg::OnRecordingDone()
{
    // A take made all the same is offered once the singer knows what is
    // missing from it.
    const std::string warning = PopTakeWarning();
    if (!warning.empty())
        ShowInfo(warning);
    CRecordingMoreDlg more(this);
    more.SetSongPath(m_recordedSong);
    int end = RunModal(more);
    if (!more.SettingsKept())
        ShowInfo(kConfigNotKeptText);
    if (end == CRecordingMoreDlg::kSaved)
        end = SaveCompleteDialog(LoadFormatString(102), LoadFormatString(108), CSaveCompleteDlg::kModeSaved);
    switch (end) {
    case CRecordingMoreDlg::kRemix:
        Remix();
        break;
    case CSaveCompleteDlg::kMainButton:  // upload
        if (IsSignedIn())
            PostMessage(WM_PLAYER_COMMAND, ID_CMD_UPLOAD_RECORDING, 0);
        else
            ShowSignInMenu(ID_CMD_UPLOAD_RECORDING);
        break;
    case CSaveCompleteDlg::kSecondButton:
        // The save-complete message's second button names the UCC editor.
        OpenServicePage(ServicePages::kEditor);
        break;
    default:
        break;
    }
}

void CKvoStudioDlg::OnRecordingFailed()
{
    const std::string reason = GetFailureText();
    if (!reason.empty())
        ShowInfo(reason);
}
