#include "platform/draw/region.h"

namespace platform {
namespace {

// Appends the parts of 'r' outside 'cut' (at most four rectangles).
void AppendDifference(const Rect& r, const Rect& cut, std::vector<Rect>& out)
{
    Rect i = r.Intersect(cut);
    if (i.IsEmpty()) {
        out.push_back(r);
        return;
    }
    if (r.top < i.top)
        out.push_back({r.left, r.top, r.right, i.top});
    if (i.bottom < r.bottom)
        out.push_back({r.left, i.bottom, r.right, r.bottom});
    if (r.left < i.left)
        out.push_back({r.left, i.top, i.left, i.bottom});
    if (i.right < r.right)
        out.push_back({i.right, i.top, r.right, i.bottom});
}

}  // namespace

Region::Region(const Rect& r)
{
    if (!r.IsEmpty())
        rects_.push_back(r);
}

void Region::AddDisjoint(const Rect& r)
{
    if (!r.IsEmpty())
        rects_.push_back(r);
}

void Region::Union(const Rect& r)
{
    if (r.IsEmpty())
        return;
    Subtract(r);
    rects_.push_back(r);
}

void Region::Union(const Region& other)
{
    for (const Rect& r : other.rects_)
        Union(r);
}

void Region::Subtract(const Rect& cut)
{
    if (cut.IsEmpty())
        return;
    std::vector<Rect> out;
    out.reserve(rects_.size() + 4);
    for (const Rect& r : rects_)
        AppendDifference(r, cut, out);
    rects_.swap(out);
}

void Region::Intersect(const Rect& clip)
{
    std::vector<Rect> out;
    for (const Rect& r : rects_) {
        Rect i = r.Intersect(clip);
        if (!i.IsEmpty())
            out.push_back(i);
    }
    rects_.swap(out);
}

void Region::Offset(int dx, int dy)
{
    for (Rect& r : rects_)
        r = r.Offset(dx, dy);
}

bool Region::Contains(Point p) const
{
    for (const Rect& r : rects_)
        if (r.Contains(p))
            return true;
    return false;
}

Rect Region::Bounds() const
{
    Rect b;
    for (const Rect& r : rects_)
        b = b.Union(r);
    return b;
}

long long Region::Area() const
{
    long long a = 0;
    for (const Rect& r : rects_)
        a += static_cast<long long>(r.Width()) * r.Height();
    return a;
}

}  // namespace platform
