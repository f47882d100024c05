#pragma once
// The recording preferences (Option menu): the MP3 bit rate, whether the
// take is mixed in software or by the sound card's stereo mix, the output
// folder for saved recordings, the audio input device and its record
// control (input line). They live in config.ini's GENERAL section; OK
// stores them and switches the chosen input line on. A plain dialog in the
// desktop's ordinary look, not skinned.

#include <string>
#include <vector>

#include "kvostudio/mixer.h"
#include "platform/window/combo_box.h"
#include "platform/window/dialog.h"
#include "platform/window/edit.h"
#include "platform/window/push_button.h"
#include "platform/window/static_text.h"

class CPreferencesDlg : public platform::Dialog {
public:
    enum { IDD = 157 };
    static constexpr int kBitrateCombo = 1002;
    static constexpr int kMixingCombo = 1003;
    static constexpr int kFolderEdit = 1004;
    static constexpr int kBrowseButton = 1005;
    static constexpr int kInputDeviceCombo = 1006;
    static constexpr int kRecordControlCombo = 1007;
    static constexpr int kDeviceHint = 1012;
    static constexpr int kMixingNote = 1013;
    static constexpr platform::Size kWindowSize{470, 360};

    // Reads GENERAL bitrate, mixing (and writes mixing back) and folder;
    // an empty folder becomes the default output folder. The device list
    // is the program's (filled at start-up) unless another is given.
    explicit CPreferencesDlg(platform::Window* parent = nullptr,
                             const std::vector<stAudioDeviceInfo>* devices = &g_AudioDeviceList);
    ~CPreferencesDlg() override;

    // Stored bitrate code <-> the bitrate combo's index: code 0 (and any
    // unknown code) is 128 kbit/s at index 1, code 1 is 192 at index 2,
    // code 2 is 64 at index 0; an index other than 0..2 gives code 1.
    static int BitrateCodeToIndex(int code);
    static int BitrateIndexToCode(int index);

    // The default output folder: Quorvel/KVOstudio/Output in the user's
    // home folder ("/" when there is none).
    static std::string DefaultOutputFolder();

    // 1 when that input line of that capture device is switched on.
    static int IsInputLineEnabled(const std::string& device, const std::string& line);
    // Switches that input line of that capture device on (kvostudio/mixer.h).
    static void EnableInputLine(const std::string& device, const std::string& line);

    // Shows the hint for the mixing type chosen now, or that no input
    // device was found.
    void UpdateDeviceHint();
    // The input device choice changed: lists its lines and picks the
    // stored record control.
    void OnSelchangeInputDevice();
    // The mixing choice changed: the hint follows it, and stereo mixing
    // chooses the device that records what the program plays.
    void OnMixingChanged();
    // Browses for the output folder.
    void OnBrowseFolder();

    const std::string& GetOutputFolder() const { return m_outputFolder; }
    int GetMixingType() const { return m_mixingType; }
    platform::ComboBox& BitrateCombo() { return m_bitrateCombo; }
    platform::ComboBox& MixingCombo() { return m_mixingCombo; }
    platform::ComboBox& InputDeviceCombo() { return m_inputDeviceCombo; }
    platform::ComboBox& RecordControlCombo() { return m_recordControlCombo; }
    platform::EditBox& FolderEdit() { return m_folderEdit; }
    std::string GetDeviceHint() const { return m_hint.GetWindowText(); }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void CreateControls();
    void FillRecordControls(int deviceIndex);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    platform::ComboBox m_bitrateCombo;
    platform::ComboBox m_mixingCombo;
    int m_bitrateCode = 0;
    int m_mixingType = 0;
    std::string m_outputFolder;
    platform::ComboBox m_inputDeviceCombo;
    platform::ComboBox m_recordControlCombo;

    const std::vector<stAudioDeviceInfo>* m_devices;
    platform::EditBox m_folderEdit;
    platform::PushButton m_browseButton;
    platform::PushButton m_okButton;
    platform::PushButton m_closeButton;
    platform::StaticText m_hint;
    platform::StaticText m_mixingNote;
};
