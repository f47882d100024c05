#include "platform/window/input_injection.h"

#include "platform/window/window_internal.h"

namespace platform {

void InjectMouseMove(Window& top, Point client, uint32_t keys)
{
    RouteMouseMove(top, client, keys);
}

void InjectMouseButton(Window& top, int button, bool down, Point client, uint32_t keys)
{
    RouteMouseButton(top, button, down, client, keys, MonotonicMs());
}

void InjectPointerLeave(Window& top)
{
    RoutePointerLeft(top);
}

void InjectKey(Window& top, bool down, WPARAM vk, uint32_t ch, uint32_t modifiers)
{
    RouteKey(top, down, vk, ch, false, modifiers);
}

}  // namespace platform
