#include "platform/window/tip_window.h"

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

namespace platform {
namespace {

constexpr COLORREF kTipBack = RGB(255, 255, 225);
constexpr COLORREF kTipText = RGB(0, 0, 0);
constexpr COLORREF kTipBorder = RGB(118, 118, 118);
constexpr int kPadX = 4;
constexpr int kPadY = 2;

const Font& TipFont()
{
    static const Font font(Font::kFallbackFace, -12);
    return font;
}

}  // namespace

bool TipWindow::CreateTip(Window* owner)
{
    return CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "tooltips", "", WS_POPUP, {0, 0, 10, 10}, owner, 0);
}

void TipWindow::ShowText(const std::string& text, Point screen)
{
    text_ = text;
    Bitmap scratch(1, 1);
    DC dc(scratch);
    dc.SelectFont(&TipFont());
    const Size sz = dc.GetTextExtent(text);
    SetWindowPos(screen.x, screen.y, sz.cx + 2 * kPadX, sz.cy + 2 * kPadY, SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate(true);
    ShowWindow(SW_SHOWNA);
}

const MessageMap* TipWindow::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &TipWindow::OnPaint),
        M::On(WM_ERASEBKGND, &TipWindow::OnEraseBkgnd),
        M::On(WM_TIMER, &TipWindow::OnTimer),
    });
    return &map;
}

LRESULT TipWindow::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect r = GetClientRect();
    dc.FillSolidRect(r, kTipBack);
    dc.FrameRect(r, kTipBorder);
    dc.SelectFont(&TipFont());
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kTipText);
    dc.DrawText(text_, {kPadX, kPadY, r.right - kPadX, r.bottom - kPadY}, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    return 0;
}

LRESULT TipWindow::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT TipWindow::OnTimer(const Message& m)
{
    if (!onTimer)
        return Default();
    onTimer(static_cast<uintptr_t>(m.wParam));
    return 0;
}

}  // namespace platform
