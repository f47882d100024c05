#pragma once
// The program's main window: borderless, shaped by its skin "body.bmp", and
// dragged by any free point of its surface. It owns every other window (menu
// bar, playlist, lyrics, display, spectrum, link, sliders, buttons), runs
// the 70 ms playback timer, and is the one receiver of the player command
// message, through which buttons, menus, lists and the workers of the
// recording and online flows reach it.
//
// Its parts, by file: kvostudiodlg.cpp (members, message map, painting and
// tear-down), kvostudiodlg_build.cpp (the five build steps),
// kvostudiodlg_dispatch.cpp (commands and buttons), kvostudiodlg_playback.cpp
// (transport, timer, levels, hand-off), kvostudiodlg_service.cpp (sign-in,
// uploads, phone transfer), kvostudiodlg_recording.cpp (record and after).
// Everything runs on the user-interface thread; workers only post.

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/libskin/imagesliderctrl.h"
#include "kvostudio/loginimpl.h"
#include "kvostudio/playimpl.h"
#include "kvostudio/recordingimpl.h"
#include "kvostudio/resizingdialog.h"
#include "kvostudio/servicecall.h"
#include "kvostudio/serviceowner.h"
#include "kvostudio/webservice.h"
#include "platform/draw/bitmap.h"
#include "platform/mixer/mixer_backend.h"
#include "platform/draw/dc.h"

class CHyperLink;
class CLCDWnd;
class CLyricsDlg;
class CMenuEx;
class CPeakMeterCtrl;
class CPlayListDlg;
class CUploadImpl;
struct UploadResult;

// One level channel of the main window (music, vocal, microphone).
struct LevelState {
    int level = 0;          // 0..100, kept while the channel is muted or unavailable
    uint8_t on = 0;         // 1 sound on, 0 muted
    uint8_t available = 0;  // the channel can be switched
};

// The owners the recording and online workers post to. A base of its own,
// first in line, so it outlives the engines that join their workers as the
// window goes.
class CKvoStudioOwners {
protected:
    class RecordingOwnerImpl : public RecordingOwner {
    public:
        explicit RecordingOwnerImpl(CKvoStudioOwners& owners) : owners_(owners) {}
        void PostCommand(unsigned code, intptr_t lParam) override;
        std::unique_ptr<RecordingProgress> CreateProgressWindow() override;

    private:
        CKvoStudioOwners& owners_;
    };

    class ServiceOwnerImpl : public ServiceOwner {
    public:
        explicit ServiceOwnerImpl(CKvoStudioOwners& owners) : owners_(owners) {}
        bool PostCommand(unsigned code, intptr_t lParam) override;
        std::unique_ptr<ServiceProgress> CreateProgressWindow() override;

    private:
        CKvoStudioOwners& owners_;
    };

    CKvoStudioOwners() = default;
    virtual ~CKvoStudioOwners() = default;
    // The window that progress windows belong to (user-interface thread).
    virtual platform::Window* OwnerWindow() = 0;

    // Set once the window exists; read by the workers' posts.
    std::atomic<platform::WindowHandle> m_ownerHandle{0};
    RecordingOwnerImpl m_recordingOwner{*this};
    ServiceOwnerImpl m_serviceOwner{*this};
};

class CKvoStudioDlg : private CKvoStudioOwners,
                      public CResizingDialog,
                      public CRecordingImpl,
                      public CLoginImpl,
                      public CPlayImpl {
public:
    enum { IDD = 102 };
    // Control ids.
    enum : int {
        kIdMusicLevel = 2025, kIdVocalLevel = 2026, kIdMicLevel = 2027, kIdPositionBar = 2028,
        kIdClose = 2029, kIdMinimize = 2030, kIdPlay = 2031, kIdStop = 2032, kIdPrevious = 2033, kIdNext = 2034,
        kIdOpenFile = 2035, kIdNothing = 2036, kIdPause = 2037, kIdRecord = 2038, kIdStopRecording = 2039,
        kIdRepeat = 2040, kIdShuffle = 2041, kIdLyrics = 2042, kIdSignIn = 2043, kIdSignOut = 2044,
        kIdMuteMusic = 2045, kIdMuteVocal = 2046, kIdMuteMic = 2047, kIdPersonalPullDown = 2048,
        kIdTransferPullDown = 2049, kIdAddFiles = 2050,
    };
    // Button slots.
    enum : int {
        kSlotClose = 0, kSlotMinimize = 1, kSlotPlay = 2, kSlotPauseLook = 3, kSlotStop = 4, kSlotNext = 5,
        kSlotPrevious = 6, kSlotRecord = 9, kSlotStopRecording = 10, kSlotRepeat = 11, kSlotShuffle = 12,
        kSlotLyrics = 13, kSlotSignIn = 14, kSlotSignOutLook = 15, kSlotMuteMusic = 16, kSlotMuteVocal = 17,
        kSlotMuteMic = 18, kSlotPersonalPullDown = 19, kSlotTransferPullDown = 20, kSlotCount = 51,
    };
    enum Channel { kMusic = 0, kVocal = 1, kMicrophone = 2 };

    static constexpr uintptr_t kPlaybackTimer = 1;
    // The capture's run-on after a take's song ended (EndTakeWithSong).
    static constexpr uintptr_t kTakeEndTimer = 2;
    static constexpr unsigned kPlaybackPeriodMs = 70;
    static constexpr int kSpectrumBands = 11;
    static constexpr unsigned kAboutCommand = 0x10;
    // Posted by the mixer's watch when the desktop may have changed the
    // microphone's level or mute.
    static constexpr platform::UINT kMsgMixerChanged = platform::WM_APP + 1002;
    // The command line's file, handled once the window is up.
    static constexpr platform::UINT kMsgCommandLine = platform::WM_APP + 1003;
    static constexpr platform::Rect kWindowRect{0, 0, 338, 329};
    static constexpr platform::Rect kPersonalRect{92, 28, 262, 55};
    static constexpr platform::Rect kPersonalTextRects[2] = {{95, 34, 161, 50}, {181, 34, 240, 50}};
    static constexpr platform::Rect kStripRect{92, 28, 94, 55};
    static constexpr platform::Rect kPlaylistRect{9, 175, 330, 319};
    static constexpr platform::Rect kLinkRect{20, 34, 91, 50};
    static constexpr platform::COLORREF kKeyColour = 0xFF00FF;
    static constexpr platform::COLORREF kKeyTolerance = 0x101010;

    explicit CKvoStudioDlg(platform::Window* parent = nullptr);
    ~CKvoStudioDlg() override;

    // --- playback control, timer and levels -----------------------------
    int PlayCurrent();
    // Plays the current song, or, while its file is still being read, once
    // it has been (a file that turns out to be no song is named instead).
    int PlayCurrentOnceRead();
    int PausePlayback();
    int StopPlayback();
    void PlayNext();
    void PlayPrevious();
    void SetRepeatMode(int from);
    int ToggleShuffle();
    void ApplyVolume(int step);
    // The microphone channel as the chosen input device has it now: level
    // and mute shown as the desktop's sound settings show them.
    void ReadMicrophoneLevel();
    void ToggleMute(int channel, int button, int forceOff);
    void SetMuteLook(int button, int on);
    void SwapPlayPauseButton(int id);
    void ToggleLyrics();
    void UpdateSpectrum();
    void UpdateTimeText();
    // Folds a 1025-bin FFT into the 11 bars: bar 0 averages bins 0..93,
    // every later bar i the next 93 bins (93i+1 .. 93i+93); left and right
    // are averaged per bin first.
    static void SpectrumBands(const int32_t* left, const int32_t* right, int bins, int bands[kSpectrumBands]);

    // --- commands --------------------------------------------------------
    platform::LRESULT OnPlayerCommand(platform::WPARAM code, platform::LPARAM value);
    void OnButtonCommand(platform::UINT id);
    void ShowPreferences();
    // The page through the signed-in wrapper, in the user's browser.
    void OpenServicePage(const ServicePage& page);
    // False when the chooser was cancelled.
    bool AddFiles();

    // --- sign-in and service flows --------------------------------------
    void ShowSignInMenu(int pending);
    void SwapSignInButton(int id);
    // The sign-in dialog, then signing in with what it was given.
    void AskAndSignIn(int pending);
    // The personal pull-down and the transfer pull-down's look by state.
    void ShowPersonalBar(bool signedIn);
    void OnSignedIn(int pending);
    void OnSignInFailed(int pending);
    // True when the service's web host is configured; otherwise says so.
    bool ServiceHostReady();
    void UploadUccFile();
    void TransferToMobile();
    void TransferFromMobile();
    void UploadRecording();
    // These take the record (and the engine it names) and free both.
    void OnUploadDone(UploadResult* result);
    void OnRelayUploadDone(UploadResult* result);
    void OnUploadFailed(UploadResult* result);

    // --- recording --------------------------------------------------------
    void StartRecording();
    int ToggleRecording();
    // The song of the take played to its end: the take ends with it, once
    // the capture has run on for the voice that comes back late.
    void EndTakeWithSong();
    int CheckRecordable();
    void EnablePlayerControls(int enable);
    static int ReadRecordOption(int which);
    static int GetRecordBitrate();
    static int GetMixingType();
    // The take is ended unmixed when its song does not start.
    void AbandonTake();
    void OnRecordingDone();
    // The worker could not make the recording: the user learns why.
    void OnRecordingFailed();
    // The take's input went away: the take ends at once, the microphone's
    // controls show that it is gone, and what was sung until then is mixed.
    void OnRecordingInputGone();

    // --- what the window holds (tests look through these) --------------
    CPlayListDlg* GetPlayList() const { return m_pPlayList; }
    CLyricsDlg* GetLyricsDlg() const { return m_pLyrics; }
    CMenuEx* GetMenuBar() const { return m_pMenuBar; }
    CLCDWnd* GetLcd() const { return m_pLcd; }
    CPeakMeterCtrl* GetSpectrum() const { return m_pSpectrum; }
    CHyperLink* GetLink() const { return m_pLink; }
    CImageButton& GetButton(int slot) { return m_buttons[slot]; }
    CImageSliderCtrl& GetLevelSlider(int channel) { return m_levelBars[channel]; }
    CImageSliderCtrl& GetPositionBar() { return m_positionBar; }
    const LevelState& GetLevelState(int channel) const { return m_levels[channel]; }
    // False when no sound input was found at start: the microphone's
    // controls stay off.
    bool HasInputDevice() const { return m_hasInputDevice; }
    int GetRepeat() const { return m_repeat; }
    int GetShuffle() const { return m_shuffle; }
    size_t GetUploadCount() const { return m_uploads.size(); }
    // Web-service calls the window waits for.
    size_t GetServiceCallCount() const { return m_serviceCalls.Running(); }
    const std::string& GetRecordedSong() const { return m_recordedSong; }

    const platform::MessageMap* GetMessageMap() const override;
    bool PreTranslateMessage(platform::Message& msg) override;

protected:
    bool OnInitDialog() override;
    // Every modal dialog the window opens runs through here.
    virtual int RunModal(platform::Dialog& dlg);
    // Argument i of the program's command line (1 = the first).
    virtual std::string CommandLineArg(int index);
    platform::Window* OwnerWindow() override { return this; }

private:
    // Build steps; each true on success.
    bool LoadBackground();
    bool CreateVolumeBar();
    bool CreatePositionBar();
    bool CreateButtons();
    bool CreateChildWindows();
    void DestroyChildWindows();
    void DrawSkin(platform::DC& dc);
    void ResizeSkin(int width, int height);
    void ComposeSkin();
    void DrawPersonalBar(platform::DC& dc);
    void HandleCommandLine();
    void FillDeviceList();
    // The microphone's slider and mute button as the device's level and
    // mute last read; the mute look alone while the channel is unavailable.
    void ShowMicrophone();
    // The user's own changes, and only they, go to the input device.
    void SetMicrophoneLevelFromSlider();
    void SetMicrophoneMute(bool muted);
    // Follows the desktop's changes to the microphone while the window is
    // there.
    void WatchMicrophone();
    void ShowInfo(const std::string& text);
    // The engine a result names, stopped and deleted.
    void FinishUpload(UploadResult* result);
    // A new engine of the kind, addressed by the service's file id reply.
    CUploadImpl* NewUpload(int kind, const FidReply& fid);
    // Asks the service for a file id (getfid), then starts an upload of the
    // kind with it; 'prepare' sets the engine's file before it starts.
    void UploadWithNewFileId(int kind, std::function<void(CUploadImpl&)> prepare);
    // The continuations of the transfers, once the service answered.
    void OnLimitCount(const CountReply& count);
    void OnRelayFileId(const FidReply& fid, const std::string& path);
    void OnDownList(const DownListReply& list);
    // After an upload the file is registered with the service; a
    // registration that failed or was cancelled says so, and the flow ends
    // in the save-complete message all the same.
    void OnUploadRegistered(const MessageReply& reply);
    void OnRelayRegistered(const MessageReply& reply);
    static MessageReply CancelledRegistration();
    static std::string NotRegisteredText(const MessageReply& reply);
    // The save-complete message after an upload of a recording or a UCC
    // file, and the page it offers.
    void ShowUploadComplete();
    void StartUpload(CUploadImpl* upload);
    int SaveCompleteDialog(const std::string& body, const std::string& heading, int mode);
    void PullDownMenu(unsigned menuId, int x, int width);
    int SlotOfMuteButton(int button) const { return kSlotMuteMusic + (button - kIdMuteMusic); }
    CImageSliderCtrl& SliderOfMuteButton(int button) { return m_levelBars[button - kIdMuteMusic]; }

    platform::LRESULT OnCreate(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnSysCommand(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);
    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnCopyData(const platform::Message& m);
    platform::LRESULT OnPlayerCommandMsg(const platform::Message& m);
    platform::LRESULT OnPositionReleased(const platform::NMHDR& hdr);
    platform::LRESULT OnLevelReleased(const platform::NMHDR& hdr);
    platform::LRESULT OnMicLevelReleased(const platform::NMHDR& hdr);
    platform::LRESULT OnMixerChanged(const platform::Message& m);
    platform::LRESULT OnCommandLine(const platform::Message& m);
    platform::LRESULT OnShowWindow(const platform::Message& m);

    CPeakMeterCtrl* m_pSpectrum = nullptr;
    CLCDWnd* m_pLcd = nullptr;
    CHyperLink* m_pLink = nullptr;
    CImageButton m_buttons[kSlotCount];
    platform::Rect m_rects[kSlotCount];
    platform::Bitmap m_bmpBody;
    platform::Bitmap m_bmpPersonal;
    platform::Bitmap m_bmpPersonalStrip;
    LevelState m_levels[3];
    CImageSliderCtrl m_levelBars[3];
    bool m_hasInputDevice = false;
    // The input device's level (0..100) and mute as last read or set; -1
    // while unknown.
    int m_micLevelOnDevice = -1;
    int m_micMutedOnDevice = -1;
    // What the microphone's controls were last said to show (debug output).
    std::string m_micShown;
    // The take's input went away; until the next take or song the
    // microphone's controls show that instead of a device.
    bool m_micGone = false;
    std::unique_ptr<platform::MixerWatch> m_micWatch;
    // Set while a change notice is on its way, so that a burst of changes
    // posts one.
    std::shared_ptr<std::atomic<bool>> m_micChangePosted = std::make_shared<std::atomic<bool>>(false);
    CImageSliderCtrl m_positionBar;
    platform::Bitmap m_bmpComposed;
    platform::Size m_composedSize;
    int m_shuffle = 0;
    int m_repeat = 0;
    platform::Rect m_rcWindow;
    CMenuEx* m_pMenuBar = nullptr;
    CPlayListDlg* m_pPlayList = nullptr;
    CLyricsDlg* m_pLyrics = nullptr;
    int m_tickCount = 0;
    // The song the recording in hand was made over.
    std::string m_recordedSong;
    // Uploads under way; each ends in the handler of its result.
    std::set<CUploadImpl*> m_uploads;
    // Last of the members: gone first, so no call's continuation outlives
    // what it uses.
    ServiceCalls m_serviceCalls{m_serviceOwner};
};
