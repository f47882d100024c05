#include "platform/window/ui_loop.h"

#include <glib.h>

#include <algorithm>
#include <chrono>
#include <deque>

#include "platform/window/popup_menu.h"
#include "platform/window/window_internal.h"

namespace platform {

// desktop.cpp
bool OpenDesktop();
Rect DesktopScreenRect();
Rect DesktopWorkAreaAt(Point p);
bool DesktopCursorPos(Point& p);

namespace {

struct Posted {
    WindowHandle hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    void (*drop)(LPARAM);
};

// The queue other threads post into; a GSource on the UI thread's context
// delivers it, woken by g_main_context_wakeup.
struct PostQueue {
    std::mutex mutex;
    std::deque<Posted> items;
    GSource* source = nullptr;
    GMainContext* context = nullptr;
};

PostQueue& Queue()
{
    static PostQueue q;
    return q;
}

gboolean QueuePrepare(GSource*, gint* timeout)
{
    *timeout = -1;
    std::lock_guard<std::mutex> lock(Queue().mutex);
    return !Queue().items.empty();
}

gboolean QueueCheck(GSource*)
{
    std::lock_guard<std::mutex> lock(Queue().mutex);
    return !Queue().items.empty();
}

gboolean QueueDispatch(GSource*, GSourceFunc, gpointer)
{
    // Only what is queued now: a handler that posts again waits for the
    // next round, so input and painting are never starved.
    size_t n;
    {
        std::lock_guard<std::mutex> lock(Queue().mutex);
        n = Queue().items.size();
    }
    for (size_t i = 0; i < n; ++i) {
        Posted p;
        {
            std::lock_guard<std::mutex> lock(Queue().mutex);
            if (Queue().items.empty())
                break;
            p = Queue().items.front();
            Queue().items.pop_front();
        }
        if (Window* w = Window::FromHandle(p.hwnd))
            w->SendMessage(p.msg, p.wParam, p.lParam);
        else if (p.drop)
            p.drop(p.lParam);
    }
    return G_SOURCE_CONTINUE;
}

GSourceFuncs kQueueFuncs = {QueuePrepare, QueueCheck, QueueDispatch, nullptr, nullptr, nullptr};

// A nested loop of a window, or (hwnd 0, no loop) a foreign one that only
// its 'close' can end.
struct ModalLoop {
    WindowHandle hwnd;
    GMainLoop* loop;
    int code;
    bool ended;
    bool closeAsked = false;
    std::function<void()> close;
};

std::vector<ModalLoop*>& ModalLoops()
{
    static std::vector<ModalLoop*> loops;
    return loops;
}

}  // namespace

int64_t MonotonicMs()
{
    return g_get_monotonic_time() / 1000;
}

bool InitWindowing(DisplayMode mode)
{
    UiState& ui = Ui();
    if (ui.initialised)
        return ui.display;
    ui.thread = std::this_thread::get_id();
    ui.display = mode == DisplayMode::Auto && OpenDesktop();
    PostQueue& q = Queue();
    q.context = g_main_context_default();
    q.source = g_source_new(&kQueueFuncs, sizeof(GSource));
    // Posted messages keep flowing inside nested (modal) loops.
    g_source_set_can_recurse(q.source, TRUE);
    g_source_set_priority(q.source, G_PRIORITY_DEFAULT);
    g_source_attach(q.source, q.context);
    ui.initialised = true;
    return ui.display;
}

bool HasDisplay() { return Ui().display; }
bool IsUiThread() { return OnUiThread(); }

bool PostMessage(WindowHandle hwnd, UINT msg, WPARAM wParam, LPARAM lParam, void (*dropLParam)(LPARAM))
{
    UiState& ui = Ui();
    if (!ui.initialised || hwnd == 0)
        return false;
    {
        std::lock_guard<std::mutex> lock(ui.liveMutex);
        if (!ui.live.count(hwnd))
            return false;
    }
    {
        std::lock_guard<std::mutex> lock(Queue().mutex);
        Queue().items.push_back({hwnd, msg, wParam, lParam, dropLParam});
    }
    g_main_context_wakeup(Queue().context);
    return true;
}

int RunModalLoop(Window& window)
{
    if (!OnUiThread() || !window.IsWindow())
        return -1;
    ModalLoop modal{window.GetSafeHwnd(), g_main_loop_new(nullptr, FALSE), -1, false, false, nullptr};
    ModalLoops().push_back(&modal);
    if (!modal.ended)
        g_main_loop_run(modal.loop);
    auto& loops = ModalLoops();
    loops.erase(std::remove(loops.begin(), loops.end(), &modal), loops.end());
    g_main_loop_unref(modal.loop);
    return modal.code;
}

void EndModalLoop(Window& window, int code)
{
    for (ModalLoop* m : ModalLoops()) {
        if (m->loop && m->hwnd == window.GetSafeHwnd() && !m->ended) {
            m->code = code;
            m->ended = true;
            g_main_loop_quit(m->loop);
            return;
        }
    }
}

bool InModalLoop(const Window& window)
{
    for (ModalLoop* m : ModalLoops())
        if (m->loop && m->hwnd == window.GetSafeHwnd() && !m->ended)
            return true;
    return false;
}

namespace {

bool g_closingDown = false;

}  // namespace

ForeignModal::ForeignModal(std::function<void()> close)
    : entry_(new ModalLoop{0, nullptr, 0, false, false, std::move(close)})
{
    ModalLoops().push_back(static_cast<ModalLoop*>(entry_));
}

ForeignModal::~ForeignModal()
{
    auto* entry = static_cast<ModalLoop*>(entry_);
    auto& loops = ModalLoops();
    loops.erase(std::remove(loops.begin(), loops.end(), entry), loops.end());
    delete entry;
}

void SetClosingDown(bool closing)
{
    g_closingDown = closing;
}

bool ClosingDown()
{
    return g_closingDown;
}

bool CloseInnermostModal(const Window& keep)
{
    if (IsMenuTracking()) {
        EndMenu();
        return true;
    }
    auto& loops = ModalLoops();
    for (auto it = loops.rbegin(); it != loops.rend(); ++it) {
        ModalLoop* m = *it;
        if (m->ended)
            continue;
        if (m->loop && m->hwnd == keep.GetSafeHwnd())
            return false;
        const bool askedBefore = m->closeAsked;
        m->closeAsked = true;
        if (!m->loop) {
            m->close();
            return true;
        }
        Window* window = Window::FromHandle(m->hwnd);
        if (window && !askedBefore) {
            window->SendMessage(WM_CLOSE);
            return true;
        }
        m->code = IDCANCEL;
        m->ended = true;
        g_main_loop_quit(m->loop);
        return true;
    }
    return false;
}

void EndModalLoopsOf(WindowHandle handle)
{
    for (ModalLoop* m : ModalLoops()) {
        if (m->loop && m->hwnd == handle && !m->ended) {
            m->ended = true;
            g_main_loop_quit(m->loop);
        }
    }
}

void PumpMessages()
{
    if (!OnUiThread())
        return;
    // Bounded, so a timer that is due again by the time its handler returns
    // cannot keep the caller here for ever.
    for (int i = 0; i < 10000 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
}

bool RunLoopUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (!OnUiThread())
        return done();
    const int64_t end = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= end)
            return done();
        // Wakes at least every 10 ms to look at the clock and 'done'.
        GSource* tick = g_timeout_source_new(10);
        g_source_set_callback(tick, [](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr, nullptr);
        g_source_attach(tick, nullptr);
        g_main_context_iteration(nullptr, TRUE);
        g_source_destroy(tick);
        g_source_unref(tick);
    }
    return true;
}

Point GetCursorPos()
{
    Point p;
    if (Ui().display && DesktopCursorPos(p)) {
        return p;
    }
    return Ui().cursor;
}

Rect GetScreenRect()
{
    if (Ui().display)
        return DesktopScreenRect();
    return {0, 0, 1280, 1024};
}

Rect GetWorkAreaNear(const Rect& near)
{
    if (Ui().display)
        return DesktopWorkAreaAt({(near.left + near.right) / 2, (near.top + near.bottom) / 2});
    return GetScreenRect();
}

}  // namespace platform
