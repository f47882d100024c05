#pragma once
// Shown once a take is finished. It previews the take (the work file
// "Cache.mp3") under a seek bar, lets the user edit the voice offset and
// both gains before asking for a fresh mix, and offers to keep the take as
// an MP3 on disk (tagged with the song's file id), to upload it, or to
// start over. The modal loop returns one of Result (kSaved once the file
// is written, kUpload or kRemix when the caller should go on with that),
// or IDCANCEL when the user wants another take or just closed it.
// Whatever the end, the shift and gains shown are stored in config.ini
// (RECORD voice-shift, voice-db, accom-db) when the window goes, so the
// next re-mix reads them. With stereo mixing (GENERAL mixing 1) the three
// fields are disabled and the re-mix button does nothing.

#include <memory>
#include <string>

#include "kvostudio/libskin/hyperlink.h"
#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/libskin/imagesliderctrl.h"
#include "mp3file/src/mp3fileplayer.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/font.h"
#include "platform/window/dialog.h"
#include "platform/window/digit_edit.h"
#include "platform/window/spin_button.h"

class CRecordingMoreDlg : public platform::Dialog {
public:
    enum { IDD = 163 };
    enum Result { kSaved = 3, kUpload = 1013, kRemix = 1022 };
    static constexpr int kUploadButton = 1013;
    static constexpr int kSaveButton = 3;
    static constexpr int kListenButton = 1014;
    static constexpr int kRemixButton = 1022;
    static constexpr int kPositionBar = 2028;
    static constexpr int kEditId = 1;
    static constexpr int kSpinId = 2;
    static constexpr uintptr_t kPreviewTimer = 1;
    static constexpr unsigned kPreviewTickMs = 50;
    static constexpr int kValueRange = 3000;
    static constexpr platform::Size kWindowSize{392, 480};

    explicit CRecordingMoreDlg(platform::Window* parent = nullptr);
    ~CRecordingMoreDlg() override;

    // The .kvo song the recording was made from (its file id goes into the
    // saved file's tag); set before the dialog opens.
    void SetSongPath(const std::string& path) { m_songPath = path; }

    // The path a chosen save name becomes: the name as chosen, with ".mp3"
    // added unless it already ends so in any letter case.
    static std::string SavePathFor(const std::string& chosen);
    // "mm:ss" of whole seconds (minutes are not cut at an hour).
    static std::string FormatMinutesSeconds(int seconds);

    // The listen button's action: starts a preview from the bar's position,
    // or stops and releases the one that plays.
    void TogglePreview();
    // The save button's action: asks for a file, copies the recording there
    // with its tag, and ends with 3. A copy that fails leaves any file of
    // that name as it was and keeps the dialog open with the reason; a tag
    // that cannot be written is reported before the dialog ends.
    void SaveToPc();
    static constexpr char kNotSavedText[] = "The recording could not be saved to ";
    static constexpr char kSavedWithoutIdText[] = "The recording was saved without the song's id to ";
    static constexpr char kCannotUploadText[] = "Without it, the saved file cannot be uploaded.";

    bool IsPreviewing() const { return m_preview != nullptr; }
    CImageSliderCtrl& PositionBar() { return m_positionBar; }
    CImageButton& RemixButton() { return m_remixButton; }
    platform::DigitEdit& ShiftEdit() { return m_shiftEdit; }
    platform::DigitEdit& VoiceGainEdit() { return m_voiceEdit; }
    platform::DigitEdit& AccompanimentGainEdit() { return m_accomEdit; }
    platform::SpinButton& VoiceGainSpin() { return m_voiceSpin; }
    const std::string& GetLengthText() const { return m_lengthText; }
    const std::string& GetPositionText() const { return m_positionText; }
    // False when the shift or a gain could not be written to config.ini as
    // the window went (the owner tells the user, once).
    bool SettingsKept() const { return m_settingsKept; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    // Return in a field must not end the dialog with a code the owner does
    // not know.
    void OnOK() override {}

private:
    void CreateSpinEdit(platform::DigitEdit& edit, platform::SpinButton& spin, int x, int y, int width, int height,
                        int step, int range, const std::string& text);
    void ReadLength();
    void StopPreview();
    void SetListenLook(bool playing);
    void StoreSettings();

    void OnUpload();
    void OnRemix();
    void OnListen() { TogglePreview(); }
    void OnSave() { SaveToPc(); }
    platform::LRESULT OnBarReleased(const platform::NMHDR& hdr);
    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnDestroy(const platform::Message& m);

    platform::Rect m_barWindow;
    platform::Rect m_barTrack;
    platform::Rect m_barFillSource;
    platform::Rect m_barThumb;
    CImageSliderCtrl m_positionBar;
    CImageButton m_uploadButton;
    CImageButton m_saveButton;
    CImageButton m_recordAgainButton;
    CImageButton m_closeButton;
    CImageButton m_downButton;
    CImageButton m_listenButton;
    CImageButton m_remixButton;
    platform::Rect m_listenRect;
    platform::Bitmap m_top;
    platform::Bitmap m_barLine;
    std::unique_ptr<CHyperLink> m_link;
    std::unique_ptr<Mp3FilePlayer> m_preview;
    int m_mixing = 0;
    std::string m_songPath;
    // The edits come before their spins: a spin unbinds its edit when it goes.
    platform::DigitEdit m_shiftEdit;
    platform::DigitEdit m_voiceEdit;
    platform::DigitEdit m_accomEdit;
    platform::SpinButton m_shiftSpin;
    platform::SpinButton m_voiceSpin;
    platform::SpinButton m_accomSpin;
    std::string m_lengthText = "00:00";
    std::string m_positionText = "00:00";
    // The UI face in the user's character set, for the three fields.
    platform::Font m_fieldFont;
    bool m_settingsKept = true;
};
