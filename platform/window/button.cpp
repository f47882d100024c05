#include "platform/window/button.h"

#include "platform/window/paint_dc.h"

namespace platform {

bool OwnerDrawButton::Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id)
{
    tracking_ = false;
    pushed_ = false;
    spaceHeld_ = false;
    return CreateEx(0, "Button", text, style | WS_CHILD, rect, parent, id);
}

const MessageMap* OwnerDrawButton::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_LBUTTONDOWN, &OwnerDrawButton::OnLButtonDown),
        M::On(WM_LBUTTONUP, &OwnerDrawButton::OnLButtonUp),
        M::On(WM_MOUSEMOVE, &OwnerDrawButton::OnMouseMove),
        M::On(WM_CAPTURECHANGED, &OwnerDrawButton::OnCaptureChanged),
        M::On(WM_KEYDOWN, &OwnerDrawButton::OnKeyDown),
        M::On(WM_KEYUP, &OwnerDrawButton::OnKeyUp),
        M::On(WM_KILLFOCUS, &OwnerDrawButton::OnKillFocus),
        M::On(WM_PAINT, &OwnerDrawButton::OnPaint),
    });
    return &map;
}

void OwnerDrawButton::DrawItem(DC&, const DrawItemInfo&) {}

void OwnerDrawButton::Clicked()
{
    SendCommandToParent(BN_CLICKED);
}

LRESULT OwnerDrawButton::OnLButtonDown(const Message&)
{
    SetCapture();
    tracking_ = true;
    pushed_ = true;
    Invalidate(false);
    return 0;
}

LRESULT OwnerDrawButton::OnMouseMove(const Message& m)
{
    if (!tracking_)
        return 0;
    const bool inside = GetClientRect().Contains(PointFromLParam(m.lParam));
    if (inside != pushed_) {
        pushed_ = inside;
        Invalidate(false);
    }
    return 0;
}

LRESULT OwnerDrawButton::OnLButtonUp(const Message& m)
{
    if (!tracking_)
        return 0;
    const bool inside = GetClientRect().Contains(PointFromLParam(m.lParam));
    tracking_ = false;
    pushed_ = false;
    const WindowHandle self = GetSafeHwnd();
    ReleaseCapture();
    Invalidate(false);
    if (inside && FromHandle(self) == this)
        Clicked();
    return 0;
}

LRESULT OwnerDrawButton::OnCaptureChanged(const Message&)
{
    // Someone else took the pointer: the press is abandoned.
    if (tracking_ && GetCapture() != this) {
        tracking_ = false;
        pushed_ = false;
        Invalidate(false);
    }
    return 0;
}

LRESULT OwnerDrawButton::OnKeyDown(const Message& m)
{
    if (m.wParam != VK_SPACE || tracking_)
        return Default();
    // A held key repeats its downs: the button is pressed once.
    if (!spaceHeld_) {
        spaceHeld_ = true;
        pushed_ = true;
        Invalidate(false);
    }
    return 0;
}

LRESULT OwnerDrawButton::OnKeyUp(const Message& m)
{
    // Only a Space that went down here clicks: the down may have been
    // taken by a window above it.
    if (m.wParam != VK_SPACE || !spaceHeld_)
        return Default();
    spaceHeld_ = false;
    pushed_ = false;
    Invalidate(false);
    Clicked();
    return 0;
}

LRESULT OwnerDrawButton::OnKillFocus(const Message&)
{
    // The focus went while Space was held: the press is abandoned.
    if (spaceHeld_) {
        spaceHeld_ = false;
        pushed_ = false;
        Invalidate(false);
    }
    return Default();
}

LRESULT OwnerDrawButton::OnPaint(const Message&)
{
    PaintDC dc(*this);
    DrawItemInfo info;
    info.ctlId = GetDlgCtrlID();
    info.rect = GetClientRect();
    info.pushed = pushed_;
    info.disabled = !IsWindowEnabled();
    info.focused = GetFocus() == this;
    DrawItem(dc, info);
    return 0;
}

}  // namespace platform
