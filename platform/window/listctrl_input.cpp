// The list's own handling of painting, the pointer, keys and scrolling.
#include <algorithm>

#include "platform/window/listctrl.h"
#include "platform/window/mouse_wheel.h"
#include "platform/window/paint_dc.h"

namespace platform {

const MessageMap* ListCtrl::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &ListCtrl::OnPaint),
        M::On(WM_SIZE, &ListCtrl::OnSize),
        M::On(WM_LBUTTONDOWN, &ListCtrl::OnLButtonDown),
        M::On(WM_LBUTTONDBLCLK, &ListCtrl::OnLButtonDown),
        M::On(WM_RBUTTONDOWN, &ListCtrl::OnRButtonDown),
        M::On(WM_KEYDOWN, &ListCtrl::OnKeyDown),
        M::On(WM_VSCROLL, &ListCtrl::OnVScroll),
        M::On(WM_MOUSEWHEEL, &ListCtrl::OnMouseWheel),
    });
    return &map;
}

LRESULT ListCtrl::OnPaint(const Message&)
{
    PaintDC dc(*this);
    PaintRows(dc);
    return 0;
}

LRESULT ListCtrl::OnSize(const Message&)
{
    ClampTop();
    return 0;
}

LRESULT ListCtrl::OnLButtonDown(const Message& m)
{
    SetFocus();
    const int row = HitTest(PointFromLParam(m.lParam));
    if (row < 0) {
        if (!(m.wParam & (MK_CONTROL | MK_SHIFT)))
            SetItemState(-1, 0, LVIS_SELECTED);
        return 0;
    }
    if (m.wParam & MK_CONTROL) {
        SetItemState(row, GetItemState(row, LVIS_SELECTED) ^ LVIS_SELECTED, LVIS_SELECTED);
        SetItemState(row, LVIS_FOCUSED, LVIS_FOCUSED);
        anchor_ = row;
        return 0;
    }
    // A row the pointer is on stays there, even when it shows only in part:
    // scrolling it into view would put another row under the pointer for
    // the second press of a double click.
    MoveFocusTo(row, (m.wParam & MK_SHIFT) != 0, false);
    return 0;
}

LRESULT ListCtrl::OnRButtonDown(const Message& m)
{
    SetFocus();
    const int row = HitTest(PointFromLParam(m.lParam));
    if (row >= 0 && !GetItemState(row, LVIS_SELECTED))
        MoveFocusTo(row, false, false);
    return 0;
}

LRESULT ListCtrl::OnKeyDown(const Message& m)
{
    const int count = GetItemCount();
    if (count == 0)
        return 0;
    const int focused = FocusedRow();
    const int page = std::max(GetCountPerPage(), 1);
    int target;
    switch (m.wParam) {
    case VK_UP:
        target = focused < 0 ? 0 : focused - 1;
        break;
    case VK_DOWN:
        target = focused < 0 ? 0 : focused + 1;
        break;
    case VK_HOME:
        target = 0;
        break;
    case VK_END:
        target = count - 1;
        break;
    case VK_PRIOR:
        target = focused < 0 ? 0 : focused - page;
        break;
    case VK_NEXT:
        target = focused < 0 ? 0 : focused + page;
        break;
    default:
        return 0;
    }
    MoveFocusTo(std::clamp(target, 0, count - 1), false);
    return 0;
}

LRESULT ListCtrl::OnVScroll(const Message& m)
{
    const int page = std::max(GetCountPerPage(), 1);
    int rows = 0;
    switch (m.wParam) {
    case SB_LINEUP:
        rows = -1;
        break;
    case SB_LINEDOWN:
        rows = 1;
        break;
    case SB_PAGEUP:
        rows = -page;
        break;
    case SB_PAGEDOWN:
        rows = page;
        break;
    default:
        return 0;
    }
    Scroll(rows * rowHeight_);
    return 0;
}

LRESULT ListCtrl::OnMouseWheel(const Message& m)
{
    // Notches add up, so a touchpad's small turns scroll too.
    wheelRest_ += GET_WHEEL_DELTA_WPARAM(m.wParam);
    const int notches = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= notches * WHEEL_DELTA;
    if (notches != 0)
        Scroll(-notches * kWheelRows * rowHeight_);
    return 0;
}

}  // namespace platform
