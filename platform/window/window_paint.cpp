// Invalidation and painting: every window paints into its top-level's back
// buffer, bottom to top, each clipped to what of it is visible.
#include <algorithm>

#include "platform/draw/dc.h"
#include "platform/window/paint_dc.h"
#include "platform/window/window_internal.h"

#include <glib.h>

namespace platform {
namespace {

// A paint that triggers more invalidation is repainted in the same round,
// a few times at most.
constexpr int kMaxPaintRounds = 4;

void CollectPaintOrder(Window& w, std::vector<Window*>& out)
{
    out.push_back(&w);
    for (Window* c : WindowAccess::S(w).children)
        CollectPaintOrder(*c, out);
}

}  // namespace

Rect RectInTop(const Window& w)
{
    Rect r = w.GetClientRect();
    const WindowState* s = &WindowAccess::S(w);
    while (!s->top && s->parent) {
        r = r.Offset(s->rect.left, s->rect.top);
        s = &WindowAccess::S(*s->parent);
    }
    return r;
}

Region VisibleRegion(const Window& w)
{
    const WindowState& ws = WindowAccess::S(w);
    if (!w.IsWindowVisible())
        return {};
    Region region(RectInTop(w));
    if (ws.region) {
        Region shaped = *ws.region;
        Rect origin = RectInTop(w);
        shaped.Offset(origin.left, origin.top);
        Region kept;
        for (const Rect& a : region.Rects())
            for (const Rect& b : shaped.Rects())
                kept.AddDisjoint(a.Intersect(b));
        region = kept;
    }
    // Children are never painted over by their parent.
    for (Window* c : ws.children)
        if (WindowAccess::S(*c).visible)
            region.Subtract(RectInTop(*c));
    // Each ancestor level: clipped to the parent, and siblings above cut out.
    const Window* cur = &w;
    while (!WindowAccess::S(*cur).top && WindowAccess::S(*cur).parent) {
        const Window* parent = WindowAccess::S(*cur).parent;
        region.Intersect(RectInTop(*parent));
        const auto& sib = WindowAccess::S(*parent).children;
        auto it = std::find(sib.begin(), sib.end(), cur);
        if (it != sib.end())
            for (++it; it != sib.end(); ++it)
                if (WindowAccess::S(**it).visible)
                    region.Subtract(RectInTop(**it));
        cur = parent;
    }
    return region;
}

void InvalidateArea(Window& top, const Rect& areaInTop)
{
    std::vector<Window*> order;
    CollectPaintOrder(top, order);
    for (Window* w : order) {
        if (!w->IsWindowVisible())
            continue;
        Rect own = RectInTop(*w);
        Rect part = own.Intersect(areaInTop);
        if (part.IsEmpty())
            continue;
        w->InvalidateRect(part.Offset(-own.left, -own.top), true);
    }
}

void Window::Invalidate(bool erase)
{
    InvalidateRect(GetClientRect(), erase);
}

void Window::InvalidateRect(const Rect& r, bool erase)
{
    if (!s_->alive)
        return;
    Rect part = r.Intersect(GetClientRect());
    if (part.IsEmpty())
        return;
    s_->update = s_->update.Union(part);
    s_->erase = s_->erase || erase;
    SchedulePaint();
}

void SchedulePaint()
{
    UiState& ui = Ui();
    if (ui.paintSource || !ui.initialised)
        return;
    // Painting runs when the loop is idle, after input and posted messages,
    // but before the desktop redraws the frame.
    GSource* src = g_idle_source_new();
    g_source_set_priority(src, G_PRIORITY_HIGH_IDLE + 10);
    g_source_set_can_recurse(src, TRUE);
    g_source_set_callback(
        src,
        [](gpointer) -> gboolean {
            Ui().paintSource = 0;
            PaintAllPending();
            return G_SOURCE_REMOVE;
        },
        nullptr, nullptr);
    ui.paintSource = g_source_attach(src, nullptr);
    g_source_unref(src);
}

void PaintAllPending()
{
    for (Window* top : std::vector<Window*>(Ui().topLevels))
        if (Window::FromHandle(top->GetSafeHwnd()) == top)
            PaintTopLevel(*top);
}

void PaintTopLevel(Window& top)
{
    WindowState& ts = WindowAccess::S(top);
    if (!ts.alive || !ts.top)
        return;
    const WindowHandle topHandle = ts.handle;
    for (int round = 0; round < kMaxPaintRounds; ++round) {
        std::vector<Window*> order;
        CollectPaintOrder(top, order);
        std::vector<WindowHandle> handles;
        for (Window* w : order)
            if (!WindowAccess::S(*w).update.IsEmpty())
                handles.push_back(w->GetSafeHwnd());
        if (handles.empty())
            break;
        for (WindowHandle h : handles) {
            Window* w = Window::FromHandle(h);
            if (!w || Window::FromHandle(topHandle) != &top)
                continue;
            WindowState& s = WindowAccess::S(*w);
            const Rect update = s.update;
            const bool erase = s.erase;
            s.update = {};
            s.erase = false;
            if (!w->IsWindowVisible() || update.IsEmpty())
                continue;
            Region clip = VisibleRegion(*w);
            const Rect own = RectInTop(*w);
            clip.Intersect(update.Offset(own.left, own.top));
            if (clip.IsEmpty())
                continue;
            s.paintClip = &clip;
            s.inPaint = true;
            if (erase) {
                DC dc;
                dc.Attach(&ts.top->back, own.TopLeft(), &clip);
                w->SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(&dc), 0);
            }
            if (Window::FromHandle(h) == w)
                w->SendMessage(WM_PAINT);
            if (Window::FromHandle(h) == w) {
                s.inPaint = false;
                s.paintClip = nullptr;
            }
            if (Window::FromHandle(topHandle) == &top)
                ts.top->pendingPresent = ts.top->pendingPresent.Union(clip.Bounds());
        }
    }
    if (Window::FromHandle(topHandle) == &top)
        PresentPending(top, false);
}

void PresentPending(Window& top, bool now)
{
    WindowState& ts = WindowAccess::S(top);
    if (!ts.top || ts.top->pendingPresent.IsEmpty())
        return;
    const Rect area = ts.top->pendingPresent;
    ts.top->pendingPresent = {};
    if (!ts.top->host)
        return;
    if (now)
        ts.top->host->PresentNow(area);
    else
        ts.top->host->Present(area);
}

void ResizeBackBuffer(Window& top)
{
    WindowState& ts = WindowAccess::S(top);
    Bitmap fresh(ts.rect.Width(), ts.rect.Height());
    if (!ts.top->back.IsNull()) {
        DC dc(fresh);
        dc.BitBlt(0, 0, fresh.Width(), fresh.Height(), ts.top->back, 0, 0);
    }
    ts.top->back = std::move(fresh);
}

void Window::UpdateWindow()
{
    Window* top = GetTopLevel();
    if (!top || !top->IsWindow())
        return;
    PaintTopLevel(*top);
    PresentPending(*top, true);
}

void Window::SetWindowRgn(std::optional<Region> region, bool redraw)
{
    if (!s_->alive)
        return;
    if (region)
        region->Intersect(GetClientRect());
    s_->region = std::move(region);
    if (s_->top && s_->top->host)
        s_->top->host->SetShape(s_->region ? &*s_->region : nullptr);
    if (redraw)
        Invalidate(true);
}

const Region* Window::GetWindowRgn() const
{
    return s_->region ? &*s_->region : nullptr;
}

void Window::SetBackgroundColour(COLORREF c)
{
    s_->background = c;
}

Bitmap Window::RenderToBitmap()
{
    Window* top = GetTopLevel();
    if (!s_->alive || !top)
        return {};
    PaintTopLevel(*top);
    const Bitmap& back = WindowAccess::S(*top).top->back;
    const Rect own = RectInTop(*this);
    Bitmap out(own.Width(), own.Height());
    DC dc(out);
    dc.BitBlt(0, 0, own.Width(), own.Height(), back, own.left, own.top);
    return out;
}

namespace {

// What a DC drew outside a paint cycle goes to the screen with the rest
// that waits there.
void PresentDrawn(Window& window, const Rect& drawn)
{
    Window* top = window.GetTopLevel();
    if (top && top->IsWindow()) {
        WindowState& ts = WindowAccess::S(*top);
        ts.top->pendingPresent = ts.top->pendingPresent.Union(drawn);
        PresentPending(*top, false);
    }
}

}  // namespace

PaintDC::PaintDC(Window& window) : window_(window)
{
    WindowState& s = WindowAccess::S(window);
    Window* top = window.GetTopLevel();
    if (!s.alive || !top)
        return;
    const Rect own = RectInTop(window);
    if (s.inPaint && s.paintClip) {
        Attach(&WindowAccess::S(*top).top->back, own.TopLeft(), s.paintClip);
        return;
    }
    // Outside a paint cycle: paint the pending update now, as one.
    outsidePaint_ = true;
    const Rect area = s.update.IsEmpty() ? window.GetClientRect() : s.update;
    Region clip = VisibleRegion(window);
    clip.Intersect(area.Offset(own.left, own.top));
    Attach(&WindowAccess::S(*top).top->back, own.TopLeft(), &clip);
    s.update = {};
    s.erase = false;
}

PaintDC::~PaintDC()
{
    if (!outsidePaint_ || !IsAttached())
        return;
    PresentDrawn(window_, clip_.Bounds());
}

ClientDC::ClientDC(Window& window) : window_(window)
{
    Window* top = window.GetTopLevel();
    if (!window.IsWindow() || !top)
        return;
    Region clip = VisibleRegion(window);
    Attach(&WindowAccess::S(*top).top->back, RectInTop(window).TopLeft(), &clip);
}

ClientDC::~ClientDC()
{
    if (!IsAttached())
        return;
    PresentDrawn(window_, clip_.Bounds());
}

}  // namespace platform
