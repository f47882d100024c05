#pragma once
// A set of pixels kept as disjoint rectangles: the shape of a window cut
// out of a skin bitmap, and the clip of a paint.

#include <vector>

#include "platform/draw/geometry.h"

namespace platform {

class Region {
public:
    Region() = default;
    explicit Region(const Rect& r);

    // Adds a rectangle known not to overlap the region (the fast path for
    // row spans made by a scan); overlapping input must use Union.
    void AddDisjoint(const Rect& r);
    void Union(const Rect& r);
    void Union(const Region& other);
    void Subtract(const Rect& r);
    void Intersect(const Rect& r);
    void Offset(int dx, int dy);

    bool IsEmpty() const { return rects_.empty(); }
    bool Contains(Point p) const;
    Rect Bounds() const;
    const std::vector<Rect>& Rects() const { return rects_; }
    // Number of pixels covered (for tests and diagnostics).
    long long Area() const;

private:
    std::vector<Rect> rects_;
};

}  // namespace platform
