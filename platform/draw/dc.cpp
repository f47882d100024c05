#include "platform/draw/dc.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace platform {

DC::DC(Bitmap& target)
{
    Attach(&target);
}

void DC::Attach(Bitmap* target, Point origin, const Region* clip)
{
    target_ = target;
    origin_ = origin;
    clip_ = Region();
    surfaceOffset_ = {};
    surfaceLimited_ = false;
    surfaceLimit_ = Region();
    if (!IsAttached())
        return;
    if (clip) {
        clip_ = *clip;
        clip_.Intersect(target_->Bounds());
    } else {
        clip_ = Region(target_->Bounds());
    }
}

void DC::ShowsOn(const DC& target, Point at)
{
    const Point targetPixel{at.x + target.origin_.x, at.y + target.origin_.y};
    surfaceOffset_ = {targetPixel.x + target.surfaceOffset_.x, targetPixel.y + target.surfaceOffset_.y};
    surfaceLimit_ = target.SurfaceVisible();
    surfaceLimited_ = true;
}

Region DC::SurfaceVisible() const
{
    Region mine = clip_;
    mine.Offset(surfaceOffset_.x, surfaceOffset_.y);
    if (!surfaceLimited_)
        return mine;
    Region both;
    for (const Rect& r : surfaceLimit_.Rects()) {
        Region part = mine;
        part.Intersect(r);
        both.Union(part);
    }
    return both;
}

Region DC::GetClipRegion() const
{
    Region r = clip_;
    r.Offset(-origin_.x, -origin_.y);
    return r;
}

void DC::IntersectClipRect(const Rect& r)
{
    clip_.Intersect(ToTarget(r));
}

COLORREF DC::SetTextColor(COLORREF c)
{
    COLORREF old = textColour_;
    textColour_ = c;
    return old;
}

COLORREF DC::SetBkColor(COLORREF c)
{
    COLORREF old = bkColour_;
    bkColour_ = c;
    return old;
}

int DC::SetBkMode(int mode)
{
    int old = bkMode_;
    bkMode_ = mode;
    return old;
}

const Font* DC::SelectFont(const Font* font)
{
    const Font* old = font_;
    font_ = font;
    return old;
}

const Font& DC::CurrentFont() const
{
    static const Font fallback;
    return font_ ? *font_ : fallback;
}

void DC::FillSolidRect(const Rect& r, COLORREF c)
{
    if (!IsAttached())
        return;
    target_->Flush();
    const uint32_t p = PixelFromColour(c);
    ForEachClipped(r, [&](const Rect& i) {
        for (int y = i.top; y < i.bottom; ++y) {
            uint32_t* row = target_->Row(y);
            for (int x = i.left; x < i.right; ++x)
                row[x] = p;
        }
    });
    target_->MarkDirty();
}

void DC::FillRoundRect(const Rect& r, int ellipseWidth, int ellipseHeight, COLORREF c)
{
    if (r.IsEmpty())
        return;
    const double rx = std::min(std::abs(ellipseWidth), r.Width()) / 2.0;
    const int ry = std::min(std::abs(ellipseHeight), r.Height()) / 2;
    // Row by row: the rows inside the corners' height are inset by the
    // ellipse; a corner that touches a pixel at all takes it away, so even
    // a 2 x 2 ellipse cuts the four corner pixels.
    for (int row = 0; row < r.Height(); ++row) {
        int inset = 0;
        int fromEdge = std::min(row, r.Height() - 1 - row);
        if (fromEdge < ry) {
            double dy = (ry - fromEdge - 0.5) / ry;
            double dx = rx * (1.0 - std::sqrt(std::max(0.0, 1.0 - dy * dy)));
            inset = static_cast<int>(std::ceil(dx - 1e-6));
        }
        FillSolidRect({r.left + inset, r.top + row, r.right - inset, r.top + row + 1}, c);
    }
}

void DC::FrameRect(const Rect& r, COLORREF c)
{
    if (r.IsEmpty())
        return;
    FillSolidRect({r.left, r.top, r.right, r.top + 1}, c);
    FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, c);
    FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, c);
    FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, c);
}

void DC::DrawFocusRect(const Rect& r)
{
    if (r.IsEmpty())
        return;
    // Walked round the frame, so the dots alternate at the corners too.
    std::vector<Point> frame;
    for (int x = r.left; x < r.right; ++x)
        frame.push_back({x, r.top});
    for (int y = r.top + 1; y < r.bottom; ++y)
        frame.push_back({r.right - 1, y});
    for (int x = r.right - 2; x >= r.left && r.bottom - 1 > r.top; --x)
        frame.push_back({x, r.bottom - 1});
    for (int y = r.bottom - 2; y > r.top && r.right - 1 > r.left; --y)
        frame.push_back({r.left, y});
    for (size_t i = 0; i < frame.size(); ++i)
        FillSolidRect(RectOfSize(frame[i].x, frame[i].y, 1, 1), i % 2 ? RGB(255, 255, 255) : RGB(0, 0, 0));
}

void DC::DrawLine(Point from, Point to, COLORREF c)
{
    if (from.y == to.y) {
        if (to.x >= from.x)
            FillSolidRect({from.x, from.y, to.x, from.y + 1}, c);
        else
            FillSolidRect({to.x + 1, from.y, from.x + 1, from.y + 1}, c);
        return;
    }
    if (from.x == to.x) {
        if (to.y >= from.y)
            FillSolidRect({from.x, from.y, from.x + 1, to.y}, c);
        else
            FillSolidRect({from.x, to.y + 1, from.x + 1, from.y + 1}, c);
        return;
    }
    // Bresenham, stopping before the end point.
    int dx = std::abs(to.x - from.x), sx = from.x < to.x ? 1 : -1;
    int dy = -std::abs(to.y - from.y), sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    Point p = from;
    while (!(p.x == to.x && p.y == to.y)) {
        FillSolidRect({p.x, p.y, p.x + 1, p.y + 1}, c);
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            p.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            p.y += sy;
        }
    }
}

void DC::BitBlt(int x, int y, int width, int height, const Bitmap& src, int srcX, int srcY)
{
    if (!IsAttached() || src.IsNull() || width <= 0 || height <= 0)
        return;
    if (&src == target_) {
        // A copy within one bitmap reads from a snapshot, so overlapping
        // areas come out as if read before written.
        Bitmap snapshot = src.Clone();
        BitBlt(x, y, width, height, snapshot, srcX, srcY);
        return;
    }
    // Only the part that the source really has is copied.
    Rect srcPart = RectOfSize(srcX, srcY, width, height).Intersect(src.Bounds());
    if (srcPart.IsEmpty())
        return;
    Rect dst = srcPart.Offset(x - srcX, y - srcY);
    // Target pixel (tx, ty) in bitmap coordinates reads source pixel
    // (tx + ox, ty + oy).
    const int ox = srcX - x - origin_.x;
    const int oy = srcY - y - origin_.y;
    src.Flush();
    target_->Flush();
    ForEachClipped(dst, [&](const Rect& i) {
        for (int ty = i.top; ty < i.bottom; ++ty) {
            const uint32_t* s = src.Row(ty + oy) + i.left + ox;
            std::copy(s, s + i.Width(), target_->Row(ty) + i.left);
        }
    });
    target_->MarkDirty();
}

void DC::BitBlt(int x, int y, int width, int height, const DC& src, int srcX, int srcY)
{
    if (!src.IsAttached())
        return;
    // The source context's clip does not limit what is read from it.
    BitBlt(x, y, width, height, *src.target_, srcX + src.origin_.x, srcY + src.origin_.y);
}

namespace {

// Calls put(tx, ty, sx, sy) for each pixel (tx, ty) of 'part', a piece of
// the target rectangle 't', with the pixel (sx, sy) of 'srcRect' it scales
// from, when that lies inside the source bitmap ('srcBounds').
template <typename Put>
void ScalePixels(const Rect& part, const Rect& t, const Rect& srcRect, const Rect& srcBounds, Put put)
{
    for (int ty = part.top; ty < part.bottom; ++ty) {
        int sy = srcRect.top + static_cast<int>(static_cast<long long>(ty - t.top) * srcRect.Height() / t.Height());
        for (int tx = part.left; tx < part.right; ++tx) {
            int sx = srcRect.left + static_cast<int>(static_cast<long long>(tx - t.left) * srcRect.Width() / t.Width());
            if (srcBounds.Contains({sx, sy}))
                put(tx, ty, sx, sy);
        }
    }
}

}  // namespace

void DC::StretchBlt(const Rect& dst, const Bitmap& src, const Rect& srcRect)
{
    if (dst.Width() == srcRect.Width() && dst.Height() == srcRect.Height()) {
        BitBlt(dst.left, dst.top, dst.Width(), dst.Height(), src, srcRect.left, srcRect.top);
        return;
    }
    if (!IsAttached() || src.IsNull() || dst.IsEmpty() || srcRect.IsEmpty())
        return;
    src.Flush();
    target_->Flush();
    const Rect srcBounds = src.Bounds();
    const Rect t = ToTarget(dst);
    ForEachClipped(dst, [&](const Rect& i) {
        ScalePixels(i, t, srcRect, srcBounds, [&](int tx, int ty, int sx, int sy) {
            target_->Row(ty)[tx] = src.Row(sy)[sx];
        });
    });
    target_->MarkDirty();
}

void DC::TransparentBlt(const Rect& dst, const Bitmap& src, const Rect& srcRect, COLORREF key)
{
    if (!IsAttached() || src.IsNull() || dst.IsEmpty() || srcRect.IsEmpty())
        return;
    src.Flush();
    target_->Flush();
    const uint32_t keyPixel = PixelFromColour(key);
    const Rect srcBounds = src.Bounds();
    const Rect t = ToTarget(dst);
    ForEachClipped(dst, [&](const Rect& i) {
        ScalePixels(i, t, srcRect, srcBounds, [&](int tx, int ty, int sx, int sy) {
            const uint32_t p = src.Row(sy)[sx] & 0xFFFFFF;
            if (p != keyPixel)
                target_->Row(ty)[tx] = p;
        });
    });
    target_->MarkDirty();
}

COLORREF DC::GetPixel(int x, int y) const
{
    if (!IsAttached())
        return CLR_INVALID;
    return target_->GetPixel(x + origin_.x, y + origin_.y);
}

}  // namespace platform
