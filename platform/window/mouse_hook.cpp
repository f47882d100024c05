#include "platform/window/mouse_hook.h"

#include <glib.h>

#include <map>

#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {
namespace {

struct HookState {
    std::map<WindowHandle, UINT> hooks;
    guint source = 0;
    Point last;
    bool havePosition = false;
};

HookState& Hooks()
{
    static HookState s;
    return s;
}

gboolean OnPoll(gpointer)
{
    PollMouseMoveHooks();
    return G_SOURCE_CONTINUE;
}

void StopPollingWhenIdle()
{
    HookState& s = Hooks();
    if (s.hooks.empty() && s.source != 0) {
        g_source_remove(s.source);
        s.source = 0;
        s.havePosition = false;
    }
}

}  // namespace

bool SetMouseMoveHook(WindowHandle target, UINT message)
{
    if (!IsUiThread() || target == 0 || !Window::FromHandle(target))
        return false;
    HookState& s = Hooks();
    s.hooks[target] = message;
    if (s.source == 0) {
        s.last = GetCursorPos();
        s.havePosition = true;
        s.source = g_timeout_add(kMouseHookPollMs, OnPoll, nullptr);
    }
    return true;
}

void ClearMouseMoveHook(WindowHandle target)
{
    if (!IsUiThread())
        return;
    Hooks().hooks.erase(target);
    StopPollingWhenIdle();
}

bool HasMouseMoveHook(WindowHandle target)
{
    return Hooks().hooks.count(target) != 0;
}

void PollMouseMoveHooks()
{
    HookState& s = Hooks();
    if (s.hooks.empty())
        return;
    const Point now = GetCursorPos();
    if (s.havePosition && now == s.last)
        return;
    s.last = now;
    s.havePosition = true;
    // A copy: a report may not be handled now, but a hook cleared by the
    // time it arrives must not find a dangling entry here either.
    const auto hooks = s.hooks;
    for (const auto& [target, message] : hooks)
        if (!PostMessage(target, message, 0, 0))
            s.hooks.erase(target);
    StopPollingWhenIdle();
}

}  // namespace platform
