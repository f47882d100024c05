// The pointer and the keyboard: which window gets each event, capture,
// hover and leave tracking, double clicks, and dragging a window by its
// caption.
#include <algorithm>
#include <cstdlib>

#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

#include <glib.h>

namespace platform {
namespace {

constexpr int kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;
constexpr int kHoverSlop = 4;  // pixels the pointer may wander while resting

// The deepest visible, enabled window under a point of 'w' (client
// coordinates), topmost sibling first; null outside the window or its shape.
Window* HitTest(Window& w, Point p)
{
    const WindowState& s = WindowAccess::S(w);
    if (!w.GetClientRect().Contains(p))
        return nullptr;
    if (s.region && !s.region->Contains(p))
        return nullptr;
    for (auto it = s.children.rbegin(); it != s.children.rend(); ++it) {
        Window* c = *it;
        const WindowState& cs = WindowAccess::S(*c);
        if (!cs.visible)
            continue;
        if (!cs.rect.Contains(p))
            continue;
        if (!cs.enabled)
            return nullptr;  // a disabled control swallows the pointer
        if (Window* hit = HitTest(*c, {p.x - cs.rect.left, p.y - cs.rect.top}))
            return hit;
    }
    return &w;
}

uint32_t KeysWithButtons(uint32_t keys)
{
    return (keys & ~(MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) | Ui().buttons;
}

void Deliver(Window& target, UINT msg, WPARAM wp, LPARAM lp)
{
    const WindowHandle h = target.GetSafeHwnd();
    Message m{h, msg, wp, lp};
    for (Window* w = &target; w; w = w->GetParent()) {
        WindowHandle wh = w->GetSafeHwnd();
        if (w->PreTranslateMessage(m))
            return;
        if (!Window::FromHandle(wh))
            break;
        if (w->IsTopLevel())
            break;
    }
    if (Window* t = Window::FromHandle(h))
        t->SendMessage(m.message, m.wParam, m.lParam);
}

void PostLeave(WindowState& s)
{
    s.trackFlags = 0;
    CancelHover(s);
    PostMessage(s.handle, WM_MOUSELEAVE, 0, 0);
}

// The window under the pointer changed (or was re-checked): windows that
// asked for a leave and are no longer under it get it, unless they hold
// the capture.
void UpdateUnder(Window* now)
{
    UiState& ui = Ui();
    const WindowHandle nowHandle = now ? now->GetSafeHwnd() : 0;
    for (auto& [handle, w] : ui.windows) {
        WindowState& s = WindowAccess::S(*w);
        if (!(s.trackFlags & TME_LEAVE) || handle == nowHandle || handle == ui.capture)
            continue;
        PostLeave(s);
    }
    ui.under = nowHandle;
}

void StartHoverTimer(WindowState& s)
{
    CancelHover(s);
    const WindowHandle h = s.handle;
    s.hoverSource = g_timeout_add_full(
        G_PRIORITY_DEFAULT, static_cast<guint>(std::max(s.hoverTime, 1)),
        [](gpointer data) -> gboolean {
            const auto handle = static_cast<WindowHandle>(GPOINTER_TO_UINT(data));
            Window* w = Window::FromHandle(handle);
            if (!w)
                return G_SOURCE_REMOVE;
            WindowState& ws = WindowAccess::S(*w);
            ws.hoverSource = 0;
            UiState& ui = Ui();
            if ((ws.trackFlags & TME_HOVER) && (ui.under == handle || ui.capture == handle)) {
                ws.trackFlags &= ~TME_HOVER;
                Point p = w->ScreenToClient(ui.cursor);
                PostMessage(handle, WM_MOUSEHOVER, KeysWithButtons(0), LParamFromPoint(p));
            }
            return G_SOURCE_REMOVE;
        },
        GUINT_TO_POINTER(h), nullptr);
}

// The window a pointer event at 'client' of 'top' goes to: the capture's
// holder, else the window under the pointer (which is recorded, sending
// leaves where they are due). Null when neither is there.
Window* PointerTarget(Window& top, Point client)
{
    Window* under = top.IsWindowEnabled() ? HitTest(top, client) : nullptr;
    UpdateUnder(under);
    Window* target = Window::FromHandle(Ui().capture);
    return target ? target : under;
}

void DragTo(Window& top, Point cursor)
{
    UiState& ui = Ui();
    Rect r = ui.dragStartRect.Offset(cursor.x - ui.dragStartCursor.x, cursor.y - ui.dragStartCursor.y);
    const WindowHandle h = top.GetSafeHwnd();
    top.SendMessage(WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    if (Window::FromHandle(h) == &top)
        top.SetWindowPos(r.left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows over a sizing edge that a press there resizes, as the desktop
// does for framed windows. False when the target went away meanwhile.
bool PointerShapeFollows(Window& top, Window& target)
{
    const WindowHandle h = target.GetSafeHwnd();
    const LRESULT hit = target.SendMessage(WM_NCHITTEST, 0, LParamFromPoint(Ui().cursor));
    if (!Window::FromHandle(h))
        return false;
    TopLevelState* t = WindowAccess::S(top).top.get();
    if (t && t->host)
        t->host->SetPointerShape(hit);
    return true;
}

}  // namespace

void CancelHover(WindowState& s)
{
    if (s.hoverSource) {
        g_source_remove(s.hoverSource);
        s.hoverSource = 0;
    }
}

void RouteMouseMove(Window& top, Point client, uint32_t keys)
{
    UiState& ui = Ui();
    if (!top.IsWindow())
        return;
    ui.cursor = top.ClientToScreen(client);
    if (ui.dragging) {
        if (Window* dragged = Window::FromHandle(ui.dragging)) {
            DragTo(*dragged, ui.cursor);
            return;
        }
        ui.dragging = 0;
    }
    if (ui.sizing) {
        if (Window* sized = Window::FromHandle(ui.sizing)) {
            SizeTo(*sized, ui.cursor);
            return;
        }
        ui.sizing = 0;
    }
    Window* target = PointerTarget(top, client);
    if (!target)
        return;
    WindowState& ts = WindowAccess::S(*target);
    const Point p = target->ScreenToClient(ui.cursor);
    if ((ts.trackFlags & TME_HOVER) && ts.hoverSource &&
        (std::abs(p.x - ts.hoverOrigin.x) > kHoverSlop || std::abs(p.y - ts.hoverOrigin.y) > kHoverSlop)) {
        ts.hoverOrigin = p;
        StartHoverTimer(ts);
    }
    if (!ui.capture && !PointerShapeFollows(top, *target))
        return;
    Deliver(*target, WM_MOUSEMOVE, KeysWithButtons(keys), LParamFromPoint(p));
}

void RouteMouseButton(Window& top, int button, bool down, Point client, uint32_t keys, int64_t timeMs)
{
    UiState& ui = Ui();
    if (!top.IsWindow())
        return;
    const uint32_t flag = button == 1 ? MK_LBUTTON : button == 3 ? MK_RBUTTON : MK_MBUTTON;
    ui.cursor = top.ClientToScreen(client);
    if (down)
        ui.buttons |= flag;
    else
        ui.buttons &= ~flag;
    if (!down && ui.dragging && button == 1) {
        ui.dragging = 0;
        return;
    }
    if (!down && ui.sizing && button == 1) {
        ui.sizing = 0;
        return;
    }
    Window* target = PointerTarget(top, client);
    if (!target)
        return;
    const UINT base = button == 1 ? WM_LBUTTONDOWN : button == 3 ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    const Point p = target->ScreenToClient(ui.cursor);
    const WindowHandle h = target->GetSafeHwnd();
    if (!ui.capture) {
        LRESULT hit = target->SendMessage(WM_NCHITTEST, 0, LParamFromPoint(ui.cursor));
        if (!Window::FromHandle(h))
            return;
        if (hit != HTCLIENT) {
            if (down && button == 1)
                Deliver(*target, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), LParamFromPoint(ui.cursor));
            return;
        }
    }
    if (!down) {
        Deliver(*target, base + 1, KeysWithButtons(keys), LParamFromPoint(p));
        return;
    }
    UINT msg = base;
    if (WindowAccess::DoubleClicks(*target) && ui.lastClickWindow == h && ui.lastClickButton == base &&
        timeMs - ui.lastClickTimeMs <= kDoubleClickMs && std::abs(ui.cursor.x - ui.lastClickPos.x) <= kDoubleClickSlop &&
        std::abs(ui.cursor.y - ui.lastClickPos.y) <= kDoubleClickSlop) {
        msg = base + 2;
        ui.lastClickWindow = 0;  // a third click starts a new pair
    } else {
        ui.lastClickWindow = h;
        ui.lastClickButton = base;
        ui.lastClickTimeMs = timeMs;
        ui.lastClickPos = ui.cursor;
    }
    Deliver(*target, msg, KeysWithButtons(keys), LParamFromPoint(p));
}

void RoutePointerLeft(Window& top)
{
    UiState& ui = Ui();
    Window* under = Window::FromHandle(ui.under);
    if (under && under->GetTopLevel() == &top)
        UpdateUnder(nullptr);
}

void RouteKey(Window& top, bool down, WPARAM vk, uint32_t ch, bool alt, uint32_t modifiers)
{
    UiState& ui = Ui();
    ui.keyModifiers = modifiers & (MK_SHIFT | MK_CONTROL);
    Window* target = Window::FromHandle(ui.focus);
    if (!target || target->GetTopLevel() != &top)
        target = &top;
    if (!top.IsWindowEnabled())
        return;
    const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
    const WindowHandle h = target->GetSafeHwnd();
    Deliver(*target, msg, vk, 1);
    if (down && ch && !alt && Window::FromHandle(h))
        Deliver(*target, WM_CHAR, ch, 1);
}

void RouteCloseRequest(Window& top)
{
    if (top.IsWindowEnabled())
        top.SendMessage(WM_CLOSE);
}

void RouteDesktopMove(Window& top, Point screenTopLeft)
{
    WindowState& s = WindowAccess::S(top);
    if (s.rect.left == screenTopLeft.x && s.rect.top == screenTopLeft.y)
        return;
    s.rect = RectOfSize(screenTopLeft.x, screenTopLeft.y, s.rect.Width(), s.rect.Height());
    top.SendMessage(WM_MOVE, 0, MAKELPARAM(screenTopLeft.x, screenTopLeft.y));
}

void ForgetWindowInput(Window& w)
{
    UiState& ui = Ui();
    WindowState& s = WindowAccess::S(w);
    CancelHover(s);
    s.trackFlags = 0;
    if (ui.capture == s.handle)
        ui.capture = 0;
    if (ui.focus == s.handle)
        ui.focus = 0;
    if (ui.under == s.handle)
        ui.under = 0;
    if (ui.dragging == s.handle)
        ui.dragging = 0;
    if (ui.sizing == s.handle)
        ui.sizing = 0;
    if (ui.lastClickWindow == s.handle)
        ui.lastClickWindow = 0;
}

Window* Window::SetCapture()
{
    UiState& ui = Ui();
    Window* previous = FromHandle(ui.capture);
    if (!s_->alive)
        return previous;
    ui.capture = s_->handle;
    if (previous && previous != this)
        previous->SendMessage(WM_CAPTURECHANGED, 0, static_cast<LPARAM>(s_->handle));
    return previous;
}

bool Window::ReleaseCapture()
{
    UiState& ui = Ui();
    Window* holder = FromHandle(ui.capture);
    ui.capture = 0;
    if (!holder)
        return true;
    holder->SendMessage(WM_CAPTURECHANGED, 0, 0);
    // A leave that waited for the capture to end comes now.
    if (holder->IsWindow() && ui.under != holder->GetSafeHwnd() &&
        (WindowAccess::S(*holder).trackFlags & TME_LEAVE))
        PostLeave(WindowAccess::S(*holder));
    return true;
}

Window* Window::GetCapture()
{
    return FromHandle(Ui().capture);
}

bool Window::TrackMouseEvent(uint32_t flags, int hoverTimeMs)
{
    if (!s_->alive)
        return false;
    UiState& ui = Ui();
    if (flags & TME_CANCEL) {
        s_->trackFlags &= ~flags;
        if (flags & TME_HOVER)
            CancelHover(*s_);
        return true;
    }
    const bool over = ui.under == s_->handle;
    if ((flags & TME_LEAVE) && !over && ui.capture != s_->handle) {
        PostLeave(*s_);
        return true;
    }
    s_->trackFlags |= flags & (TME_HOVER | TME_LEAVE);
    if (flags & TME_HOVER) {
        s_->hoverTime = hoverTimeMs == HOVER_DEFAULT ? 400 : hoverTimeMs;
        s_->hoverOrigin = ScreenToClient(ui.cursor);
        StartHoverTimer(*s_);
    }
    return true;
}

void Window::SetFocus()
{
    UiState& ui = Ui();
    if (!s_->alive || ui.focus == s_->handle)
        return;
    Window* old = FromHandle(ui.focus);
    const WindowHandle oldHandle = old ? old->GetSafeHwnd() : 0;
    ui.focus = s_->handle;
    if (old)
        old->SendMessage(WM_KILLFOCUS, static_cast<WPARAM>(s_->handle), 0);
    Window* top = GetTopLevel();
    if (top && WindowAccess::S(*top).top && WindowAccess::S(*top).top->host)
        WindowAccess::S(*top).top->host->GrabKeyboardFocus();
    SendMessage(WM_SETFOCUS, oldHandle, 0);
    // Controls show whether they have the focus: both are drawn anew.
    for (WindowHandle h : {oldHandle, s_->handle})
        if (Window* w = FromHandle(h); w && !w->IsTopLevel())
            w->Invalidate(false);
}

Window* Window::GetFocus()
{
    return FromHandle(Ui().focus);
}

uint32_t Window::GetKeyModifiers()
{
    return Ui().keyModifiers;
}

}  // namespace platform
