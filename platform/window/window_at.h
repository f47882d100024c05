#pragma once
// The deepest shown window at a point of a window, for input that the
// desktop hands to a top-level window as a whole (drops, the wheel).

#include "platform/draw/geometry.h"

namespace platform {

class Window;

// 'p' is in w's client coordinates; children on top come first. With
// enabledOnly a disabled child is passed over, as if it were not there.
Window* DeepestWindowAt(Window& w, Point p, bool enabledOnly);

}  // namespace platform
