#include "platform/window/window_at.h"

#include "platform/window/window.h"

namespace platform {

Window* DeepestWindowAt(Window& w, Point p, bool enabledOnly)
{
    const std::vector<Window*> children = w.GetChildren();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        Window* c = *it;
        if (!c->IsWindowVisible() || (enabledOnly && !c->IsWindowEnabled()))
            continue;
        const Rect r = c->GetRectInParent();
        if (r.Contains(p))
            return DeepestWindowAt(*c, {p.x - r.left, p.y - r.top}, enabledOnly);
    }
    return &w;
}

}  // namespace platform
