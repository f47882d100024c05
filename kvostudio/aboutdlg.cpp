#include "kvostudio/aboutdlg.h"

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kFace = RGB(240, 240, 240);
constexpr COLORREF kCaptionStrip = RGB(214, 219, 233);
constexpr COLORREF kBorder = RGB(120, 120, 120);
constexpr char kCaption[] = "About Kvo Studio";

}  // namespace

CAboutDlg::CAboutDlg(Window* parent) : Dialog(IDD, parent) {}

const MessageMap* CAboutDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Dialog::GetMessageMap(), {
        M::On(WM_PAINT, &CAboutDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CAboutDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CAboutDlg::OnLButtonDown),
    });
    return &map;
}

bool CAboutDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    SetWindowText(kCaption);
    const Rect now = GetWindowRect();
    MoveWindow(RectOfSize(now.left, now.top, kWindowSize.cx, kWindowSize.cy));
    CenterWindow();
    // Places in the desktop's dialog units, scaled to pixels (x 1.5,
    // y 1.625), below a caption strip of our own: the window has no frame.
    m_name.Create("Kvo Studio", WS_VISIBLE, RectOfSize(60, kCaptionHeight + 16, 178, 13), this, -1,
                  StaticText::kSingleLine);
    m_name.SetColours(RGB(0, 0, 0), kFace);
    m_close.Create("Close", WS_VISIBLE | WS_TABSTOP, RectOfSize(267, kCaptionHeight + 10, 75, 26), this, IDOK);
    return true;
}

LRESULT CAboutDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CAboutDlg::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, kFace);
    dc.FillSolidRect({client.left, client.top, client.right, client.top + kCaptionHeight}, kCaptionStrip);
    dc.FrameRect(client, kBorder);
    const Font font(Font::kFallbackFace, -12, 700);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(0, 0, 0));
    dc.DrawText(GetWindowText(), {8, 0, client.right - 8, kCaptionHeight}, DT_SINGLELINE | DT_VCENTER);
    dc.SelectFont(nullptr);
    return 0;
}

LRESULT CAboutDlg::OnLButtonDown(const Message& m)
{
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(ClientToScreen(PointFromLParam(m.lParam))));
    return Default();
}
