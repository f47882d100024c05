#pragma once
// Pointer and key events made up in-process that take the same path as the
// desktop's, so tests can drive windows that live in memory. Points are in
// the top-level window's client coordinates; 'button' is 1 left, 2 middle,
// 3 right.

#include <cstdint>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;

void InjectMouseMove(Window& top, Point client, uint32_t keys = 0);
void InjectMouseButton(Window& top, int button, bool down, Point client, uint32_t keys = 0);
// The pointer went off the window.
void InjectPointerLeave(Window& top);
// modifiers: MK_SHIFT and MK_CONTROL held with the key.
void InjectKey(Window& top, bool down, WPARAM vk, uint32_t ch = 0, uint32_t modifiers = 0);

}  // namespace platform
