// The main window's transport controls. The playlist's current song goes
// to the playback facade; pause and stop; skipping forward and back as the
// repeat and shuffle settings say; the 70 ms tick that refreshes the seek
// bar, the spectrum and the times;
// the level sliders with their mute buttons, the lyrics toggle, and files
// handed over by the command line or a later start.
#include "kvostudio/kvostudiodlg.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "kvostudio/fileproblem.h"
#include "kvostudio/global.h"
#include "kvostudio/lcdwnd.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/lyricsdlg.h"
#include "kvostudio/mixer.h"
#include "kvostudio/peakmeterctrl.h"
#include "kvostudio/playercommand.h"
#include "kvostudio/playlistdlg.h"
#include "kvostudio/startrequest.h"
#include "kvostudio/userboxes.h"
#include "platform/audio/audio_output.h"
#include "platform/window/copy_data.h"
#include "platform/window/debug_output.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

constexpr unsigned COPYDATA_OPEN_FILE = 1001;
constexpr unsigned COPYDATA_PLAY_FILE = 1002;

constexpr Rect kPlayRect{49, 122, 60, 140};
constexpr Rect kPauseRect{49, 122, 63, 140};
constexpr Rect kRepeatRect{18, 147, 39, 168};
constexpr Rect kShuffleRect{40, 147, 61, 168};
constexpr Rect kLyricsRect{61, 147, 82, 168};

constexpr int kFftPoints = 2048;
constexpr int kFftBins = kFftPoints / 2 + 1;

struct MuteLook {
    const char* on[3];
    const char* off[3];
};

// By mute button, music first. The vocal button's hover image in the muted
// look is the microphone's, as the skin has always had it.
const MuteLook kMuteLooks[3] = {
    {{skin::kBtnVolumeOn1, skin::kBtnVolumeOn1, skin::kBtnVolumeOn1},
     {skin::kBtnVolumeOff1, skin::kBtnVolumeOff1, skin::kBtnVolumeOff1}},
    {{skin::kBtnVolumeOn2, skin::kBtnVolumeOn2, skin::kBtnVolumeOn2},
     {skin::kBtnVolumeOff2, skin::kBtnVolumeOff3, skin::kBtnVolumeOff2}},
    {{skin::kBtnVolumeOn3, skin::kBtnVolumeOn3, skin::kBtnVolumeOn3},
     {skin::kBtnVolumeOff3, skin::kBtnVolumeOff3, skin::kBtnVolumeOff3}},
};

}  // namespace

// --- playing ----------------------------------------------------------------------

int CKvoStudioDlg::PlayCurrent()
{
    m_positionBar.EnableWindow(true);
    const float volume = static_cast<float>(m_levelBars[kMusic].GetPos()) / 100.0f;
    const std::string path = m_pPlayList->GetCurrentPath();
    if (!Play(path, volume)) {
        if (m_buttons[kSlotPlay].GetDlgCtrlID() == kIdPause)
            SwapPlayPauseButton(kIdPause);
        // An empty list has nothing to say; a listed song that does not
        // play says why; nothing to play on is the user's to mend, and no
        // fault of the song.
        if (!path.empty()) {
            const std::string reason = FileFailureReason(path, LastPlayError());
            const std::string noOutput = audio::OutputOpenFailureText();
            if (IsSoundDeviceReason(reason) && !noOutput.empty())
                ShowInfo(noOutput);
            else
                ShowFileProblems(this, {{path, reason}});
        }
        return 0;
    }
    SwapPlayPauseButton(kIdPlay);
    m_pPlayList->EnsureCurrentVisible();

    const bool container = GetFileType() == kFileKvo;
    LevelState& vocal = m_levels[kVocal];
    CImageSliderCtrl& vocalSlider = m_levelBars[kVocal];
    if (container) {
        vocal.on = 1;
        vocal.available = 1;
        vocalSlider.SetPos(vocal.level);
        vocalSlider.EnableInput(true);
    } else {
        vocal.on = 0;
        vocal.available = 0;
        if (vocalSlider.GetPos() != 0)
            vocal.level = vocalSlider.GetPos();
        vocalSlider.SetPos(0);
        vocalSlider.EnableInput(false);
    }
    SetMuteLook(kIdMuteVocal, container ? 1 : 0);
    // The microphone is the user's own device: a song shows it as the
    // desktop has it and never sets it. With no input device it stays off.
    if (!IsRecording())
        m_micGone = false;
    m_levels[kMicrophone].available = container && m_hasInputDevice ? 1 : 0;
    ShowMicrophone();

    m_positionBar.SetRange(0, static_cast<int>(GetLength()));
    m_positionBar.EnableWindow(true);
    ApplyVolume(0);

    m_pLcd->SetTitleText(m_pPlayList->GetCurrentTitle());
    m_pLcd->SetArtistText(m_pPlayList->GetCurrentArtist());
    SetWindowText(m_pPlayList->GetCurrentDisplayText());

    UpdateTimeText();
    KillTimer(kPlaybackTimer);
    SetTimer(kPlaybackTimer, kPlaybackPeriodMs);
    if (m_pLyrics && m_pLyrics->IsWindowVisible())
        m_pLyrics->SetLyricsText(m_pPlayList->GetLyricsText());
    return 1;
}

int CKvoStudioDlg::PlayCurrentOnceRead()
{
    // The list asks for the play again (ID_CMD_PLAY) when the file is read.
    if (m_pPlayList->PlayWhenRead())
        return 1;
    return PlayCurrent();
}

int CKvoStudioDlg::PausePlayback()
{
    m_pPlayList->CancelPlayWhenRead();
    SwapPlayPauseButton(kIdPause);
    Pause();
    KillTimer(kPlaybackTimer);
    return 1;
}

int CKvoStudioDlg::StopPlayback()
{
    m_pPlayList->CancelPlayWhenRead();
    Stop();
    KillTimer(kPlaybackTimer);
    m_positionBar.SetPos(0);
    m_positionBar.EnableWindow(false);
    SwapPlayPauseButton(kIdPause);
    m_pLcd->SetTitleText("");
    m_pLcd->SetArtistText("");
    m_pLcd->SetPositionTime(0);
    m_pLcd->SetLengthTime(0);
    UpdateTimeText();
    return 1;
}

void CKvoStudioDlg::SwapPlayPauseButton(int id)
{
    CImageButton& button = m_buttons[kSlotPlay];
    if (id == kIdPlay) {
        button.SetBitmaps(kPauseRect, skin::kBtnPause, skin::kBtnPauseOver, skin::kBtnPausePress, "");
        button.SetDlgCtrlID(kIdPause);
        button.SetToolTipText("Pause");
    } else if (id == kIdPause) {
        button.SetBitmaps(kPlayRect, skin::kBtnPlay, skin::kBtnPlayOver, skin::kBtnPlayPress, "");
        button.SetDlgCtrlID(kIdPlay);
        button.SetToolTipText("Play");
    }
}

void CKvoStudioDlg::PlayNext()
{
    // The list never moves on under a take.
    if (IsRecording())
        return;
    if (m_pPlayList->MoveNext(m_repeat, m_shuffle))
        PostMessage(WM_PLAYER_COMMAND, ID_CMD_PLAY, 0);
    else
        StopPlayback();
}

void CKvoStudioDlg::PlayPrevious()
{
    if (IsRecording())
        return;
    if (m_pPlayList->MovePrevious(m_repeat, m_shuffle))
        PostMessage(WM_PLAYER_COMMAND, ID_CMD_PLAY, 0);
    else
        StopPlayback();
}

void CKvoStudioDlg::SetRepeatMode(int from)
{
    struct Look {
        int code;
        const char* normal;
        const char* over;
        const char* press;
    };
    static constexpr Look kLooks[3] = {
        {1, skin::kBtnOneOver, skin::kBtnOneOver, skin::kBtnOnePress},
        {2, skin::kBtnOff, skin::kBtnOff, skin::kBtnOff},
        {0, skin::kBtnAllOver, skin::kBtnAllOver, skin::kBtnAllPress},
    };
    if (from >= 0 && from <= 2) {
        const Look& look = kLooks[from];
        m_repeat = look.code;
        m_buttons[kSlotRepeat].SetBitmaps(kRepeatRect, look.normal, look.over, look.press, "");
    } else {
        m_repeat = from;
    }
    WriteConfigInt(config::kGeneral, config::kRepeat, m_repeat);
}

int CKvoStudioDlg::ToggleShuffle()
{
    m_shuffle = m_shuffle ? 0 : 1;
    const char* look = m_shuffle ? skin::kBtnShuffleOver : skin::kBtnShuffle;
    m_buttons[kSlotShuffle].SetBitmaps(kShuffleRect, look, look, skin::kBtnShufflePress, "");
    WriteConfigInt(config::kGeneral, config::kShuffle, m_shuffle);
    return m_shuffle;
}

// --- the timer -------------------------------------------------------------------

LRESULT CKvoStudioDlg::OnTimer(const Message& m)
{
    if (m.wParam == kTakeEndTimer) {
        KillTimer(kTakeEndTimer);
        ToggleRecording();
    } else if (m.wParam == kPlaybackTimer) {
        if (IsPlaying()) {
            if (IsRecording())
                NoteSongHeard([this] { return double(GetPosition()); });
            m_positionBar.SetPos(static_cast<int>(GetPosition()));
            UpdateSpectrum();
        } else {
            // The song has ended.
            KillTimer(kPlaybackTimer);
            switch (GetFileType()) {
            case kFileKvo:
                if (!IsRecording())
                    PlayNext();
                else if (ReadRecordOption(1) == 0)
                    EndTakeWithSong();
                break;
            case kFileMp3:
                PlayNext();
                break;
            default:
                break;
            }
        }
    }
    const int old = m_tickCount++;
    if (old > 10) {
        UpdateTimeText();
        m_tickCount = 0;
    }
    return Default();
}

void CKvoStudioDlg::SpectrumBands(const int32_t* left, const int32_t* right, int bins, int bands[kSpectrumBands])
{
    const int width = kFftBins / kSpectrumBands;
    int band = 0;
    int64_t sum = 0;
    unsigned count = 0;
    for (int k = 0; k < bins && k < kFftBins; ++k) {
        if (width * (band + 1) < k) {
            if (band >= kSpectrumBands)
                break;
            bands[band++] = count ? static_cast<int>(static_cast<uint64_t>(sum) / count) : 0;
            sum = 0;
            count = 0;
        }
        sum += (static_cast<int64_t>(left[k]) + right[k]) / 2;
        ++count;
    }
    for (; band < kSpectrumBands; ++band)
        bands[band] = 0;
}

void CKvoStudioDlg::UpdateSpectrum()
{
    std::vector<int32_t> freq(kFftBins, 0);
    std::vector<int32_t> left(kFftBins, 0);
    std::vector<int32_t> right(kFftBins, 0);
    FFT_STRUCT fft{};
    fft.nFFTPoints = kFftPoints;
    fft.nFFTWindow = 1;
    fft.nHarmonicsNumber = kFftBins;
    fft.pnFreq = freq.data();
    fft.pnLeftAmplitude = left.data();
    fft.pnRightAmplitude = right.data();
    GetFFT(&fft);
    int bands[kSpectrumBands];
    SpectrumBands(left.data(), right.data(), kFftBins, bands);
    m_pSpectrum->SetData(bands, 0, kSpectrumBands);
}

void CKvoStudioDlg::UpdateTimeText()
{
    m_pLcd->SetPositionTime(static_cast<unsigned>(std::max(0.0f, GetPosition())));
    m_pLcd->SetLengthTime(static_cast<unsigned>(std::max(0.0f, GetLength())));
    m_pLcd->Invalidate(false);
    m_positionBar.Invalidate(false);
    for (CImageSliderCtrl& slider : m_levelBars)
        slider.Invalidate(false);
}

LRESULT CKvoStudioDlg::OnPositionReleased(const NMHDR&)
{
    if (IsRecording()) {
        m_positionBar.SetPos(static_cast<int>(GetPosition()));
        return 0;
    }
    Seek(static_cast<float>(m_positionBar.GetPos()));
    // While paused the timer is off: the display shows the new place now.
    UpdateTimeText();
    return 0;
}

LRESULT CKvoStudioDlg::OnLevelReleased(const NMHDR&)
{
    ApplyVolume(0);
    return 0;
}

LRESULT CKvoStudioDlg::OnMicLevelReleased(const NMHDR&)
{
    SetMicrophoneLevelFromSlider();
    return 0;
}

// --- levels ----------------------------------------------------------------------

void CKvoStudioDlg::ApplyVolume(int step)
{
    CImageSliderCtrl& music = m_levelBars[kMusic];
    if (step == 1)
        music.SetPos(std::min(music.GetPos() + 10, 100));
    else if (step == 2)
        music.SetPos(std::max(music.GetPos() - 10, 0));
    SetVolume(static_cast<float>(music.GetPos()) / 100.0f, static_cast<unsigned>(m_levelBars[kVocal].GetPos()));
}

// The microphone's level and mute belong to the desktop: they are written
// only here, when the user moved the slider or pressed the mute button,
// never by a song, a take or the program's start or end.
void CKvoStudioDlg::SetMicrophoneLevelFromSlider()
{
    LevelState& state = m_levels[kMicrophone];
    if (!state.available || !state.on)
        return;
    CMixer microphone(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    const int level = m_levelBars[kMicrophone].GetPos();
    if (!microphone.IsReady()) {
        // Nothing to set: the slider keeps where the user left it.
        state.level = level;
        return;
    }
    microphone.SetValue(MixerValueOfPercent(level));
    ReadMicrophoneLevel();
}

void CKvoStudioDlg::SetMicrophoneMute(bool muted)
{
    CMixer microphone(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    if (microphone.IsReady())
        microphone.SetMute(muted);
    // What the device took is what is shown; a device that refused keeps
    // its state on the screen too.
    ReadMicrophoneLevel();
}

void CKvoStudioDlg::ReadMicrophoneLevel()
{
    CMixer microphone(MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, 0);
    uint32_t value = 0;
    bool muted = false;
    if (microphone.GetValue(value)) {
        m_micLevelOnDevice = PercentOfMixerValue(value);
        m_micMutedOnDevice = microphone.GetMute(muted) && muted ? 1 : 0;
    }
    ShowMicrophone();
}

void CKvoStudioDlg::ShowMicrophone()
{
    LevelState& state = m_levels[kMicrophone];
    if (m_micLevelOnDevice >= 0)
        state.level = m_micLevelOnDevice;
    state.on = state.available && !m_micGone && m_micMutedOnDevice != 1 ? 1 : 0;
    const std::string shown = m_micGone         ? std::string("gone")
                              : state.available ? std::to_string(state.level) + "%, " + (state.on ? "on" : "muted")
                                                : std::string("off");
    // The button's images are loaded again only for a new look.
    if (shown != m_micShown) {
        m_micShown = shown;
        SetMuteLook(kIdMuteMic, state.on);
        DebugOutput("microphone: " + shown + "\n");
    }
    if (state.on)
        m_levelBars[kMicrophone].SetPos(state.level);
}

void CKvoStudioDlg::WatchMicrophone()
{
    m_micWatch.reset();
    const WindowHandle window = GetSafeHwnd();
    std::shared_ptr<std::atomic<bool>> posted = m_micChangePosted;
    m_micWatch = WatchMixer([window, posted] {
        if (!posted->exchange(true) && !platform::PostMessage(window, kMsgMixerChanged, 0, 0))
            *posted = false;
    });
}

LRESULT CKvoStudioDlg::OnMixerChanged(const Message&)
{
    // Cleared first: a change while reading posts again.
    *m_micChangePosted = false;
    ReadMicrophoneLevel();
    return 0;
}

void CKvoStudioDlg::ToggleMute(int channel, int button, int forceOff)
{
    LevelState& state = m_levels[channel];
    if (!state.available || (channel == kMicrophone && m_micGone))
        return;
    if (channel == kMicrophone) {
        SetMicrophoneMute(forceOff != 0 || state.on);
        return;
    }
    state.on = (forceOff == 0 && !state.on) ? 1 : 0;
    if (state.on) {
        SetMuteLook(button, 1);
        m_levelBars[channel].SetPos(state.level);
    } else {
        state.level = m_levelBars[channel].GetPos();
        SetMuteLook(button, 0);
    }
    ApplyVolume(0);
}

void CKvoStudioDlg::SetMuteLook(int button, int on)
{
    if (button < kIdMuteMusic || button > kIdMuteMic)
        return;
    const MuteLook& look = kMuteLooks[button - kIdMuteMusic];
    const char* const* images = on ? look.on : look.off;
    const int slot = SlotOfMuteButton(button);
    m_buttons[slot].SetBitmaps(m_rects[slot], images[0], images[1], images[2], "");
    CImageSliderCtrl& slider = SliderOfMuteButton(button);
    if (on) {
        slider.EnableInput(true);
    } else {
        slider.SetPos(0);
        slider.EnableInput(false);
    }
    UpdateTimeText();
}

// --- lyrics ----------------------------------------------------------------------

void CKvoStudioDlg::ToggleLyrics()
{
    if (!m_pLyrics) {
        m_pLyrics = new CLyricsDlg(this);
        if (!m_pLyrics->Create(CLyricsDlg::IDD, this)) {
            delete m_pLyrics;
            m_pLyrics = nullptr;
            return;
        }
        m_pLyrics->MoveWindow(GetWindowRect());
        m_pLyrics->ShowWindow(SW_HIDE);
        m_pLyrics->SetOwner(CMagDialog::kRight, this);
        m_pLyrics->DockRight();
    }
    CImageButton& button = m_buttons[kSlotLyrics];
    if (m_pLyrics->IsWindowVisible()) {
        button.SetBitmaps(kLyricsRect, skin::kBtnLyrics, skin::kBtnLyrics, skin::kBtnLyricsPress, "");
        m_pLyrics->ShowWindow(SW_HIDE);
    } else {
        button.SetBitmaps(kLyricsRect, skin::kBtnLyricsOver, skin::kBtnLyricsOver, skin::kBtnLyricsPress, "");
        m_pLyrics->SetLyricsText(m_pPlayList->GetLyricsText());
        m_pLyrics->ShowWindow(SW_SHOW);
    }
}

// --- files from outside ------------------------------------------------------------

LRESULT CKvoStudioDlg::OnCopyData(const Message& m)
{
    auto* data = reinterpret_cast<COPYDATASTRUCT*>(m.lParam);
    // A posted hand-off is ours to free; the record is read first.
    std::string path;
    uintptr_t code = 0;
    if (data) {
        code = data->dwData;
        if (data->lpData && data->cbData > 0) {
            const char* bytes = static_cast<const char*>(data->lpData);
            path.assign(bytes, strnlen(bytes, data->cbData));
        }
        FreeCopyData(m.lParam);
    }
    const LRESULT result = Default();
    if (IsRecording())
        return result;
    if (code == COPYDATA_OPEN_FILE) {
        DebugOutput("hand-off: open " + path);
        m_pPlayList->AddFile(path, 0, 1);
    } else if (code == COPYDATA_PLAY_FILE) {
        DebugOutput("hand-off: play " + path);
        // A file the list refused has been named; another song is not
        // played in its place.
        if (m_pPlayList->AddFile(path, 1, 0))
            PlayCurrentOnceRead();
    }
    return result;
}

LRESULT CKvoStudioDlg::OnCommandLine(const Message&)
{
    HandleCommandLine();
    return 0;
}

void CKvoStudioDlg::HandleCommandLine()
{
    const StartRequest start = ReadStartRequest(CommandLineArg(1), CommandLineArg(2), CurrentWorkingFolder());
    if (start.option.empty())
        return;
    // A file the list refused has been named; another song is not played
    // in its place.
    if (m_pPlayList->AddFile(start.path, 1, 0) && start.option == "/play")
        PlayCurrentOnceRead();
}
