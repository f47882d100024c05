#pragma once
// Pointer-move reports for a window that must follow the pointer beyond its
// own area: over other windows, over the bare desktop, and while a popup
// menu holds the pointer (when the window itself gets no WM_MOUSEMOVE).
// While a window's hook is set, every change of the pointer's position on
// the screen posts it the given message (wParam and lParam 0; the window
// reads the position with GetCursorPos). The position is looked at every
// kMouseHookPollMs on the UI thread, in nested modal loops too.

#include "platform/window/messages.h"

namespace platform {

inline constexpr int kMouseHookPollMs = 15;

// Starts the reports for the window; setting it again changes the message.
// False when the window does not exist or the service is not running.
bool SetMouseMoveHook(WindowHandle target, UINT message);
// Stops them; harmless for a window without a hook, so it may be called
// twice. A window's destruction does not end its hook by itself, but a
// report for a window that is gone is dropped.
void ClearMouseMoveHook(WindowHandle target);
bool HasMouseMoveHook(WindowHandle target);
// Looks at the pointer now, as the next poll would (tests).
void PollMouseMoveHooks();

}  // namespace platform
