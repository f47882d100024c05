#include "kvostudio/remixdlg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "kvostudio/webservice.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kLinkColour = RGB(0x91, 0x92, 0x92);
constexpr COLORREF kLinkHover = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kTimeColour = RGB(0x59, 0x59, 0x5B);
constexpr Rect kPanel{16, 118, 375, 182};
constexpr Rect kLinkRect{320, 92, 370, 107};
constexpr Rect kPositionTextRect{103, 136, 147, 150};
constexpr Rect kLengthTextRect{321, 136, 348, 150};
constexpr int kSeparatorWidth = 376;
constexpr unsigned kDoneText = 117;
constexpr unsigned kListenText = 118;
constexpr unsigned kShiftText = 127;
constexpr unsigned kVolumeText = 128;
constexpr int kFieldWidth = 60;
constexpr int kFieldHeight = 18;
constexpr Point kShiftField{135, 245};
constexpr Point kAccomField{180, 336};
constexpr Point kVoiceField{180, 360};

// A label's rectangle stops where its field begins: the skin's rectangle
// runs on under the field, where no text can be seen.
constexpr Rect LabelBefore(Rect r, Point field)
{
    r.right = std::min(r.right, field.x - 2);
    return r;
}

float ReadRecordFloat(const char* key, const char* defaultText)
{
    float value = static_cast<float>(std::atof(defaultText));
    ReadConfigFloat(config::kRecord, key, &value, defaultText);
    return value;
}

std::string WholeText(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", static_cast<double>(value));
    return text;
}

// The field's number as stored: atof of its text, cut to a whole number and
// kept inside the spin's range (a long row of typed digits stays a number
// the re-mix can use).
float StoredValue(const std::string& text, int range)
{
    const double value = std::atof(text.c_str());
    if (!std::isfinite(value))
        return 0.0f;
    return static_cast<float>(std::trunc(std::clamp(value, -double(range), double(range))));
}

}  // namespace

CRecordingMoreDlg::CRecordingMoreDlg(Window* parent) : Dialog(IDD, parent) {}

CRecordingMoreDlg::~CRecordingMoreDlg()
{
    // A window still open when the object goes stores its settings first.
    if (IsWindow())
        DestroyWindow();
}

const MessageMap* CRecordingMoreDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::OnCommand(kUploadButton, &CRecordingMoreDlg::OnUpload),
        M::OnCommand(kSaveButton, &CRecordingMoreDlg::OnSave),
        M::OnCommand(kListenButton, &CRecordingMoreDlg::OnListen),
        M::OnCommand(kRemixButton, &CRecordingMoreDlg::OnRemix),
        M::OnNotify(kPositionBar, NM_RELEASEDCAPTURE, &CRecordingMoreDlg::OnBarReleased),
        M::On(WM_TIMER, &CRecordingMoreDlg::OnTimer),
        M::On(WM_PAINT, &CRecordingMoreDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CRecordingMoreDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CRecordingMoreDlg::OnLButtonDown),
        M::On(WM_DESTROY, &CRecordingMoreDlg::OnDestroy),
    });
    return &map;
}

bool CRecordingMoreDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    SetBackgroundColour(skinframe::kFill);
    m_mixing = 0;
    ReadConfigInt(config::kGeneral, config::kMixing, &m_mixing);
    const bool software = m_mixing == 0;

    auto makeButton = [this](CImageButton& button, const Rect& rect, unsigned id, const char* image) {
        button.Create(rect, this, id, image, image, image, "");
    };
    makeButton(m_uploadButton, {33, 440, 168, 469}, kUploadButton, skin::kPopSaveKvo);
    makeButton(m_saveButton, {173, 440, 258, 469}, kSaveButton, skin::kPopSavePc);
    makeButton(m_recordAgainButton, {264, 440, 359, 469}, IDCANCEL, skin::kPopReRec);
    skinframe::CreateCaptionButtons(*this, m_closeButton, m_downButton, 0);
    m_listenRect = {42, 129, 74, 172};
    makeButton(m_listenButton, m_listenRect, kListenButton, skin::kBtnListen);
    makeButton(m_remixButton, {134, 392, 241, 420}, software ? kRemixButton : 0, skin::kBtnRemixing);

    m_barWindow = skin::kBarPlaces[2];
    m_barTrack = {0, 0, 249, 5};
    m_barThumb = {0, 0, 19, 9};
    m_barFillSource = skin::kBarDoneStrip;
    m_positionBar.Create(m_barWindow, m_barTrack, m_barThumb, this, kPositionBar, true, skin::kBarBack,
                         skin::kBarFill, skin::kPlaybarThumb, skin::kPlaybarThumbOver, skin::kPlaybarThumb, 0, 100);
    m_positionBar.SetFillPercent(100);
    m_positionBar.SetFillSource(m_barFillSource.left, m_barFillSource.top, m_barFillSource.right,
                                m_barFillSource.bottom);
    m_positionBar.SetPos(0);
    m_positionBar.EnableInput(true);

    m_link = std::make_unique<CHyperLink>(this, kLinkRect, nullptr, kLinkColour, kLinkHover);
    m_link->backgroundColour = skinframe::kFill;
    m_link->SetLinkText("more info");
    m_link->SetUnderline(true);
    m_link->SetLinkUrl(PageAddress(ServicePages::kRemixHelp));

    m_top = LoadSkinBitmap(skin::kCaptionStrip);
    m_barLine = LoadSkinBitmap(skin::kSeparator);
    ReadLength();
    m_positionText = FormatMinutesSeconds(0);
    m_fieldFont = Font(skinframe::FontFace(), -12, 400, false, false, g_LanguageSettings.GetLanguageCharset());

    CreateSpinEdit(m_shiftEdit, m_shiftSpin, kShiftField.x, kShiftField.y, kFieldWidth, kFieldHeight, 10, kValueRange,
                   WholeText(ReadRecordFloat(config::kVoiceShift, config::kDefaultVoiceShift)));
    CreateSpinEdit(m_voiceEdit, m_voiceSpin, kVoiceField.x, kVoiceField.y, kFieldWidth, kFieldHeight, 1, kValueRange,
                   WholeText(ReadRecordFloat(config::kVoiceDb, config::kDefaultVoiceDb)));
    CreateSpinEdit(m_accomEdit, m_accomSpin, kAccomField.x, kAccomField.y, kFieldWidth, kFieldHeight, 1, kValueRange,
                   WholeText(ReadRecordFloat(config::kAccomDb, config::kDefaultAccomDb)));
    return true;
}

void CRecordingMoreDlg::CreateSpinEdit(DigitEdit& edit, SpinButton& spin, int x, int y, int width, int height,
                                       int step, int range, const std::string& text)
{
    const bool enabled = m_mixing == 0;
    edit.Create(0, RectOfSize(x, y, width, height), this, kEditId);
    edit.EnableWindow(enabled);
    edit.SetFont(m_fieldFont);
    edit.SetLimitText(8);
    edit.ShowWindow(SW_SHOW);
    edit.SetFocus();
    edit.SetText(text);

    spin.Create(0, RectOfSize(x + width - 16, y, 16, height), this, kSpinId);
    spin.EnableWindow(enabled);
    spin.SetRange(-range, range);
    spin.SetStep(step);
    spin.SetBuddy(&edit);
    spin.ShowWindow(SW_SHOW);
}

void CRecordingMoreDlg::OnUpload()
{
    EndDialog(kUpload);
}

void CRecordingMoreDlg::OnRemix()
{
    if (m_mixing == 0)
        EndDialog(kRemix);
}

void CRecordingMoreDlg::StoreSettings()
{
    const struct {
        DigitEdit& edit;
        const char* key;
    } fields[] = {
        {m_shiftEdit, config::kVoiceShift},
        {m_voiceEdit, config::kVoiceDb},
        {m_accomEdit, config::kAccomDb},
    };
    for (const auto& f : fields) {
        if (!f.edit.IsWindow())
            continue;
        if (!WriteConfigFloat(config::kRecord, f.key, StoredValue(f.edit.GetText(), kValueRange)))
            m_settingsKept = false;
    }
}

LRESULT CRecordingMoreDlg::OnDestroy(const Message&)
{
    if (m_link) {
        if (m_link->IsWindow())
            m_link->DestroyWindow();
        m_link.reset();
    }
    KillTimer(kPreviewTimer);
    StopPreview();
    StoreSettings();
    for (Window* w : {static_cast<Window*>(&m_shiftSpin), static_cast<Window*>(&m_voiceSpin),
                      static_cast<Window*>(&m_accomSpin), static_cast<Window*>(&m_shiftEdit),
                      static_cast<Window*>(&m_voiceEdit), static_cast<Window*>(&m_accomEdit)})
        if (w->IsWindow())
            w->DestroyWindow();
    return Default();
}

LRESULT CRecordingMoreDlg::OnLButtonDown(const Message& m)
{
    skinframe::DragByCaption(*this, PointFromLParam(m.lParam));
    return 0;
}

LRESULT CRecordingMoreDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CRecordingMoreDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    skinframe::DrawFrame(dc, *this, m_top);
    if (!m_barLine.IsNull()) {
        dc.BitBlt(10, 194, kSeparatorWidth, m_barLine.Height(), m_barLine, 0, 0);
        dc.BitBlt(10, 430, kSeparatorWidth, m_barLine.Height(), m_barLine, 0, 0);
    }
    dc.FillRoundRect(kPanel, 2, 2, skinframe::kPanel);

    const COLORREF text = skinframe::kBodyText;
    const uint32_t wrap = DT_LEFT | DT_WORDBREAK;
    const uint32_t line = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kDoneText), {16, 40, 390, 71}, text, -12, 400, wrap);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kListenText), {16, 75, 390, 108}, text, -12, 400, wrap);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kShiftText), {16, 210, 390, 240}, text, -12, 400, wrap);
    skinframe::DrawTextIn(dc, "Shift your voice", LabelBefore({42, 246, 125, 260}, kShiftField), text, -12, 400, line);
    skinframe::DrawTextIn(dc, "ms", {200, 246, 220, 260}, text, -12, 400, line);
    skinframe::DrawTextIn(dc, "ahead", {225, 246, 260, 260}, text, -12, 400, line);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kVolumeText), {16, 274, 390, 320}, text, -12, 400, wrap);
    skinframe::DrawTextIn(dc, "accompaniment  volume", LabelBefore({35, 336, 225, 350}, kAccomField), text, -12, 400, line);
    skinframe::DrawTextIn(dc, "db", {250, 336, 320, 350}, text, -12, 400, line);
    skinframe::DrawTextIn(dc, "voice  volume", LabelBefore({95, 360, 180, 374}, kVoiceField), text, -12, 400, line);
    skinframe::DrawTextIn(dc, "db", {250, 360, 320, 374}, text, -12, 400, line);

    skinframe::DrawTextIn(dc, m_positionText, kPositionTextRect, kTimeColour, -11, 400, line);
    skinframe::DrawTextIn(dc, m_lengthText, kLengthTextRect, kTimeColour, -11, 400, line);
    return 0;
}
