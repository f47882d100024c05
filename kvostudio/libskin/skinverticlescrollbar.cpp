#include "kvostudio/libskin/skinverticlescrollbar.h"

#include <algorithm>
#include <cmath>

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

// Child, visible, group, notify.
constexpr uint32_t kBarStyle = WS_CHILD | WS_VISIBLE | 0x00020000u | 0x00000100u;
// The thumb travels (h - 53) pixels over the list's whole range.
constexpr int kTravelLoss = 53;

// Scroll units per thumb pixel; 0 when there is no travel or no range.
double Ratio(int h, int limit)
{
    if (limit <= 0 || h - kTravelLoss <= 0)
        return 0.0;
    return static_cast<double>(h - kTravelLoss) / limit;
}

}  // namespace

bool CSkinVerticleScrollbar::Create(Window* parent)
{
    return CreateEx(0, "SkinVerticleScrollbar", "", kBarStyle, Rect{}, parent, kControlId);
}

bool CSkinVerticleScrollbar::LoadBitmaps()
{
    upArrow_ = LoadSkinBitmap(skin::kScrollUp);
    span_ = LoadSkinBitmap(skin::kScrollSpan);
    downArrow_ = LoadSkinBitmap(skin::kScrollDown);
    thumb_ = LoadSkinBitmap(skin::kScrollThumb);
    return !upArrow_.IsNull() && !span_.IsNull() && !downArrow_.IsNull() && !thumb_.IsNull();
}

int CSkinVerticleScrollbar::ClampThumb(int top, int h)
{
    if (top + kArrowHeight > h - kArrowHeight)
        top = h - 2 * kArrowHeight;
    if (top < kArrowHeight)
        top = kArrowHeight;
    return top;
}

int CSkinVerticleScrollbar::ThumbTopFor(int h, int pos, int limit)
{
    const double ratio = Ratio(h, limit);
    if (ratio <= 0.0)
        return kArrowHeight;
    // Clamped before the conversion, so a position past the limit cannot
    // overflow the integer.
    const double along = std::clamp(ratio * pos, -1.0 * h, 1.0 * h);
    return ClampThumb(static_cast<int>(along) + kArrowHeight, h);
}

bool CSkinVerticleScrollbar::HasThumb() const
{
    return list_ && list_->GetVScrollLimit() != 0;
}

void CSkinVerticleScrollbar::UpdateThumb()
{
    const int h = GetClientRect().Height();
    thumbTop_ = list_ ? ThumbTopFor(h, list_->GetVScrollPos(), list_->GetVScrollLimit()) : kArrowHeight;
    Draw();
}

void CSkinVerticleScrollbar::Draw()
{
    if (!IsWindow())
        return;
    ClientDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
}

void CSkinVerticleScrollbar::Render(DC& dc) const
{
    const Rect client = GetClientRect();
    const int h = client.Height();
    dc.FillSolidRect(client, kBackground);
    dc.BitBlt(0, 0, kWidth, kArrowHeight, upArrow_, 0, 0);
    // The span image is laid end to end down to the bottom arrow, and the
    // bottom arrow sits at the bottom, where it is clicked, so a list
    // taller than the images' 105 pixels still shows a whole bar.
    const int spanEnd = h - kArrowHeight;
    for (int y = kArrowHeight; y < spanEnd && span_.Height() > 0; y += span_.Height())
        dc.BitBlt(0, y, kWidth, std::min(span_.Height(), spanEnd - y), span_, 0, 0);
    dc.BitBlt(0, std::max(spanEnd, kArrowHeight), kWidth, kArrowHeight, downArrow_, 0, 0);
    if (HasThumb())
        dc.BitBlt(0, thumbTop_, kWidth, kThumbHeight, thumb_, 0, 0);
}

void CSkinVerticleScrollbar::Step(WPARAM request)
{
    if (list_) {
        if (Window* w = list_->GetScrollWindow())
            w->SendMessage(WM_VSCROLL, request, 0);
    }
    UpdateThumb();
}

Rect CSkinVerticleScrollbar::UpArrowHit() const
{
    return {0, 0, kHitWidth, kArrowHeight};
}

Rect CSkinVerticleScrollbar::DownArrowHit() const
{
    const int h = GetClientRect().Height();
    return {0, h - kArrowHeight, kHitWidth, h};
}

Rect CSkinVerticleScrollbar::ThumbHit() const
{
    return {0, thumbTop_, kHitWidth, thumbTop_ + kArrowHeight};
}

const MessageMap* CSkinVerticleScrollbar::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CSkinVerticleScrollbar::OnPaint),
        M::On(WM_LBUTTONDOWN, &CSkinVerticleScrollbar::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CSkinVerticleScrollbar::OnLButtonUp),
        M::On(WM_MOUSEMOVE, &CSkinVerticleScrollbar::OnMouseMove),
        M::On(WM_TIMER, &CSkinVerticleScrollbar::OnTimer),
    });
    return &map;
}

LRESULT CSkinVerticleScrollbar::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
    return 0;
}

LRESULT CSkinVerticleScrollbar::OnLButtonDown(const Message& m)
{
    SetCapture();
    const Point p = PointFromLParam(m.lParam);
    if (ThumbHit().Contains(p)) {
        dragging_ = true;
    } else if (DownArrowHit().Contains(p)) {
        downPressed_ = true;
        SetTimer(kDelayTimer, kDelayMs);
    } else if (UpArrowHit().Contains(p)) {
        upPressed_ = true;
        SetTimer(kDelayTimer, kDelayMs);
    }
    return Default();
}

LRESULT CSkinVerticleScrollbar::OnTimer(const Message& m)
{
    if (m.wParam == kDelayTimer) {
        if (upPressed_ || downPressed_) {
            KillTimer(kDelayTimer);
            SetTimer(kRepeatTimer, kRepeatMs);
        }
    } else if (m.wParam == kRepeatTimer) {
        if (downPressed_)
            LineDown();
        else if (upPressed_)
            LineUp();
    }
    return Default();
}

LRESULT CSkinVerticleScrollbar::OnMouseMove(const Message& m)
{
    if (dragging_ && list_) {
        const int h = GetClientRect().Height();
        thumbTop_ = PointFromLParam(m.lParam).y;
        const int limit = list_->GetVScrollLimit();
        const double ratio = Ratio(h, limit);
        if (ratio > 0.0) {
            const int pos = list_->GetVScrollPos();
            const double row = std::clamp((thumbTop_ - kArrowHeight) / ratio, -1.0 * limit - 1, 1.0 * limit + 1);
            const int lines = static_cast<int>(row) - pos;
            if (lines != 0)
                list_->ScrollBy(lines * list_->GetRowHeight());
        }
        thumbTop_ = ClampThumb(thumbTop_, h);
        Draw();
        if (Window* w = list_->GetScrollWindow())
            w->Invalidate(false);
    }
    return Default();
}

LRESULT CSkinVerticleScrollbar::OnLButtonUp(const Message& m)
{
    UpdateThumb();
    KillTimer(kRepeatTimer);
    // The first delay too: a press released before it ran out would
    // otherwise leave it ticking for nothing.
    KillTimer(kDelayTimer);
    if (GetCapture() == this)
        ReleaseCapture();
    const Point p = PointFromLParam(m.lParam);
    if (UpArrowHit().Contains(p) && upPressed_) {
        LineUp();
    } else if (DownArrowHit().Contains(p) && downPressed_) {
        LineDown();
    } else if (ThumbHit().Contains(p)) {
        // released on the thumb: no step
    } else if (!dragging_) {
        if (thumbTop_ < p.y)
            PageDown();
        else
            PageUp();
    }
    upPressed_ = false;
    downPressed_ = false;
    dragging_ = false;
    return Default();
}
