#include "kvostudio/preferencesdlg.h"

#include "kvostudio/lang.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "platform/draw/font.h"
#include "platform/fs/known_folders.h"
#include "platform/window/file_dialog.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kCaptionFill = RGB(255, 255, 255);
constexpr COLORREF kBorder = RGB(130, 135, 144);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr int kCaptionHeight = 24;
constexpr char kTitle[] = "Preferences";
constexpr char kMicrophoneHint[] = "Select the device name including 'Microphone,Mic,Front Mic'.";
// What records the program's own sound on Linux: the sound server's
// monitor of the speakers, or ALSA's loopback card where there is no server.
constexpr char kStereoMixHint[] =
    "Select the device named 'Monitor of' the speakers you listen on (or 'Loopback' where the desktop has no "
    "sound server).";
constexpr char kNoInputDeviceText[] =
    "No sound input device was found. Connect a microphone, then open the preferences again.";
constexpr char kMixingNoteText[] = "( Software Mixing option do recording by mixing accompaniment with your voice)";
constexpr size_t kDeviceTextLimit = config::kDeviceCapacity - 1;
constexpr size_t kFolderLimit = config::kFolderCapacity - 1;

struct Label {
    const char* text;
    Rect rect;
};
constexpr Label kLabels[] = {
    {"Record Option ", {12, 32, 200, 50}},
    {"Format :", {24, 58, 124, 76}},
    {"MP3", {130, 58, 200, 76}},
    {"Bitrate :", {24, 86, 124, 104}},
    {"(higher bitrate larger the file size)", {258, 86, 460, 104}},
    {"Mixing type :", {24, 114, 124, 132}},
    {"Output folder :", {24, 168, 124, 186}},
    {"Audio input device :", {24, 206, 150, 224}},
    {"Audio record control :", {24, 234, 150, 252}},
};

std::string ReadGeneralText(const char* key, int capacity)
{
    std::vector<char> buffer(static_cast<size_t>(capacity), '\0');
    int size = capacity;
    if (!ReadConfigString(config::kGeneral, key, buffer.data(), &size))
        return {};
    return buffer.data();
}

// The entry a stored name stands for: the entry equal to it (letter case
// aside), else the first that begins with it searching from the second
// entry round to the first; CB_ERR when none does or nothing is stored.
int FindStoredEntry(const ComboBox& combo, const std::string& stored)
{
    if (combo.GetCount() == 0 || stored.empty())
        return CB_ERR;
    const int exact = combo.FindStringExact(0, stored);
    return exact != CB_ERR ? exact : combo.FindString(0, stored);
}

// The entry to choose for a stored name: as above, else the first entry.
int PickEntry(const ComboBox& combo, const std::string& stored)
{
    if (combo.GetCount() == 0)
        return CB_ERR;
    const int found = FindStoredEntry(combo, stored);
    return found != CB_ERR ? found : 0;
}

// The entry of exactly that device name; CB_ERR for none.
int FindDevice(const ComboBox& combo, const std::string& name)
{
    return name.empty() ? CB_ERR : combo.FindStringExact(0, name);
}

std::string Limited(std::string text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

}  // namespace

CPreferencesDlg::CPreferencesDlg(Window* parent, const std::vector<stAudioDeviceInfo>* devices)
    : Dialog(IDD, parent), m_devices(devices)
{
    ReadConfigInt(config::kGeneral, config::kBitrate, &m_bitrateCode);
    ReadConfigInt(config::kGeneral, config::kMixing, &m_mixingType);
    WriteConfigInt(config::kGeneral, config::kMixing, m_mixingType);
    m_outputFolder = ReadGeneralText(config::kFolder, config::kFolderCapacity);
    if (m_outputFolder.empty())
        m_outputFolder = DefaultOutputFolder();
}

CPreferencesDlg::~CPreferencesDlg() = default;

int CPreferencesDlg::BitrateCodeToIndex(int code)
{
    switch (code) {
    case 1:
        return 2;
    case 2:
        return 0;
    default:
        return 1;
    }
}

int CPreferencesDlg::BitrateIndexToCode(int index)
{
    switch (index) {
    case 0:
        return 2;
    case 1:
        return 0;
    default:
        return 1;
    }
}

std::string CPreferencesDlg::DefaultOutputFolder()
{
    const std::string home = EnvironmentValue("HOME");
    if (home.empty() || home[0] != '/')
        return "/";
    const std::string base = home.back() == '/' ? home : home + "/";
    return base + "Quorvel/KVOstudio/Output";
}

int CPreferencesDlg::IsInputLineEnabled(const std::string& device, const std::string& line)
{
    return IsCaptureInputLineEnabled(device, line);
}

void CPreferencesDlg::EnableInputLine(const std::string& device, const std::string& line)
{
    EnableCaptureInputLine(device, line);
}

const MessageMap* CPreferencesDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        OnComboSelChange(kMixingCombo, &CPreferencesDlg::OnMixingChanged),
        OnComboSelChange(kInputDeviceCombo, &CPreferencesDlg::OnSelchangeInputDevice),
        M::OnCommand(kBrowseButton, &CPreferencesDlg::OnBrowseFolder),
        M::On(WM_PAINT, &CPreferencesDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CPreferencesDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CPreferencesDlg::OnLButtonDown),
    });
    return &map;
}

void CPreferencesDlg::CreateControls()
{
    const std::string face = g_LanguageSettings.GetLanguageFontName();
    m_bitrateCombo.Create(WS_VISIBLE, RectOfSize(130, 84, 120, 22), this, kBitrateCombo);
    m_mixingCombo.Create(WS_VISIBLE, RectOfSize(130, 112, 200, 22), this, kMixingCombo);
    m_mixingNote.Create(kMixingNoteText, WS_VISIBLE, {24, 140, 460, 158}, this, kMixingNote, StaticText::kSingleLine);
    m_folderEdit.Create(WS_VISIBLE, RectOfSize(130, 166, 280, 22), this, kFolderEdit);
    m_browseButton.Create("...", WS_VISIBLE, RectOfSize(416, 166, 30, 22), this, kBrowseButton);
    m_inputDeviceCombo.Create(WS_VISIBLE, RectOfSize(156, 204, 290, 22), this, kInputDeviceCombo);
    m_recordControlCombo.Create(WS_VISIBLE, RectOfSize(156, 232, 290, 22), this, kRecordControlCombo);
    m_hint.Create("", WS_VISIBLE, {24, 264, 446, 298}, this, kDeviceHint);
    m_okButton.Create("OK", WS_VISIBLE, RectOfSize(370, 318, 80, 26), this, IDOK);
    m_closeButton.Create("x", WS_VISIBLE, RectOfSize(kWindowSize.cx - 24, 3, 20, 18), this, IDCANCEL);
    for (ComboBox* c : {&m_bitrateCombo, &m_mixingCombo, &m_inputDeviceCombo, &m_recordControlCombo})
        c->SetFontFace(face);
    for (StaticText* s : {&m_mixingNote, &m_hint}) {
        s->SetFontFace(face);
        s->SetColours(kText, kFace);
    }
    for (PushButton* b : {&m_browseButton, &m_okButton, &m_closeButton})
        b->SetFontFace(face);
    m_folderEdit.SetFontFace(face);
    m_folderEdit.SetLimitText(kFolderLimit);
}

bool CPreferencesDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    CenterWindow();
    SetBackgroundColour(kFace);
    CreateControls();

    m_bitrateCombo.AddString("64");
    m_bitrateCombo.AddString("128 (default)");
    m_bitrateCombo.AddString("192");
    m_mixingCombo.AddString("Software Mixing(default)");
    m_mixingCombo.AddString("Stereo mixing");
    m_bitrateCombo.SetCurSel(BitrateCodeToIndex(m_bitrateCode));
    m_mixingCombo.SetCurSel(m_mixingType);
    m_folderEdit.SetText(m_outputFolder);
    UpdateDeviceHint();

    if (m_devices)
        for (const stAudioDeviceInfo& device : *m_devices)
            m_inputDeviceCombo.AddString(device.name);
    // With nothing stored the recording uses the system's default input (or
    // the monitor for stereo mixing): that one is shown, not whichever the
    // sound server happens to list first. So is it for a stored device that
    // is gone, rather than a stand-in the user never chose (a monitor would
    // record the speakers instead of the voice); without one, none.
    const std::string stored = ReadGeneralText(config::kInputDevice, config::kDeviceCapacity);
    int chosen = FindStoredEntry(m_inputDeviceCombo, stored);
    if (chosen == CB_ERR)
        chosen = FindDevice(m_inputDeviceCombo, RecordingDeviceName(m_mixingType));
    if (chosen == CB_ERR && stored.empty() && m_inputDeviceCombo.GetCount() > 0)
        chosen = 0;
    m_inputDeviceCombo.SetCurSel(chosen);
    FillRecordControls(chosen);
    // The line shown is the one switched on now, asked of the device chosen
    // above (the stored name may be only the beginning of its name).
    const std::string device = m_inputDeviceCombo.GetSelectedText();
    for (int i = 0; i < m_recordControlCombo.GetCount(); ++i)
        if (IsInputLineEnabled(device, m_recordControlCombo.GetLBText(i)) == 1) {
            m_recordControlCombo.SetCurSel(i);
            break;
        }
    return true;
}

void CPreferencesDlg::FillRecordControls(int deviceIndex)
{
    m_recordControlCombo.ResetContent();
    if (!m_devices || deviceIndex < 0 || deviceIndex >= static_cast<int>(m_devices->size()))
        return;
    for (const std::string& line : (*m_devices)[deviceIndex].inputLines)
        m_recordControlCombo.AddString(line);
}

void CPreferencesDlg::UpdateDeviceHint()
{
    if (!m_devices || m_devices->empty())
        m_hint.SetText(kNoInputDeviceText);
    else
        m_hint.SetText(m_mixingCombo.GetCurSel() == 1 ? kStereoMixHint : kMicrophoneHint);
}

void CPreferencesDlg::OnMixingChanged()
{
    UpdateDeviceHint();
    // Stereo mixing records what the program plays: the monitor of the
    // output it plays to comes with it. Where there is none, the hint tells
    // the user what to choose.
    if (m_mixingCombo.GetCurSel() != 1)
        return;
    const int monitor = FindDevice(m_inputDeviceCombo, RecordingDeviceName(1));
    if (monitor == CB_ERR || monitor == m_inputDeviceCombo.GetCurSel())
        return;
    m_inputDeviceCombo.SetCurSel(monitor);
    OnSelchangeInputDevice();
}

void CPreferencesDlg::OnSelchangeInputDevice()
{
    FillRecordControls(m_inputDeviceCombo.GetCurSel());
    const std::string stored = ReadGeneralText(config::kRecordDevice, config::kDeviceCapacity);
    m_recordControlCombo.SetCurSel(PickEntry(m_recordControlCombo, stored));
}

void CPreferencesDlg::OnBrowseFolder()
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Folder;
    request.initialFolder = m_folderEdit.GetText();
    const FileDialogAnswer answer = ShowFileDialog(this, request);
    if (!answer.ok)
        return;
    const std::string& folder = answer.paths.front();
    // config.ini keeps at most 259 bytes of it; a longer path would come
    // back cut, naming another folder.
    if (folder.size() > kFolderLimit) {
        MessageBox(this, "The path of this folder is too long to be kept:\n" + folder, kTitle,
                   MB_OK | MB_ICONWARNING);
        return;
    }
    m_folderEdit.SetText(folder);
    m_outputFolder = folder;
}

void CPreferencesDlg::OnOK()
{
    m_outputFolder = m_folderEdit.GetText();
    m_bitrateCode = BitrateIndexToCode(m_bitrateCombo.GetCurSel());
    m_mixingType = m_mixingCombo.GetCurSel();
    bool stored = WriteConfigInt(config::kGeneral, config::kBitrate, m_bitrateCode);
    stored = WriteConfigInt(config::kGeneral, config::kMixing, m_mixingType) && stored;
    stored = WriteConfigString(config::kGeneral, config::kFolder, m_outputFolder.c_str()) && stored;
    const std::string device = Limited(m_inputDeviceCombo.GetSelectedText(), kDeviceTextLimit);
    const std::string line = Limited(m_recordControlCombo.GetSelectedText(), kDeviceTextLimit);
    stored = WriteConfigString(config::kGeneral, config::kInputDevice, device.c_str()) && stored;
    stored = WriteConfigString(config::kGeneral, config::kRecordDevice, line.c_str()) && stored;
    if (!stored)
        MessageBox(this, kConfigNotKeptText, kTitle, MB_OK | MB_ICONWARNING);
    // With no line chosen there is nothing to switch on; switching would
    // only turn every input of the device off.
    if (!line.empty())
        EnableInputLine(device, line);
    EndDialog(IDOK);
}

LRESULT CPreferencesDlg::OnLButtonDown(const Message& m)
{
    const Point p = PointFromLParam(m.lParam);
    if (p.y < kCaptionHeight)
        skinframe::DragWindow(*this, p);
    return 0;
}

LRESULT CPreferencesDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CPreferencesDlg::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, kFace);
    dc.FillSolidRect({0, 0, client.right, kCaptionHeight}, kCaptionFill);
    dc.FrameRect(client, kBorder);
    const std::string face = g_LanguageSettings.GetLanguageFontName();
    const Font caption(face, -12, 700);
    const Font normal(face, -12, 400);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kText);
    dc.SelectFont(&caption);
    dc.DrawText(GetWindowText(), {8, 0, 300, kCaptionHeight}, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectFont(&normal);
    for (const Label& label : kLabels)
        dc.DrawText(label.text, label.rect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
    return 0;
}
