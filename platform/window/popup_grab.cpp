#include "platform/window/popup_grab.h"

#include <gtk/gtk.h>

#include "platform/window/desktop_widget.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window_internal.h"

namespace platform {

namespace {

struct GrabState {
    WindowHandle holder = 0;
    GtkWidget* widget = nullptr;
    gulong brokenHandler = 0;
};

GrabState& Grab()
{
    static GrabState g;
    return g;
}

void ShowForGrab(GdkSeat*, GdkWindow* window, gpointer)
{
    gdk_window_show(window);
}

gboolean OnGrabBroken(GtkWidget*, GdkEvent*, gpointer data)
{
    const auto handle = static_cast<WindowHandle>(GPOINTER_TO_UINT(data));
    GrabState& g = Grab();
    if (g.holder == handle) {
        g.holder = 0;
        if (g.widget && g.brokenHandler)
            g_signal_handler_disconnect(g.widget, g.brokenHandler);
        g.widget = nullptr;
        g.brokenHandler = 0;
        PostMessage(handle, WM_CANCELMODE, 0, 0);
    }
    return FALSE;
}

}  // namespace

bool GrabDesktopInput(Window& popup)
{
    if (!HasDisplay() || !popup.IsWindow() || !popup.IsTopLevel())
        return false;
    auto* widget = static_cast<GtkWidget*>(DesktopWidgetOf(popup));
    GdkWindow* gw = widget ? gtk_widget_get_window(widget) : nullptr;
    GdkDisplay* display = gdk_display_get_default();
    GdkSeat* seat = display ? gdk_display_get_default_seat(display) : nullptr;
    if (!gw || !seat)
        return false;
    ReleaseDesktopInput(popup);
    // A popup that was just shown may not be on the screen yet; the grab
    // is tried again for a moment rather than leaving the menu without one.
    GdkGrabStatus status = GDK_GRAB_FAILED;
    for (int attempt = 0; attempt < 20; ++attempt) {
        status = gdk_seat_grab(seat, gw, GDK_SEAT_CAPABILITY_ALL, FALSE, nullptr, nullptr, ShowForGrab, nullptr);
        if (status == GDK_GRAB_SUCCESS)
            break;
        gdk_display_sync(display);
        g_usleep(5000);
    }
    if (status != GDK_GRAB_SUCCESS)
        return false;
    GrabState& g = Grab();
    g.holder = popup.GetSafeHwnd();
    g.widget = widget;
    g.brokenHandler = g_signal_connect(widget, "grab-broken-event", G_CALLBACK(OnGrabBroken),
                                       GUINT_TO_POINTER(g.holder));
    return true;
}

void ReleaseDesktopInput(Window& popup)
{
    GrabState& g = Grab();
    if (!g.holder || g.holder != popup.GetSafeHwnd())
        return;
    if (g.widget && g.brokenHandler)
        g_signal_handler_disconnect(g.widget, g.brokenHandler);
    g.holder = 0;
    g.widget = nullptr;
    g.brokenHandler = 0;
    if (GdkDisplay* display = gdk_display_get_default())
        if (GdkSeat* seat = gdk_display_get_default_seat(display))
            gdk_seat_ungrab(seat);
}

}  // namespace platform
