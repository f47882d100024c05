#pragma once
// The mouse wheel: WM_MOUSEWHEEL goes to the window under the pointer, as
// the pointer's other messages do (the capture holder while there is one).
// wParam: the key flags in the low word and the turn in the high word as a
// signed number, WHEEL_DELTA per notch, positive away from the user;
// lParam: the pointer's screen position.
//
// On the desktop a top-level window reports its wheel once one of its
// windows asked for it with EnableMouseWheel.

#include <cstdint>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;

inline constexpr int WHEEL_DELTA = 120;

constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wp)
{
    return static_cast<int16_t>(static_cast<uint16_t>((wp >> 16) & 0xFFFF));
}

// UI thread only.
void EnableMouseWheel(Window& window);

// Delivers a turn of 'delta' with the pointer at 'client' (client
// coordinates of the top-level 'top'); the desktop's events take this way,
// and tests inject theirs here.
void RouteMouseWheel(Window& top, Point client, int delta, uint32_t keys = 0);

}  // namespace platform
