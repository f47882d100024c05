#pragma once
// Minimising a top-level window to the desktop's task bar and bringing it
// back to the front. On the desktop the window manager does it; in memory
// the window only notes that it is minimised.

namespace platform {

class Window;

// False for a window that is not a live top-level one.
bool MinimizeWindow(Window& top);
bool IsWindowMinimized(const Window& top);
// Un-minimises, shows, raises and activates the window (gives it the
// keyboard), as a program does for a window the user asked for again.
bool RestoreAndActivate(Window& top);

}  // namespace platform
