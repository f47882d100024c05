#pragma once
// The order in which Tab and Shift+Tab walk a top-level window's controls:
// every shown, enabled descendant with WS_TABSTOP, parents before their
// children and siblings from the bottom of the z-order up (the order they
// were made in). A hidden or disabled window keeps its children out too.

#include <vector>

#include "platform/window/window.h"

namespace platform {

std::vector<Window*> TabStops(Window& top);

// The control after 'from' (before it when !forward), round from the last
// to the first. From a window that is no tab stop (the top-level itself) the
// walk starts at the first, or backwards at the last. Null when the window
// has no tab stop.
Window* NextTabStop(Window& top, Window* from, bool forward);

}  // namespace platform
