#include "platform/window/mouse_wheel.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "platform/window/desktop_widget.h"
#include "platform/window/window.h"
#include "platform/window/window_at.h"

namespace platform {

namespace {

constexpr const char* kHookedKey = "kvo-mouse-wheel";
constexpr const char* kSmoothKey = "kvo-wheel-smooth";

gboolean OnScroll(GtkWidget* widget, GdkEventScroll* e, gpointer user)
{
    Window* top = Window::FromHandle(static_cast<WindowHandle>(GPOINTER_TO_UINT(user)));
    if (!top)
        return FALSE;
    int delta = 0;
    switch (e->direction) {
    case GDK_SCROLL_UP:
        delta = WHEEL_DELTA;
        break;
    case GDK_SCROLL_DOWN:
        delta = -WHEEL_DELTA;
        break;
    case GDK_SCROLL_SMOOTH: {
        // Touchpads turn in fractions: whole notches are passed on as they
        // add up, the rest waits for the next event.
        auto* rest = static_cast<double*>(g_object_get_data(G_OBJECT(widget), kSmoothKey));
        if (!rest)
            return FALSE;
        *rest -= e->delta_y * WHEEL_DELTA;
        delta = static_cast<int>(std::trunc(*rest));
        *rest -= delta;
        break;
    }
    default:
        return FALSE;
    }
    if (delta != 0)
        RouteMouseWheel(*top, {static_cast<int>(std::floor(e->x)), static_cast<int>(std::floor(e->y))}, delta,
                        KeysFromGdkState(e->state));
    return TRUE;
}

}  // namespace

void EnableMouseWheel(Window& window)
{
    Window* top = window.IsWindow() ? window.GetTopLevel() : nullptr;
    auto* widget = top ? static_cast<GtkWidget*>(DesktopWidgetOf(*top)) : nullptr;
    if (!widget || g_object_get_data(G_OBJECT(widget), kHookedKey))
        return;
    gtk_widget_add_events(widget, GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK);
    g_object_set_data_full(G_OBJECT(widget), kSmoothKey, new double(0.0),
                           [](gpointer p) { delete static_cast<double*>(p); });
    g_signal_connect(widget, "scroll-event", G_CALLBACK(OnScroll), GUINT_TO_POINTER(top->GetSafeHwnd()));
    g_object_set_data(G_OBJECT(widget), kHookedKey, GINT_TO_POINTER(1));
}

void RouteMouseWheel(Window& top, Point client, int delta, uint32_t keys)
{
    if (!top.IsWindow() || !top.IsWindowEnabled() || delta == 0)
        return;
    Window* target = Window::GetCapture();
    if (!target || target->GetTopLevel() != &top) {
        if (!top.GetClientRect().Contains(client))
            return;
        target = DeepestWindowAt(top, client, true);
    }
    const int clamped = std::clamp(delta, -32768, 32767);
    const WPARAM wp = MAKEWPARAM(static_cast<int>(keys & 0xFFFF), clamped);
    target->SendMessage(WM_MOUSEWHEEL, wp, LParamFromPoint(top.ClientToScreen(client)));
}

}  // namespace platform
