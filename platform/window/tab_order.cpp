#include "platform/window/tab_order.h"

#include <algorithm>

namespace platform {

namespace {

void Collect(const Window& parent, std::vector<Window*>& stops)
{
    for (Window* child : parent.GetChildren()) {
        if (!child->IsWindowVisible() || !child->IsWindowEnabled())
            continue;
        if (child->GetStyle() & WS_TABSTOP)
            stops.push_back(child);
        Collect(*child, stops);
    }
}

}  // namespace

std::vector<Window*> TabStops(Window& top)
{
    std::vector<Window*> stops;
    Collect(top, stops);
    return stops;
}

Window* NextTabStop(Window& top, Window* from, bool forward)
{
    const std::vector<Window*> stops = TabStops(top);
    if (stops.empty())
        return nullptr;
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at == stops.end())
        return forward ? stops.front() : stops.back();
    const size_t index = static_cast<size_t>(at - stops.begin());
    const size_t count = stops.size();
    return stops[forward ? (index + 1) % count : (index + count - 1) % count];
}

}  // namespace platform
