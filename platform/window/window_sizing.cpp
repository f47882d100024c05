// Resizing a frameless window by one of its edges or corners: started by
// WM_SYSCOMMAND SC_SIZE while the left button is down, the edge then
// follows the pointer until the button comes up.
#include <algorithm>

#include "platform/window/window_internal.h"

namespace platform {
namespace {

// Smaller than this the skinned windows have no room for their frame.
constexpr int kMinTrackSize = 32;

enum Edge { kLeft = 1, kRight = 2, kTop = 3, kTopLeft = 4, kTopRight = 5, kBottom = 6, kBottomLeft = 7, kBottomRight = 8 };

bool MovesLeft(int e) { return e == kLeft || e == kTopLeft || e == kBottomLeft; }
bool MovesRight(int e) { return e == kRight || e == kTopRight || e == kBottomRight; }
bool MovesTop(int e) { return e == kTop || e == kTopLeft || e == kTopRight; }
bool MovesBottom(int e) { return e == kBottom || e == kBottomLeft || e == kBottomRight; }

}  // namespace

bool BeginBorderSizing(Window& w, int edge)
{
    UiState& ui = Ui();
    Window* top = w.GetTopLevel();
    // A press that is already over (a quick click) starts nothing.
    if (!top || edge < kLeft || edge > kBottomRight || !(ui.buttons & MK_LBUTTON))
        return false;
    ui.dragging = 0;
    ui.sizing = top->GetSafeHwnd();
    ui.sizingEdge = edge;
    ui.sizingStartCursor = ui.cursor;
    ui.sizingStartRect = top->GetWindowRect();
    return true;
}

void SizeTo(Window& top, Point cursor)
{
    UiState& ui = Ui();
    const int dx = cursor.x - ui.sizingStartCursor.x;
    const int dy = cursor.y - ui.sizingStartCursor.y;
    const int e = ui.sizingEdge;
    Rect r = ui.sizingStartRect;
    // A window that starts smaller than the minimum is not made to jump.
    const int minWidth = std::min(kMinTrackSize, r.Width());
    const int minHeight = std::min(kMinTrackSize, r.Height());
    if (MovesLeft(e))
        r.left = std::min(r.left + dx, r.right - minWidth);
    if (MovesRight(e))
        r.right = std::max(r.right + dx, r.left + minWidth);
    if (MovesTop(e))
        r.top = std::min(r.top + dy, r.bottom - minHeight);
    if (MovesBottom(e))
        r.bottom = std::max(r.bottom + dy, r.top + minHeight);
    top.SetWindowPos(r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace platform
