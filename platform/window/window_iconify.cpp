#include "platform/window/window_iconify.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <set>

#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {
namespace {

std::set<WindowHandle>& Minimised()
{
    static std::set<WindowHandle> handles;
    return handles;
}

GdkWindow* DesktopWindow(Window& top)
{
    if (!HasDisplay())
        return nullptr;
    const unsigned long id = NativeWindowId(top);
    GdkDisplay* display = gdk_display_get_default();
    if (!id || !display || !GDK_IS_X11_DISPLAY(display))
        return nullptr;
    return gdk_x11_window_lookup_for_display(GDK_X11_DISPLAY(display), id);
}

}  // namespace

bool MinimizeWindow(Window& top)
{
    if (!top.IsWindow() || !top.IsTopLevel())
        return false;
    Minimised().insert(top.GetSafeHwnd());
    if (GdkWindow* gw = DesktopWindow(top))
        gdk_window_iconify(gw);
    return true;
}

bool IsWindowMinimized(const Window& top)
{
    return top.IsWindow() && Minimised().count(top.GetSafeHwnd()) != 0;
}

bool RestoreAndActivate(Window& top)
{
    if (!top.IsWindow() || !top.IsTopLevel())
        return false;
    Minimised().erase(top.GetSafeHwnd());
    top.ShowWindow(SW_SHOWNORMAL);
    top.BringWindowToTop();
    if (GdkWindow* gw = DesktopWindow(top)) {
        gdk_window_deiconify(gw);
        gdk_window_focus(gw, GDK_CURRENT_TIME);
    }
    return true;
}

}  // namespace platform
