#pragma once
// Points, sizes and rectangles in whole pixels. A rectangle holds its left
// and top edges and excludes its right and bottom ones, so (0, 0, 10, 5)
// is 10 x 5 pixels.

#include <algorithm>

namespace platform {

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr Size GetSize() const { return {Width(), Height()}; }
    constexpr Point TopLeft() const { return {left, top}; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    constexpr bool Contains(Point p) const
    {
        return p.x >= left && p.x < right && p.y >= top && p.y < bottom;
    }
    constexpr Rect Offset(int dx, int dy) const
    {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    constexpr Rect Intersect(const Rect& o) const
    {
        Rect r{std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
               std::min(bottom, o.bottom)};
        return r.IsEmpty() ? Rect{} : r;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    constexpr Rect Union(const Rect& o) const
    {
        if (IsEmpty())
            return o.IsEmpty() ? Rect{} : o;
        if (o.IsEmpty())
            return *this;
        return {std::min(left, o.left), std::min(top, o.top), std::max(right, o.right),
                std::max(bottom, o.bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

constexpr Rect RectOfSize(int x, int y, int width, int height)
{
    return {x, y, x + width, y + height};
}

// 'r' moved as little as needed to lie inside 'area', its size kept; one
// larger than the area keeps its top or left edge on the area's.
constexpr Rect KeepInside(const Rect& r, const Rect& area)
{
    const int x = std::max(std::min(r.left, area.right - r.Width()), area.left);
    const int y = std::max(std::min(r.top, area.bottom - r.Height()), area.top);
    return RectOfSize(x, y, r.Width(), r.Height());
}

}  // namespace platform
