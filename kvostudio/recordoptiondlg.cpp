#include "kvostudio/recordoptiondlg.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/messages.h"
#include "kvostudio/settings.h"
#include "kvostudio/skinframe.h"
#include "platform/window/debug_output.h"
#include "platform/window/message_box.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kLabelColour = RGB(0x59, 0x59, 0x5A);
constexpr Rect kPanel{14, 80, 379, 179};
constexpr int kComboHeight = 20;
constexpr unsigned kHintText = 119;
constexpr unsigned kStartLabel = 120;
constexpr unsigned kStopLabel = 121;
constexpr unsigned kVocalLabel = 122;
constexpr char kCancelledText[] = "Recording has been canceled.";

int ReadRecordInt(const char* key)
{
    int value = 0;
    ReadConfigInt(config::kRecord, key, &value);
    return value;
}

}  // namespace

CRecordDlg::CRecordDlg(Window* parent) : Dialog(IDD, parent)
{
    m_start = ReadRecordInt(config::kStart);
    m_stop = ReadRecordInt(config::kStop);
    m_vocal = ReadRecordInt(config::kVocal);
}

CRecordDlg::~CRecordDlg() = default;

const MessageMap* CRecordDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_PAINT, &CRecordDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CRecordDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CRecordDlg::OnLButtonDown),
    });
    return &map;
}

bool CRecordDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    SetBackgroundColour(skinframe::kFill);

    const std::string face = skinframe::FontFace();
    m_startCombo.Create(WS_VISIBLE, RectOfSize(185, 96, 150, kComboHeight), this, kStartCombo);
    m_stopCombo.Create(WS_VISIBLE, RectOfSize(135, 121, 235, kComboHeight), this, kStopCombo);
    m_vocalCombo.Create(WS_VISIBLE, RectOfSize(135, 146, 235, kComboHeight), this, kVocalCombo);
    for (ComboBox* combo : {&m_startCombo, &m_stopCombo, &m_vocalCombo})
        combo->SetFontFace(face);
    m_startCombo.AddString("beginning");
    m_startCombo.AddString("Selected part");
    m_stopCombo.AddString("automatically when the playback ends");
    m_stopCombo.AddString("by clicking Stop");
    m_vocalCombo.AddString("as-is condition");
    m_vocalCombo.AddString("off");
    m_startCombo.SetCurSel(m_start);
    m_stopCombo.SetCurSel(m_stop);
    // The vocal stream is always off while recording, whatever is stored.
    m_vocalCombo.SetCurSel(1);
    m_startCombo.EnableWindow(false);
    m_vocalCombo.EnableWindow(false);

    m_startButton.Create({99, 197, 222, 226}, this, IDOK, skin::kPopStartRec, skin::kPopStartRec,
                         skin::kPopStartRec, "");
    m_cancelButton.Create({230, 197, 295, 226}, this, IDCANCEL, skin::kPopCancel, skin::kPopCancel,
                          skin::kPopCancel, "");
    skinframe::CreateCaptionButtons(*this, m_closeButton, m_downButton, kDownButton);
    m_top = LoadSkinBitmap(skin::kCaptionStrip);
    return true;
}

void CRecordDlg::OnOK()
{
    m_start = m_startCombo.GetCurSel();
    m_stop = m_stopCombo.GetCurSel();
    m_vocal = m_vocalCombo.GetCurSel();
    const bool stored = WriteConfigInt(config::kRecord, config::kStart, m_start) &&
                        WriteConfigInt(config::kRecord, config::kStop, m_stop) &&
                        WriteConfigInt(config::kRecord, config::kVocal, m_vocal);
    if (!stored)
        DebugOutput("Record options: config.ini could not be written\n");
    EndDialog(IDOK);
}

void CRecordDlg::OnCancel()
{
    MessageBox(this, kCancelledText, skinframe::kTitle, MB_OK | MB_ICONINFORMATION);
    EndDialog(IDCANCEL);
}

LRESULT CRecordDlg::OnLButtonDown(const Message& m)
{
    skinframe::DragByCaption(*this, PointFromLParam(m.lParam));
    return 0;
}

LRESULT CRecordDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CRecordDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    skinframe::DrawFrame(dc, *this, m_top);
    dc.FillRoundRect(kPanel, 2, 2, skinframe::kPanel);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kHintText), {16, 40, 374, 71}, skinframe::kBodyText, -12, 400,
                          DT_LEFT | DT_WORDBREAK);
    const uint32_t label = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP;
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kStartLabel), {45, 99, 174, 110}, kLabelColour, -12, 400, label);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kStopLabel), {45, 124, 174, 136}, kLabelColour, -12, 400, label);
    skinframe::DrawTextIn(dc, LoadStringTableEntry(kVocalLabel), {45, 149, 174, 159}, kLabelColour, -12, 400, label);
    return 0;
}
