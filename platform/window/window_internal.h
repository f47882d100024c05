#pragma once
// Inside the window service: the state behind each Window, the process-wide
// UI state, and the interface of a top-level window's desktop backing.
// Not for use outside platform/window.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/region.h"
#include "platform/window/window.h"

namespace platform {

class DC;

// A top-level window's backing on the desktop (a GTK window), or none when
// there is no display.
class TopLevelHost {
public:
    virtual ~TopLevelHost() = default;
    virtual void SetVisible(bool visible) = 0;
    virtual void SetGeometry(const Rect& screenRect) = 0;
    virtual void SetShape(const Region* region) = 0;
    // Shows the back buffer's area soon (on the next frame).
    virtual void Present(const Rect& area) = 0;
    // Shows the back buffer's area now.
    virtual void PresentNow(const Rect& area) = 0;
    virtual void SetTitle(const std::string& title) = 0;
    virtual void Raise() = 0;
    virtual void SetSensitive(bool enabled) = 0;
    virtual void GrabKeyboardFocus() = 0;
    virtual unsigned long NativeId() const = 0;
    // The pointer's look for what the window answered WM_NCHITTEST with:
    // a sizing arrow over an edge or corner, else the usual arrow.
    virtual void SetPointerShape(LRESULT hit) = 0;
};

// Made by gtk_host.cpp; null without a display.
std::unique_ptr<TopLevelHost> CreateDesktopHost(Window& top);

struct TopLevelState {
    Bitmap back;                         // what the window shows
    std::unique_ptr<TopLevelHost> host;  // null: the window lives in memory only
    Rect pendingPresent;                 // back-buffer area not yet shown
};

struct WindowState {
    Window* self = nullptr;
    WindowHandle handle = 0;
    // The last handle, for posting from other threads: never cleared, and
    // handles are never reused, so a stale one only finds no window.
    std::atomic<WindowHandle> postHandle{0};
    bool alive = false;
    bool destroying = false;
    Window* parent = nullptr;  // child: the parent; top-level: the owner
    std::vector<Window*> children;
    std::string className;
    std::string title;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int id = 0;
    Rect rect;  // parent client coordinates, screen ones for a top-level
    bool visible = false;
    bool enabled = true;
    Rect update;  // client coordinates
    bool erase = false;
    std::optional<Region> region;
    COLORREF background = RGB(240, 240, 240);
    uint32_t trackFlags = 0;
    unsigned hoverSource = 0;
    int hoverTime = 1;
    Point hoverOrigin;
    std::unordered_map<uintptr_t, std::pair<unsigned, unsigned>> timers;  // id -> (source, period)
    std::unique_ptr<TopLevelState> top;
    // Set while the window handles WM_ERASEBKGND / WM_PAINT.
    const Region* paintClip = nullptr;  // top-level coordinates
    bool inPaint = false;
};

// One frame of message dispatch, for Window::Default.
struct DispatchFrame {
    Window* window;
    Message msg;
    const MessageMap* map;  // the table whose entry runs; null inside DefWindowProc
};

struct UiState {
    bool initialised = false;
    bool display = false;
    std::thread::id thread;
    std::unordered_map<WindowHandle, Window*> windows;
    std::vector<Window*> topLevels;  // creation order
    WindowHandle nextHandle = 1;
    WindowHandle capture = 0;
    WindowHandle focus = 0;
    // MK_SHIFT and MK_CONTROL as they were held with the last key.
    uint32_t keyModifiers = 0;
    // Pointer: last known screen position, the window under it, buttons held.
    Point cursor;
    WindowHandle under = 0;
    uint32_t buttons = 0;
    // The previous click, for double clicks.
    WindowHandle lastClickWindow = 0;
    UINT lastClickButton = 0;
    int64_t lastClickTimeMs = -1000000;
    Point lastClickPos;
    // A caption drag in progress.
    WindowHandle dragging = 0;
    Point dragStartCursor;
    Rect dragStartRect;
    // A border resize in progress: the window, the edge (SC_SIZE's 1..8).
    WindowHandle sizing = 0;
    int sizingEdge = 0;
    Point sizingStartCursor;
    Rect sizingStartRect;
    unsigned paintSource = 0;
    std::vector<DispatchFrame> dispatch;
    // Handles that other threads may post to.
    std::mutex liveMutex;
    std::unordered_set<WindowHandle> live;
};

UiState& Ui();
bool OnUiThread();

// Access to the internals from the service's files.
struct WindowAccess {
    static WindowState& S(Window& w) { return *w.s_; }
    static const WindowState& S(const Window& w) { return *w.s_; }
    static bool DoubleClicks(const Window& w) { return w.WantsDoubleClicks(); }
    static void PostNcDestroy(Window& w) { w.PostNcDestroy(); }
};

// window_paint.cpp
Rect RectInTop(const Window& w);  // client area in its top-level's client coordinates
Region VisibleRegion(const Window& w);
void InvalidateArea(Window& top, const Rect& areaInTop);
void SchedulePaint();
void PaintTopLevel(Window& top);
void PaintAllPending();
void PresentPending(Window& top, bool now);
void ResizeBackBuffer(Window& top);

// window_input.cpp
void RouteMouseMove(Window& top, Point client, uint32_t keys);
void RouteMouseButton(Window& top, int button, bool down, Point client, uint32_t keys, int64_t timeMs);
void RoutePointerLeft(Window& top);
// modifiers: MK_SHIFT and MK_CONTROL held with the key.
void RouteKey(Window& top, bool down, WPARAM vk, uint32_t ch, bool alt, uint32_t modifiers);
void RouteCloseRequest(Window& top);
void RouteDesktopMove(Window& top, Point screenTopLeft);
void ForgetWindowInput(Window& w);
void CancelHover(WindowState& s);

// window_timer.cpp
void KillAllTimers(Window& w);

// window_sizing.cpp
bool BeginBorderSizing(Window& w, int edge);
void SizeTo(Window& top, Point cursor);

// ui_loop.cpp
void EndModalLoopsOf(WindowHandle handle);
int64_t MonotonicMs();

}  // namespace platform
