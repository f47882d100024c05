#pragma once
// The messages windows exchange, with the numbers and parameter packing
// the application's code is written against: mouse points packed as two
// signed 16-bit halves of lParam, commands as (code << 16 | id) in wParam,
// notifications as a header record pointed to by lParam.

#include <cstdint>

#include "platform/draw/geometry.h"

namespace platform {

using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

// A window's handle: a number that stays unique for the life of the
// process, so a message for a window that is gone finds nothing instead of
// another window. 0 is no window.
using WindowHandle = uint32_t;

struct Message {
    WindowHandle hwnd = 0;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

enum : UINT {
    WM_NULL = 0x0000,
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_MOVE = 0x0003,
    WM_SIZE = 0x0005,
    WM_ACTIVATE = 0x0006,
    WM_SETFOCUS = 0x0007,
    WM_KILLFOCUS = 0x0008,
    WM_ENABLE = 0x000A,
    WM_SETTEXT = 0x000C,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_ERASEBKGND = 0x0014,
    WM_SHOWWINDOW = 0x0018,
    WM_CANCELMODE = 0x001F,
    WM_WINDOWPOSCHANGING = 0x0046,
    WM_WINDOWPOSCHANGED = 0x0047,
    WM_NOTIFY = 0x004E,
    WM_NCDESTROY = 0x0082,
    WM_NCHITTEST = 0x0084,
    WM_GETDLGCODE = 0x0087,
    WM_NCLBUTTONDOWN = 0x00A1,
    WM_KEYDOWN = 0x0100,
    WM_KEYUP = 0x0101,
    WM_CHAR = 0x0102,
    WM_SYSKEYDOWN = 0x0104,
    WM_SYSKEYUP = 0x0105,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_SYSCOMMAND = 0x0112,
    WM_TIMER = 0x0113,
    WM_VSCROLL = 0x0115,
    WM_MOUSEFIRST = 0x0200,
    WM_MOUSEMOVE = 0x0200,
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_LBUTTONDBLCLK = 0x0203,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_RBUTTONDBLCLK = 0x0206,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_MBUTTONDBLCLK = 0x0209,
    WM_MOUSEWHEEL = 0x020A,
    WM_MOUSELAST = 0x020D,
    WM_MOVING = 0x0216,
    WM_CAPTURECHANGED = 0x0215,
    WM_MOUSEHOVER = 0x02A1,
    WM_MOUSELEAVE = 0x02A3,
    WM_USER = 0x0400,
    WM_APP = 0x8000,
};

// WM_VSCROLL requests (wParam).
enum : WPARAM { SB_LINEUP = 0, SB_LINEDOWN = 1, SB_PAGEUP = 2, SB_PAGEDOWN = 3 };

// WM_SYSCOMMAND: SC_SIZE plus an edge (1 left, 2 right, 3 top, 4 top left,
// 5 top right, 6 bottom, 7 bottom left, 8 bottom right) sizes the window by
// that edge with the pointer while the left button stays down.
enum : WPARAM { SC_SIZE = 0xF000 };

// Key state flags in the wParam of mouse messages.
enum : WPARAM { MK_LBUTTON = 0x1, MK_RBUTTON = 0x2, MK_SHIFT = 0x4, MK_CONTROL = 0x8, MK_MBUTTON = 0x10 };

// Hit-test answers (WM_NCHITTEST).
enum : LRESULT {
    HTNOWHERE = 0, HTCLIENT = 1, HTCAPTION = 2,
    HTLEFT = 10, HTRIGHT = 11, HTTOP = 12, HTTOPLEFT = 13, HTTOPRIGHT = 14,
    HTBOTTOM = 15, HTBOTTOMLEFT = 16, HTBOTTOMRIGHT = 17,
};

// Window styles the windows honour.
enum : uint32_t {
    WS_POPUP = 0x80000000u,
    WS_CHILD = 0x40000000u,
    WS_VISIBLE = 0x10000000u,
    WS_DISABLED = 0x08000000u,
    WS_CLIPSIBLINGS = 0x04000000u,
    WS_CLIPCHILDREN = 0x02000000u,
    WS_TABSTOP = 0x00010000u,
    BS_OWNERDRAW = 0x0000000Bu,
};
// Extended style: a top-level window that stays above others and takes no
// focus (tooltips, popup menus).
enum : uint32_t { WS_EX_TOPMOST = 0x00000008u, WS_EX_TOOLWINDOW = 0x00000080u };

// ShowWindow commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWNOACTIVATE = 4, SW_SHOW = 5, SW_SHOWNA = 8 };

// SetWindowPos flags.
enum : UINT {
    SWP_NOSIZE = 0x0001, SWP_NOMOVE = 0x0002, SWP_NOZORDER = 0x0004, SWP_NOREDRAW = 0x0008,
    SWP_NOACTIVATE = 0x0010, SWP_SHOWWINDOW = 0x0040, SWP_HIDEWINDOW = 0x0080,
};

// WM_SIZE kinds.
enum : WPARAM { SIZE_RESTORED = 0 };

// WM_GETDLGCODE answers (wParam: the key): a control that wants the key
// for itself (an open drop-down list) answers DLGC_WANTALLKEYS, and its
// dialog leaves Return and Escape to it.
enum : LRESULT { DLGC_WANTALLKEYS = 0x0004 };

// Commands: dialog results and buttons.
enum : int { IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7, IDCLOSE = 8 };
// Notification codes in WM_COMMAND (high word of wParam).
enum : UINT { BN_CLICKED = 0 };
// Notification codes in WM_NOTIFY.
enum : int { NM_RELEASEDCAPTURE = -16 };

// TrackMouseEvent flags.
enum : uint32_t { TME_HOVER = 0x1, TME_LEAVE = 0x2, TME_CANCEL = 0x80000000u };
constexpr int HOVER_DEFAULT = -1;

// Virtual keys the windows react to.
enum : WPARAM {
    VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
    VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
    VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_DELETE = 0x2E,
    VK_F1 = 0x70,
};

// The header a WM_NOTIFY's lParam points to.
struct NMHDR {
    WindowHandle hwndFrom = 0;
    uintptr_t idFrom = 0;
    int code = 0;
};

// What WM_WINDOWPOSCHANGING and WM_WINDOWPOSCHANGED point to; a handler of
// the first may change x, y, cx and cy before the move happens.
struct WINDOWPOS {
    WindowHandle hwnd = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    UINT flags = 0;
};

// Packing helpers.
constexpr LPARAM MAKELPARAM(int lo, int hi)
{
    return static_cast<LPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(lo)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16));
}
constexpr WPARAM MAKEWPARAM(int lo, int hi)
{
    return static_cast<WPARAM>(static_cast<uint32_t>(static_cast<uint16_t>(lo)) |
                               (static_cast<uint32_t>(static_cast<uint16_t>(hi)) << 16));
}
constexpr int LOWORD(uintptr_t v) { return static_cast<int>(v & 0xFFFF); }
constexpr int HIWORD(uintptr_t v) { return static_cast<int>((v >> 16) & 0xFFFF); }
// Mouse coordinates are signed (a captured drag can go left of a window).
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<int16_t>(lp & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<int16_t>((lp >> 16) & 0xFFFF); }
constexpr Point PointFromLParam(LPARAM lp) { return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
constexpr LPARAM LParamFromPoint(Point p) { return MAKELPARAM(p.x, p.y); }

constexpr bool IsMouseMessage(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }

}  // namespace platform
