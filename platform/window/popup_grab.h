#pragma once
// Popups that hold the desktop's pointer and keyboard while they are open
// (menus): every press, release and move anywhere on the screen, and every
// key, comes to the popup's top-level window, and from there to the window
// that holds the capture, so a click outside the popup reaches it and can
// close it. When the desktop takes the grab away (another program grabs,
// the screen locks) the popup gets WM_CANCELMODE.
//
// Without a display there is nothing to grab: windows in memory get only
// the input the program injects, which already goes to the capture.

namespace platform {

class Window;

// The popup must be a shown top-level window. Returns true while the
// desktop's input is held for it (false in memory, or when the desktop
// refuses the grab; the popup then only sees input over our windows).
bool GrabDesktopInput(Window& popup);
// Lets the desktop's input go, if this popup holds it.
void ReleaseDesktopInput(Window& popup);

}  // namespace platform
