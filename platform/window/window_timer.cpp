// Window timers on the GLib loop.
#include <glib.h>

#include "platform/window/window_internal.h"

namespace platform {
namespace {

struct TimerRecord {
    WindowHandle hwnd;
    uintptr_t id;
};

gboolean OnTimer(gpointer data)
{
    auto* rec = static_cast<TimerRecord*>(data);
    Window* w = Window::FromHandle(rec->hwnd);
    if (!w)
        return G_SOURCE_REMOVE;
    w->SendMessage(WM_TIMER, rec->id, 0);
    return G_SOURCE_CONTINUE;
}

void FreeRecord(gpointer data)
{
    delete static_cast<TimerRecord*>(data);
}

}  // namespace

bool Window::SetTimer(uintptr_t id, unsigned elapseMs)
{
    if (!s_->alive || !OnUiThread())
        return false;
    KillTimer(id);
    if (elapseMs == 0)
        elapseMs = 1;
    GSource* src = g_timeout_source_new(elapseMs);
    // A handler that opens a modal loop keeps its timer ticking, as the
    // other windows' timers do.
    g_source_set_can_recurse(src, TRUE);
    g_source_set_callback(src, OnTimer, new TimerRecord{s_->handle, id}, FreeRecord);
    const unsigned sourceId = g_source_attach(src, nullptr);
    g_source_unref(src);
    s_->timers[id] = {sourceId, elapseMs};
    return true;
}

bool Window::KillTimer(uintptr_t id)
{
    auto it = s_->timers.find(id);
    if (it == s_->timers.end())
        return false;
    g_source_remove(it->second.first);
    s_->timers.erase(it);
    return true;
}

bool Window::HasTimer(uintptr_t id, unsigned* elapseMs) const
{
    auto it = s_->timers.find(id);
    if (it == s_->timers.end())
        return false;
    if (elapseMs)
        *elapseMs = it->second.second;
    return true;
}

void KillAllTimers(Window& w)
{
    WindowState& s = WindowAccess::S(w);
    for (auto& [id, t] : s.timers)
        g_source_remove(t.first);
    s.timers.clear();
}

}  // namespace platform
