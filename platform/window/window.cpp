// Window lifetime, the tree, geometry and state.
#include <algorithm>
#include <cassert>

#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

namespace platform {

UiState& Ui()
{
    static UiState state;
    return state;
}

bool OnUiThread()
{
    return Ui().initialised && std::this_thread::get_id() == Ui().thread;
}

namespace {

// Owned top-level windows go with their owner, as children do.
void DestroyChildrenAndOwned(Window& w)
{
    for (Window* child : std::vector<Window*>(WindowAccess::S(w).children))
        child->DestroyWindow();
    for (Window* owned : std::vector<Window*>(Ui().topLevels))
        if (owned != &w && WindowAccess::S(*owned).parent == &w)
            owned->DestroyWindow();
}

// Leaves no trace of a window that goes: its timers, pointer and keyboard
// state, modal loops, its place among its parent's children, and its
// handle.
void Forget(Window& w)
{
    UiState& ui = Ui();
    WindowState& s = WindowAccess::S(w);
    KillAllTimers(w);
    ForgetWindowInput(w);
    EndModalLoopsOf(s.handle);
    if (s.parent && !s.top) {
        auto& sib = WindowAccess::S(*s.parent).children;
        sib.erase(std::remove(sib.begin(), sib.end(), &w), sib.end());
    }
    ui.topLevels.erase(std::remove(ui.topLevels.begin(), ui.topLevels.end(), &w), ui.topLevels.end());
    ui.windows.erase(s.handle);
    {
        std::lock_guard<std::mutex> lock(ui.liveMutex);
        ui.live.erase(s.handle);
    }
    s.top.reset();
}

}  // namespace

Window::Window() : s_(std::make_unique<WindowState>())
{
    s_->self = this;
}

Window::~Window()
{
    if (!s_->alive)
        return;
    // The derived parts of this object are gone already, so no handler of
    // ours may run: the children and owned windows get a proper destruction
    // (their objects are whole), this window a silent one.
    DestroyChildrenAndOwned(*this);
    Forget(*this);
    s_->alive = false;
}

bool Window::CreateEx(uint32_t exStyle, const std::string& className, const std::string& title, uint32_t style,
                      const Rect& rect, Window* parent, int id)
{
    UiState& ui = Ui();
    if (!OnUiThread() || s_->alive)
        return false;
    const bool child = (style & WS_CHILD) && parent && parent->IsWindow();
    if ((style & WS_CHILD) && !child)
        return false;

    s_->handle = ui.nextHandle++;
    s_->postHandle = s_->handle;
    s_->alive = true;
    s_->destroying = false;
    s_->parent = (parent && parent->IsWindow()) ? parent : nullptr;
    s_->className = className;
    s_->title = title;
    s_->style = style & ~WS_VISIBLE;
    s_->exStyle = exStyle;
    s_->id = id;
    s_->rect = {rect.left, rect.top, std::max(rect.right, rect.left), std::max(rect.bottom, rect.top)};
    s_->visible = false;
    s_->enabled = !(style & WS_DISABLED);
    s_->update = {};
    s_->erase = false;
    s_->inPaint = false;
    s_->paintClip = nullptr;
    s_->trackFlags = 0;
    s_->region.reset();
    ui.windows[s_->handle] = this;
    {
        std::lock_guard<std::mutex> lock(ui.liveMutex);
        ui.live.insert(s_->handle);
    }
    if (child) {
        WindowAccess::S(*parent).children.push_back(this);
    } else {
        s_->top = std::make_unique<TopLevelState>();
        ResizeBackBuffer(*this);
        ui.topLevels.push_back(this);
        if (ui.display)
            s_->top->host = CreateDesktopHost(*this);
    }

    const WindowHandle handle = s_->handle;
    CreateParams params{exStyle, className, title, style, rect, s_->parent ? s_->parent->GetSafeHwnd() : 0, id};
    if (SendMessage(WM_CREATE, 0, reinterpret_cast<LPARAM>(&params)) == -1) {
        if (FromHandle(handle) == this)
            DestroyWindow();
        return false;
    }
    if (FromHandle(handle) != this)
        return false;
    if (style & WS_VISIBLE)
        ShowWindow(SW_SHOW);
    return true;
}

bool Window::DestroyWindow()
{
    if (!s_->alive || s_->destroying)
        return false;
    s_->destroying = true;
    const bool wasVisible = IsWindowVisible();
    if (wasVisible && !IsTopLevel())
        InvalidateArea(*s_->parent->GetTopLevel(), RectInTop(*this).Offset(0, 0));
    if (s_->top && s_->top->host)
        s_->top->host->SetVisible(false);
    s_->visible = false;

    SendMessage(WM_DESTROY);
    DestroyChildrenAndOwned(*this);
    SendMessage(WM_NCDESTROY);

    Forget(*this);
    s_->parent = nullptr;
    s_->alive = false;
    s_->destroying = false;
    PostNcDestroy();
    return true;
}

WindowHandle Window::GetSafeHwnd() const { return s_->alive ? s_->handle : 0; }
bool Window::IsWindow() const { return s_->alive; }

Window* Window::FromHandle(WindowHandle handle)
{
    if (!OnUiThread() || handle == 0)
        return nullptr;
    auto it = Ui().windows.find(handle);
    return it == Ui().windows.end() ? nullptr : it->second;
}

Window* Window::GetParent() const { return s_->parent; }

Window* Window::GetTopLevel()
{
    Window* w = this;
    while (w && !WindowAccess::S(*w).top && WindowAccess::S(*w).parent)
        w = WindowAccess::S(*w).parent;
    return w;
}

bool Window::IsTopLevel() const { return s_->top != nullptr; }
std::vector<Window*> Window::GetChildren() const { return s_->children; }

Window* Window::GetDlgItem(int id) const
{
    for (Window* c : s_->children)
        if (WindowAccess::S(*c).id == id)
            return c;
    return nullptr;
}

int Window::GetDlgCtrlID() const { return s_->id; }
void Window::SetDlgCtrlID(int id) { s_->id = id; }
const std::string& Window::GetClassName() const { return s_->className; }

Rect Window::GetClientRect() const { return {0, 0, s_->rect.Width(), s_->rect.Height()}; }
Rect Window::GetRectInParent() const { return s_->rect; }

Rect Window::GetWindowRect() const
{
    return ClientToScreen(GetClientRect());
}

Point Window::ClientToScreen(Point p) const
{
    const WindowState* s = s_.get();
    while (s) {
        p.x += s->rect.left;
        p.y += s->rect.top;
        if (s->top || !s->parent)
            break;
        s = &WindowAccess::S(*s->parent);
    }
    return p;
}

Point Window::ScreenToClient(Point p) const
{
    Point origin = ClientToScreen(Point{0, 0});
    return {p.x - origin.x, p.y - origin.y};
}

Rect Window::ClientToScreen(const Rect& r) const
{
    Point o = ClientToScreen(Point{0, 0});
    return r.Offset(o.x, o.y);
}

Rect Window::ScreenToClient(const Rect& r) const
{
    Point o = ClientToScreen(Point{0, 0});
    return r.Offset(-o.x, -o.y);
}

bool Window::MoveWindow(const Rect& r, bool repaint)
{
    return SetWindowPos(r.left, r.top, r.Width(), r.Height(), SWP_NOZORDER | (repaint ? 0u : static_cast<UINT>(SWP_NOREDRAW)));
}

bool Window::SetWindowPos(int x, int y, int cx, int cy, UINT flags)
{
    if (!s_->alive)
        return false;
    const WindowHandle handle = s_->handle;
    WINDOWPOS pos{handle, x, y, std::max(cx, 0), std::max(cy, 0), flags};
    if (flags & SWP_NOMOVE) {
        pos.x = s_->rect.left;
        pos.y = s_->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        pos.cx = s_->rect.Width();
        pos.cy = s_->rect.Height();
    }
    SendMessage(WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    if (FromHandle(handle) != this)
        return false;
    const Rect old = s_->rect;
    const Rect now = RectOfSize(pos.x, pos.y, std::max(pos.cx, 0), std::max(pos.cy, 0));
    const bool moved = now.left != old.left || now.top != old.top;
    const bool sized = now.Width() != old.Width() || now.Height() != old.Height();
    if (moved || sized) {
        const bool shown = IsWindowVisible();
        Window* top = GetTopLevel();
        if (shown && !s_->top)
            InvalidateArea(*top, RectInTop(*this));
        s_->rect = now;
        if (s_->top) {
            if (sized) {
                ResizeBackBuffer(*this);
                Invalidate(true);
            }
            if (s_->top->host)
                s_->top->host->SetGeometry(now);
        } else if (shown && !(pos.flags & SWP_NOREDRAW)) {
            InvalidateArea(*top, RectInTop(*this));
        }
        if (moved)
            SendMessage(WM_MOVE, 0, MAKELPARAM(now.left, now.top));
        if (sized && FromHandle(handle) == this)
            SendMessage(WM_SIZE, SIZE_RESTORED, MAKELPARAM(now.Width(), now.Height()));
    }
    if (FromHandle(handle) != this)
        return true;
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    else if (flags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    if (FromHandle(handle) == this)
        SendMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return true;
}

void Window::CenterWindow()
{
    if (!s_->alive || !s_->top)
        return;
    const Rect area = (s_->parent && s_->parent->IsWindow()) ? s_->parent->GetWindowRect() : GetScreenRect();
    const int w = s_->rect.Width();
    const int h = s_->rect.Height();
    // Over an owner near the screen's edge, the window still shows whole.
    const Rect centred = KeepInside(RectOfSize(area.left + (area.Width() - w) / 2, area.top + (area.Height() - h) / 2,
                                               w, h),
                                    GetWorkAreaNear(area));
    SetWindowPos(centred.left, centred.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

bool Window::ShowWindow(int cmd)
{
    if (!s_->alive)
        return false;
    const bool was = s_->visible;
    const bool show = cmd != SW_HIDE;
    if (was == show)
        return was;
    const WindowHandle handle = s_->handle;
    SendMessage(WM_SHOWWINDOW, show ? 1 : 0, 0);
    if (FromHandle(handle) != this)
        return was;
    if (!show && !s_->top && IsWindowVisible())
        InvalidateArea(*GetTopLevel(), RectInTop(*this));
    s_->visible = show;
    if (show)
        s_->style |= WS_VISIBLE;
    else
        s_->style &= ~WS_VISIBLE;
    if (s_->top) {
        // Children made or moved while the window was hidden have never
        // been painted: a shown window paints its whole tree.
        if (show)
            InvalidateArea(*this, RectInTop(*this));
        if (s_->top->host) {
            if (show)
                PaintTopLevel(*this);
            s_->top->host->SetVisible(show);
        }
    } else if (show && IsWindowVisible()) {
        InvalidateArea(*GetTopLevel(), RectInTop(*this));
    }
    if (!show) {
        // A hidden window cannot keep the pointer or the keyboard.
        UiState& ui = Ui();
        if (ui.capture == handle)
            ReleaseCapture();
        if (ui.focus == handle)
            ui.focus = 0;
    }
    return was;
}

bool Window::IsWindowVisible() const
{
    const WindowState* s = s_.get();
    while (s) {
        if (!s->alive || !s->visible)
            return false;
        if (s->top || !s->parent)
            return true;
        s = &WindowAccess::S(*s->parent);
    }
    return false;
}

bool Window::EnableWindow(bool enable)
{
    const bool wasDisabled = !s_->enabled;
    if (!s_->alive || s_->enabled == enable)
        return wasDisabled;
    s_->enabled = enable;
    if (enable)
        s_->style &= ~WS_DISABLED;
    else
        s_->style |= WS_DISABLED;
    if (!enable) {
        UiState& ui = Ui();
        if (ui.capture == s_->handle)
            ReleaseCapture();
    }
    if (s_->top && s_->top->host)
        s_->top->host->SetSensitive(enable);
    SendMessage(WM_ENABLE, enable ? 1 : 0, 0);
    return wasDisabled;
}

bool Window::IsWindowEnabled() const { return s_->alive && s_->enabled; }
uint32_t Window::GetStyle() const { return s_->style; }
uint32_t Window::GetExStyle() const { return s_->exStyle; }

std::string Window::GetWindowText() const { return s_->title; }

void Window::SetWindowText(const std::string& text)
{
    s_->title = text;
    if (s_->top && s_->top->host)
        s_->top->host->SetTitle(text);
}

void Window::BringWindowToTop()
{
    if (!s_->alive)
        return;
    if (s_->top) {
        UiState& ui = Ui();
        ui.topLevels.erase(std::remove(ui.topLevels.begin(), ui.topLevels.end(), this), ui.topLevels.end());
        ui.topLevels.push_back(this);
        if (s_->top->host)
            s_->top->host->Raise();
        return;
    }
    auto& sib = WindowAccess::S(*s_->parent).children;
    sib.erase(std::remove(sib.begin(), sib.end(), this), sib.end());
    sib.push_back(this);
    if (IsWindowVisible())
        InvalidateArea(*GetTopLevel(), RectInTop(*this));
}

LRESULT Window::SendCommandToParent(UINT code)
{
    Window* parent = GetParent();
    if (!parent)
        return 0;
    return parent->SendMessage(WM_COMMAND, MAKEWPARAM(s_->id, static_cast<int>(code)),
                               static_cast<LPARAM>(GetSafeHwnd()));
}

LRESULT Window::SendNotifyToParent(int code)
{
    Window* parent = GetParent();
    if (!parent)
        return 0;
    NMHDR hdr{GetSafeHwnd(), static_cast<uintptr_t>(s_->id), code};
    return parent->SendMessage(WM_NOTIFY, static_cast<WPARAM>(s_->id), reinterpret_cast<LPARAM>(&hdr));
}

}  // namespace platform
