#include "kvostudio/savecompletedlg.h"

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/skinframe.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kHeadingColour = RGB(255, 255, 255);
constexpr Rect kHeadingRect{18, 40, 360, 55};
constexpr Rect kBodyRect{18, 69, 360, 120};
constexpr Rect kSecondRect{211, 196, 339, 225};

}  // namespace

CSaveCompleteDlg::CSaveCompleteDlg(Window* parent) : Dialog(IDD, parent) {}

CSaveCompleteDlg::~CSaveCompleteDlg() = default;

const MessageMap* CSaveCompleteDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::OnCommand(kMainButton, &CSaveCompleteDlg::OnMainButton),
        M::OnCommand(kSecondButton, &CSaveCompleteDlg::OnSecondButton),
        M::On(WM_PAINT, &CSaveCompleteDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CSaveCompleteDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CSaveCompleteDlg::OnLButtonDown),
    });
    return &map;
}

bool CSaveCompleteDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(skinframe::kTitle);
    SetWindowPos(0, 0, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER);
    SetBackgroundColour(skinframe::kFill);
    skinframe::CreateCaptionButtons(*this, m_closeButton, m_downButton, 0);
    switch (m_mode) {
    case kModeSaved:
        m_mainButton.Create({83, 196, 218, 225}, this, kMainButton, skin::kPopSaveKvo, skin::kPopSaveKvo,
                            skin::kPopSaveKvo, "");
        m_secondButton.Create(kSecondRect, this, kSecondButton, skin::kPopUccEditor, skin::kPopUccEditor,
                              skin::kPopUccEditor, "");
        break;
    case kModeUploaded:
        m_mainButton.Create({83, 196, 205, 225}, this, kMainButton, skin::kPopGotoUcsing, skin::kPopGotoUcsing,
                            skin::kPopGotoUcsing, "");
        m_secondButton.Create(kSecondRect, this, kSecondButton, skin::kPopUccEditor, skin::kPopUccEditor,
                              skin::kPopUccEditor, "");
        break;
    case kModeSentForPhone:
        m_mainButton.Create({183, 196, 232, 225}, this, IDOK, skin::kBtnOk, skin::kBtnOk, skin::kBtnOk, "");
        break;
    default:
        break;
    }
    m_top = LoadSkinBitmap(skin::kCaptionStrip);
    return true;
}

void CSaveCompleteDlg::OnMainButton()
{
    // The main button carries id 1013 in both two-button modes; the end
    // code is the mode, so the caller tells "upload" from "my page".
    if (m_mode == kModeSaved || m_mode == kModeUploaded)
        EndDialog(m_mode);
}

void CSaveCompleteDlg::OnSecondButton()
{
    if (m_mode == kModeSaved || m_mode == kModeUploaded)
        EndDialog(kSecondButton);
}

void CSaveCompleteDlg::OnOK()
{
    if (m_mode == kModeSentForPhone)
        EndDialog(IDOK);
}

LRESULT CSaveCompleteDlg::OnLButtonDown(const Message& m)
{
    skinframe::DragByCaption(*this, PointFromLParam(m.lParam));
    return 0;
}

LRESULT CSaveCompleteDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CSaveCompleteDlg::OnPaint(const Message&)
{
    PaintDC paint(*this);
    CMemDC dc(&paint, GetClientRect());
    skinframe::DrawFrame(dc, *this, m_top);
    skinframe::DrawTextIn(dc, m_heading, kHeadingRect, kHeadingColour, -12, 700, DT_LEFT | DT_WORDBREAK);
    skinframe::DrawTextIn(dc, m_body, kBodyRect, skinframe::kBodyText, -12, 400, DT_LEFT | DT_WORDBREAK);
    return 0;
}
