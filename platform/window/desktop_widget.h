#pragma once
// What the parts of the window layer that speak to GTK share: the widget
// that shows a top-level window on the desktop, and the modifier keys of a
// GDK event. Only this folder includes it.

#include <cstdint>

namespace platform {

class Window;

// The GtkWidget* showing the top-level window of 'top'; null for windows
// that live in memory.
void* DesktopWidgetOf(Window& top);

// MK_SHIFT and MK_CONTROL from a GDK event's modifier state.
uint32_t KeysFromGdkState(unsigned state);

}  // namespace platform
