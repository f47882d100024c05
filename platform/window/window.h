#pragma once
// Windows: frameless top-level windows, optionally shaped by a region, and
// the child windows inside them.
//
// Child windows are our own lightweight windows: a child has no window of
// the desktop behind it; its top-level keeps a back buffer, paints every
// child into it in z-order with the child's own coordinates and clip, and
// routes the pointer to the child under it. That keeps the skinned
// controls' exact pixel placement, overlaps and capture/hover/leave rules
// in one place, and lets the whole window tree run without a display (the
// tests paint and click controls headless). Top-level windows are GTK 3
// windows on X11 when a display is open (see ui_loop.h), otherwise they
// live only in memory.
//
// Everything here runs on the UI thread (the thread that called
// InitWindowing); other threads talk to windows only with PostMessage
// (this class's, or the free function of ui_loop.h with a handle).
//
// Messages reach a window through WindowProc, which looks the message up in
// the class's message map (message_map.h), then falls back to
// DefWindowProc. The messages sent by the window service itself:
//   WM_CREATE (lParam: const CreateParams*; return -1 to fail),
//   WM_DESTROY, WM_NCDESTROY, WM_SHOWWINDOW (wParam: shown),
//   WM_WINDOWPOSCHANGING / WM_WINDOWPOSCHANGED (lParam: WINDOWPOS*),
//   WM_MOVE, WM_SIZE (lParam: client width and height), WM_MOVING
//   (lParam: Rect* in screen coordinates, may be changed) while the window
//   is dragged by its caption, WM_ENABLE,
//   WM_ERASEBKGND (wParam: DC*; return nonzero when erased) and WM_PAINT
//   (paint with a PaintDC), WM_TIMER (wParam: id),
//   WM_NCHITTEST (lParam: screen point; HTCLIENT by default),
//   WM_MOUSEMOVE, WM_[LRM]BUTTONDOWN/UP/DBLCLK (wParam: MK_ flags, lParam:
//   client point), WM_NCLBUTTONDOWN (wParam: hit code, lParam: screen
//   point) when WM_NCHITTEST answered other than HTCLIENT, WM_MOUSEHOVER
//   and WM_MOUSELEAVE as asked for with TrackMouseEvent,
//   WM_CAPTURECHANGED, WM_KEYDOWN/WM_KEYUP/WM_CHAR to the focus window,
//   WM_CLOSE when the desktop asks a top-level window to close.
// Mouse and key messages pass through PreTranslateMessage of the target
// and its ancestors first; returning true there swallows them.
// DefWindowProc starts a caption drag for WM_NCLBUTTONDOWN with HTCAPTION,
// and a resize by one edge for WM_SYSCOMMAND with SC_SIZE + edge, both
// while the left button stays down.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/geometry.h"
#include "platform/draw/region.h"
#include "platform/window/message_map.h"
#include "platform/window/messages.h"

namespace platform {

struct WindowState;

struct CreateParams {
    uint32_t exStyle = 0;
    std::string className;
    std::string title;
    uint32_t style = 0;
    Rect rect;
    WindowHandle parent = 0;
    int id = 0;
};

class Window {
public:
    Window();
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // --- creation and destruction -------------------------------------

    // WS_CHILD with a parent makes a child window at 'rect' in the parent's
    // client coordinates, on top of its siblings. Anything else makes a
    // top-level window at 'rect' in screen coordinates; a given parent is
    // its owner (kept above it). WS_VISIBLE shows it at once. Returns false
    // when the window service is not initialised, the window exists
    // already, or WM_CREATE answered -1 (the window is then gone again).
    bool CreateEx(uint32_t exStyle, const std::string& className, const std::string& title, uint32_t style,
                  const Rect& rect, Window* parent, int id);
    // Sends WM_DESTROY, destroys the children, sends WM_NCDESTROY, then
    // calls PostNcDestroy. Timers, capture, focus and hover tracking of the
    // window end with it. Returns false when there was no window.
    bool DestroyWindow();

    WindowHandle GetSafeHwnd() const;
    bool IsWindow() const;
    // The live window with this handle, or null (UI thread only).
    static Window* FromHandle(WindowHandle handle);

    // --- tree -------------------------------------------------------------

    Window* GetParent() const;
    // The top-level window this window belongs to (itself for a top-level).
    Window* GetTopLevel();
    bool IsTopLevel() const;
    // Children from the bottom of the z-order to the top.
    std::vector<Window*> GetChildren() const;
    Window* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;
    void SetDlgCtrlID(int id);
    const std::string& GetClassName() const;

    // --- geometry (no frames: the client area is the whole window) --------

    Rect GetClientRect() const;
    Rect GetWindowRect() const;  // screen coordinates
    // Parent client coordinates for a child, screen ones for a top-level.
    Rect GetRectInParent() const;
    bool MoveWindow(const Rect& rectInParent, bool repaint = true);
    // Moves and sizes as the flags say, after WM_WINDOWPOSCHANGING (which
    // may change the position), then WM_MOVE / WM_SIZE and
    // WM_WINDOWPOSCHANGED. SWP_SHOWWINDOW / SWP_HIDEWINDOW show or hide.
    bool SetWindowPos(int x, int y, int cx, int cy, UINT flags);
    // A top-level window centred over its owner, or the screen, and kept
    // inside the work area of the owner's monitor.
    void CenterWindow();
    Point ClientToScreen(Point p) const;
    Point ScreenToClient(Point p) const;
    Rect ClientToScreen(const Rect& r) const;
    Rect ScreenToClient(const Rect& r) const;

    // --- state --------------------------------------------------------------

    bool ShowWindow(int cmd);
    // Shown, and all its ancestors shown.
    bool IsWindowVisible() const;
    // Returns whether the window was disabled before.
    bool EnableWindow(bool enable);
    bool IsWindowEnabled() const;
    uint32_t GetStyle() const;
    uint32_t GetExStyle() const;
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    // Raises a top-level window, or puts a child on top of its siblings.
    void BringWindowToTop();

    // --- painting -----------------------------------------------------------

    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect& r, bool erase = true);
    // Paints what is pending now and shows it at once.
    void UpdateWindow();
    // Shapes the window: only the region's pixels (client coordinates) are
    // the window's; the desktop shows through elsewhere and the pointer
    // there belongs to whatever lies below. nullopt removes the shape.
    void SetWindowRgn(std::optional<Region> region, bool redraw = true);
    const Region* GetWindowRgn() const;
    // The colour DefWindowProc's erase fills with.
    void SetBackgroundColour(COLORREF c);
    // Paints what is pending and returns the window's pixels as they are
    // shown (a child's part of its top-level's back buffer).
    Bitmap RenderToBitmap();

    // --- mouse and keyboard -------------------------------------------------

    // All mouse messages go to this window until ReleaseCapture. Returns the
    // previous capture window.
    Window* SetCapture();
    static bool ReleaseCapture();
    static Window* GetCapture();
    // Asks for one WM_MOUSELEAVE when the pointer leaves the window and/or
    // one WM_MOUSEHOVER when it rests hoverTimeMs in it. A window holding
    // the capture gets its leave only once the capture is released, and a
    // window the pointer is not over gets its leave at once.
    bool TrackMouseEvent(uint32_t flags, int hoverTimeMs = HOVER_DEFAULT);
    void SetFocus();
    static Window* GetFocus();
    // MK_SHIFT and MK_CONTROL as they were held with the key being handled.
    static uint32_t GetKeyModifiers();

    // --- timers ---------------------------------------------------------------

    // WM_TIMER(id) every elapseMs until KillTimer or destruction; setting an
    // existing id restarts it with the new period.
    bool SetTimer(uintptr_t id, unsigned elapseMs);
    bool KillTimer(uintptr_t id);
    bool HasTimer(uintptr_t id, unsigned* elapseMs = nullptr) const;

    // --- messages ---------------------------------------------------------------

    // UI thread only.
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // Any thread (while this object exists); false when the window is gone.
    bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
    // WM_COMMAND (code << 16 | id, this window) to the parent.
    LRESULT SendCommandToParent(UINT code);
    // WM_NOTIFY with {this window, its id, code} to the parent.
    LRESULT SendNotifyToParent(int code);

    virtual const MessageMap* GetMessageMap() const;
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual bool PreTranslateMessage(Message& msg);

protected:
    virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The handling the current message would get without the handler that
    // is running: the next message map up, then DefWindowProc.
    LRESULT Default();
    // Last call of a window's life; a window that owns itself may delete
    // itself here.
    virtual void PostNcDestroy() {}
    // Two clicks in quick succession give WM_LBUTTONDBLCLK when true.
    virtual bool WantsDoubleClicks() const { return false; }

private:
    friend struct WindowState;
    friend struct WindowAccess;
    std::unique_ptr<WindowState> s_;
};

}  // namespace platform
