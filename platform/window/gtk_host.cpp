// The desktop side of a top-level window: a GTK 3 window on X11 that shows
// the back buffer and hands the pointer, keys and close requests to the
// window service.
#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cmath>
#include <deque>
#include <string>

#include "platform/window/desktop_widget.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

namespace platform {
namespace {

WPARAM VirtualKey(guint keyval)
{
    switch (keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
        return VK_RETURN;
    case GDK_KEY_Escape:
        return VK_ESCAPE;
    case GDK_KEY_space:
        return VK_SPACE;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:  // Tab with Shift held
        return VK_TAB;
    case GDK_KEY_BackSpace:
        return VK_BACK;
    case GDK_KEY_Delete:
        return VK_DELETE;
    case GDK_KEY_Left:
        return VK_LEFT;
    case GDK_KEY_Right:
        return VK_RIGHT;
    case GDK_KEY_Up:
        return VK_UP;
    case GDK_KEY_Down:
        return VK_DOWN;
    case GDK_KEY_Home:
        return VK_HOME;
    case GDK_KEY_End:
        return VK_END;
    case GDK_KEY_Page_Up:
        return VK_PRIOR;
    case GDK_KEY_Page_Down:
        return VK_NEXT;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return VK_SHIFT;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return VK_CONTROL;
    default:
        break;
    }
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12)
        return VK_F1 + (keyval - GDK_KEY_F1);
    guint upper = gdk_keyval_to_upper(keyval);
    if ((upper >= 'A' && upper <= 'Z') || (upper >= '0' && upper <= '9'))
        return upper;
    return 0;
}

// The pointer in the window's client coordinates, measured on the screen:
// while a window is dragged or resized, the desktop may not have moved it
// yet, and a position relative to where it still is would be wrong by the
// distance it has yet to go.
Point ClientFromRoot(Window& w, double xRoot, double yRoot)
{
    const Point origin = w.ClientToScreen(Point{0, 0});
    return {static_cast<int>(std::floor(xRoot)) - origin.x, static_cast<int>(std::floor(yRoot)) - origin.y};
}

// The desktop's cursor name for a sizing edge or corner; null elsewhere.
const char* SizingCursorName(LRESULT hit)
{
    switch (hit) {
    case HTLEFT:
    case HTRIGHT:
        return "ew-resize";
    case HTTOP:
    case HTBOTTOM:
        return "ns-resize";
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return "nwse-resize";
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return "nesw-resize";
    default:
        return nullptr;
    }
}

class GtkHost final : public TopLevelHost {
public:
    explicit GtkHost(Window& top) : handle_(top.GetSafeHwnd())
    {
        const bool popup = (top.GetExStyle() & WS_EX_TOOLWINDOW) != 0;
        window_ = gtk_window_new(popup ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL);
        gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
        gtk_widget_set_app_paintable(window_, TRUE);
        gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
        gtk_window_set_title(GTK_WINDOW(window_), top.GetWindowText().c_str());
        if (top.GetExStyle() & WS_EX_TOPMOST)
            gtk_window_set_keep_above(GTK_WINDOW(window_), TRUE);
        if (Window* owner = top.GetParent()) {
            Window* ownerTop = owner->GetTopLevel();
            auto& os = WindowAccess::S(*ownerTop);
            if (os.top && os.top->host) {
                auto* ownerHost = static_cast<GtkHost*>(os.top->host.get());
                gtk_window_set_transient_for(GTK_WINDOW(window_), GTK_WINDOW(ownerHost->window_));
            }
        }
        // A place for desktop controls (text boxes, lists) that later sit
        // over the window's own drawing.
        fixed_ = gtk_fixed_new();
        gtk_container_add(GTK_CONTAINER(window_), fixed_);
        gtk_widget_show(fixed_);
        gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                           GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_KEY_PRESS_MASK |
                                           GDK_KEY_RELEASE_MASK | GDK_STRUCTURE_MASK);
        g_signal_connect(window_, "draw", G_CALLBACK(OnDraw), this);
        g_signal_connect(window_, "button-press-event", G_CALLBACK(OnButton), this);
        g_signal_connect(window_, "button-release-event", G_CALLBACK(OnButton), this);
        g_signal_connect(window_, "motion-notify-event", G_CALLBACK(OnMotion), this);
        g_signal_connect(window_, "leave-notify-event", G_CALLBACK(OnLeave), this);
        g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);
        g_signal_connect(window_, "key-release-event", G_CALLBACK(OnKey), this);
        g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
        g_signal_connect(window_, "configure-event", G_CALLBACK(OnConfigure), this);
        SetGeometry(top.GetWindowRect());
        gtk_widget_realize(window_);
    }

    ~GtkHost() override
    {
        g_signal_handlers_disconnect_by_data(window_, this);
        gtk_widget_destroy(window_);
    }

    void SetVisible(bool visible) override
    {
        if (visible) {
            gtk_widget_show(window_);
            // The position again: a window manager may have placed it.
            gtk_window_move(GTK_WINDOW(window_), rect_.left, rect_.top);
        } else {
            gtk_widget_hide(window_);
        }
    }

    void SetGeometry(const Rect& r) override
    {
        rect_ = r;
        requested_.push_back(r.TopLeft());
        if (requested_.size() > 32)
            requested_.pop_front();
        gtk_widget_set_size_request(fixed_, std::max(r.Width(), 1), std::max(r.Height(), 1));
        gtk_window_resize(GTK_WINDOW(window_), std::max(r.Width(), 1), std::max(r.Height(), 1));
        gtk_window_move(GTK_WINDOW(window_), r.left, r.top);
    }

    void SetShape(const Region* region) override
    {
        if (!region) {
            gtk_widget_shape_combine_region(window_, nullptr);
            gtk_widget_input_shape_combine_region(window_, nullptr);
            return;
        }
        cairo_region_t* cr = cairo_region_create();
        for (const Rect& r : region->Rects()) {
            cairo_rectangle_int_t ri{r.left, r.top, r.Width(), r.Height()};
            cairo_region_union_rectangle(cr, &ri);
        }
        gtk_widget_shape_combine_region(window_, cr);
        gtk_widget_input_shape_combine_region(window_, cr);
        cairo_region_destroy(cr);
    }

    void Present(const Rect& area) override
    {
        if (inDraw_)
            return;  // the frame being drawn shows it
        gtk_widget_queue_draw_area(window_, area.left, area.top, area.Width(), area.Height());
    }

    void PresentNow(const Rect& area) override
    {
        GdkWindow* gw = gtk_widget_get_window(window_);
        if (!gw || !gtk_widget_get_visible(window_) || inDraw_) {
            Present(area);
            return;
        }
        Window* w = Window::FromHandle(handle_);
        if (!w)
            return;
        const Bitmap& back = WindowAccess::S(*w).top->back;
        cairo_rectangle_int_t ri{area.left, area.top, area.Width(), area.Height()};
        cairo_region_t* region = cairo_region_create_rectangle(&ri);
        GdkDrawingContext* ctx = gdk_window_begin_draw_frame(gw, region);
        cairo_t* cr = gdk_drawing_context_get_cairo_context(ctx);
        back.Flush();
        cairo_set_source_surface(cr, back.Surface(), 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        gdk_window_end_draw_frame(gw, ctx);
        cairo_region_destroy(region);
        gdk_display_flush(gdk_window_get_display(gw));
    }

    void SetTitle(const std::string& title) override
    {
        gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
    }

    void Raise() override
    {
        if (GdkWindow* gw = gtk_widget_get_window(window_))
            gdk_window_raise(gw);
    }

    void SetSensitive(bool) override {}

    void GrabKeyboardFocus() override
    {
        if (gtk_widget_get_visible(window_))
            gtk_window_present(GTK_WINDOW(window_));
    }

    void SetPointerShape(LRESULT hit) override
    {
        const char* name = SizingCursorName(hit);
        if (name == cursorName_)
            return;
        GdkWindow* gw = gtk_widget_get_window(window_);
        if (!gw)
            return;
        cursorName_ = name;
        GdkCursor* cursor = name ? gdk_cursor_new_from_name(gdk_window_get_display(gw), name) : nullptr;
        gdk_window_set_cursor(gw, cursor);
        if (cursor)
            g_object_unref(cursor);
    }

    GtkWidget* Widget() const { return window_; }

    unsigned long NativeId() const override
    {
        GdkWindow* gw = gtk_widget_get_window(window_);
        return gw ? gdk_x11_window_get_xid(gw) : 0;
    }

private:
    Window* Target() const { return Window::FromHandle(handle_); }

    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        Window* w = self->Target();
        if (!w)
            return TRUE;
        self->inDraw_ = true;
        PaintTopLevel(*w);
        self->inDraw_ = false;
        if (!Window::FromHandle(self->handle_))
            return TRUE;
        const Bitmap& back = WindowAccess::S(*w).top->back;
        back.Flush();
        cairo_set_source_surface(cr, back.Surface(), 0, 0);
        cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr);
        return TRUE;
    }

    static gboolean OnButton(GtkWidget*, GdkEventButton* e, gpointer data)
    {
        // Double clicks are recognised by the window service itself, so the
        // desktop's extra 2BUTTON/3BUTTON events are not used.
        if (e->type != GDK_BUTTON_PRESS && e->type != GDK_BUTTON_RELEASE)
            return TRUE;
        auto* self = static_cast<GtkHost*>(data);
        if (Window* w = self->Target())
            RouteMouseButton(*w, static_cast<int>(e->button), e->type == GDK_BUTTON_PRESS,
                             ClientFromRoot(*w, e->x_root, e->y_root), KeysFromGdkState(e->state), MonotonicMs());
        return TRUE;
    }

    static gboolean OnMotion(GtkWidget*, GdkEventMotion* e, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        if (Window* w = self->Target())
            RouteMouseMove(*w, ClientFromRoot(*w, e->x_root, e->y_root), KeysFromGdkState(e->state));
        return TRUE;
    }

    static gboolean OnLeave(GtkWidget*, GdkEventCrossing* e, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        if (e->detail == GDK_NOTIFY_INFERIOR)
            return FALSE;
        if (Window* w = self->Target())
            RoutePointerLeft(*w);
        return FALSE;
    }

    static gboolean OnKey(GtkWidget*, GdkEventKey* e, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        Window* w = self->Target();
        WPARAM vk = VirtualKey(e->keyval);
        guint32 ch = gdk_keyval_to_unicode(e->keyval);
        // Keys without a key code of their own ("@", ".", accented letters)
        // still type their character.
        if (!w || (!vk && ch < 0x20))
            return FALSE;
        RouteKey(*w, e->type == GDK_KEY_PRESS, vk, ch, (e->state & GDK_MOD1_MASK) != 0, KeysFromGdkState(e->state));
        return TRUE;
    }

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        if (Window* w = self->Target())
            RouteCloseRequest(*w);
        return TRUE;  // the window service decides about destruction
    }

    static gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure*, gpointer data)
    {
        auto* self = static_cast<GtkHost*>(data);
        Window* w = self->Target();
        if (!w || Ui().dragging == self->handle_)
            return FALSE;
        int x = 0;
        int y = 0;
        gtk_window_get_position(GTK_WINDOW(widget), &x, &y);
        // Our own moves come back here, some of them late: only a place we
        // never asked for is news (a window manager moved the window).
        for (const Point& p : self->requested_)
            if (p.x == x && p.y == y)
                return FALSE;
        self->rect_ = RectOfSize(x, y, self->rect_.Width(), self->rect_.Height());
        RouteDesktopMove(*w, {x, y});
        return FALSE;
    }

    WindowHandle handle_;
    GtkWidget* window_ = nullptr;
    GtkWidget* fixed_ = nullptr;
    Rect rect_;
    std::deque<Point> requested_;
    bool inDraw_ = false;
    const char* cursorName_ = nullptr;  // the look set now; null: the usual arrow
};

}  // namespace

std::unique_ptr<TopLevelHost> CreateDesktopHost(Window& top)
{
    return std::make_unique<GtkHost>(top);
}

bool OpenDesktop()
{
    const char* display = g_getenv("DISPLAY");
    if (!display || !*display)
        return false;
    gdk_set_allowed_backends("x11");
    // The windows are drawn with cairo and never with OpenGL, but GDK probes
    // GL at start-up, which loads a GL driver (a software renderer on most
    // desktops: some 50 MB) for nothing. GDK reads the setting once, while
    // it starts; the programs started from ours get the environment as it
    // was.
    const gchar* userGl = g_getenv("GDK_GL");
    const std::string kept = userGl ? userGl : "";
    g_setenv("GDK_GL", "disable", TRUE);
    const bool ok = gtk_init_check(nullptr, nullptr);
    if (userGl)
        g_setenv("GDK_GL", kept.c_str(), TRUE);
    else
        g_unsetenv("GDK_GL");
    return ok;
}

Rect DesktopScreenRect()
{
    GdkDisplay* d = gdk_display_get_default();
    GdkMonitor* m = d ? gdk_display_get_primary_monitor(d) : nullptr;
    if (!m && d)
        m = gdk_display_get_monitor(d, 0);
    if (!m)
        return {0, 0, 1280, 1024};
    GdkRectangle r;
    gdk_monitor_get_geometry(m, &r);
    return RectOfSize(r.x, r.y, r.width, r.height);
}

Rect DesktopWorkAreaAt(Point p)
{
    GdkDisplay* d = gdk_display_get_default();
    // The monitor under the point, or the one nearest to it.
    GdkMonitor* m = d ? gdk_display_get_monitor_at_point(d, p.x, p.y) : nullptr;
    if (!m)
        return DesktopScreenRect();
    GdkRectangle r;
    gdk_monitor_get_workarea(m, &r);
    return RectOfSize(r.x, r.y, r.width, r.height);
}

bool DesktopCursorPos(Point& p)
{
    GdkDisplay* d = gdk_display_get_default();
    GdkSeat* seat = d ? gdk_display_get_default_seat(d) : nullptr;
    GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
    if (!pointer)
        return false;
    gdk_device_get_position(pointer, nullptr, &p.x, &p.y);
    return true;
}

uint32_t KeysFromGdkState(unsigned state)
{
    uint32_t k = 0;
    if (state & GDK_SHIFT_MASK)
        k |= MK_SHIFT;
    if (state & GDK_CONTROL_MASK)
        k |= MK_CONTROL;
    return k;
}

void* DesktopWidgetOf(Window& top)
{
    Window* t = top.GetTopLevel();
    if (!t || !t->IsWindow())
        return nullptr;
    auto& s = WindowAccess::S(*t);
    return (s.top && s.top->host) ? static_cast<GtkHost*>(s.top->host.get())->Widget() : nullptr;
}

unsigned long NativeWindowUnderPointer()
{
    GdkDisplay* d = gdk_display_get_default();
    if (!d || !GDK_IS_X11_DISPLAY(d))
        return 0;
    Display* x = GDK_DISPLAY_XDISPLAY(d);
    ::Window root = DefaultRootWindow(x);
    ::Window rootReturn = 0;
    ::Window child = 0;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(x, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask))
        return 0;
    return child;
}

unsigned long NativeWindowId(Window& top)
{
    Window* t = top.GetTopLevel();
    if (!t)
        return 0;
    auto& s = WindowAccess::S(*t);
    return (s.top && s.top->host) ? s.top->host->NativeId() : 0;
}

}  // namespace platform
