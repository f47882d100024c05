#include "kvostudio/libskin/imagesliderctrl.h"

#include <algorithm>
#include <cstdio>

#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "platform/window/debug_output.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

// Child, visible, clipping siblings and children.
constexpr uint32_t kSliderStyle = 0x56000000;

}  // namespace

int CImageSliderCtrl::Create(const Rect& windowRect, const Rect& trackRect, const Rect& thumbRect, Window* parent,
                             unsigned id, bool horizontal, const std::string& background, const std::string& fill,
                             const std::string& thumb, const std::string& thumbOver, const std::string& thumbPress,
                             int minimum, int maximum)
{
    background_ = LoadSkinBitmap(background);
    fill_ = LoadSkinBitmap(fill);
    thumbImage_ = LoadSkinBitmap(thumb);
    thumbOverImage_ = LoadSkinBitmap(thumbOver);
    thumbPressImage_ = LoadSkinBitmap(thumbPress);
    windowRect_ = windowRect;
    trackRect_ = trackRect;
    thumbRect_ = thumbRect;
    thumbOverSize_ = thumbRect.GetSize();
    thumbPressSize_ = thumbRect.GetSize();
    horizontal_ = horizontal;
    min_ = minimum;
    max_ = maximum;
    state_ = kNormal;
    const int trackAlong = horizontal ? trackRect.Width() : trackRect.Height();
    const int thumbAlong = horizontal ? thumbRect.Width() : thumbRect.Height();
    travel_ = thumbImage_.IsNull() ? trackAlong : trackAlong - thumbAlong;
    if (!CreateEx(0, "ImageSlider", "ImageSlider", kSliderStyle, windowRect, parent, static_cast<int>(id)))
        return 0;
    UpdateThumb();
    return 1;
}

void CImageSliderCtrl::SetRange(int minimum, int maximum)
{
    min_ = minimum;
    max_ = maximum;
}

void CImageSliderCtrl::SetPos(int position)
{
    if (position == pos_)
        return;
    pos_ = position;
    if (state_ != kDragging)
        UpdateThumb();
}

void CImageSliderCtrl::SetFillPercent(int percent)
{
    if (percent < 0 || percent > 100)
        return;
    fillPercent_ = percent;
    const int w = trackRect_.Width();
    const int h = trackRect_.Height();
    if (horizontal_)
        fillRect_ = {0, 0, w * percent / 100, h};
    else
        fillRect_ = {0, h - h * percent / 100, w, h};
    Invalidate(false);
}

void CImageSliderCtrl::SetFillSource(int left, int top, int right, int bottom)
{
    fillSource_ = {left, top, right, bottom};
    fillSourceOn_ = true;
    Invalidate(false);
}

void CImageSliderCtrl::EnableInput(bool on)
{
    inputEnabled_ = on;
}

int CImageSliderCtrl::ThumbSize() const
{
    return horizontal_ ? thumbRect_.Width() : thumbRect_.Height();
}

int CImageSliderCtrl::WindowSize() const
{
    return horizontal_ ? windowRect_.Width() : windowRect_.Height();
}

void CImageSliderCtrl::UpdateThumb()
{
    // Offset along the travel. The range is counted from the minimum, and a
    // zero (or reversed) range or travel places the thumb at an end rather
    // than dividing by it.
    const int range = max_ - min_;
    int offset;
    if (pos_ - min_ < 1 || travel_ <= 0)
        offset = 0;
    else if (pos_ >= max_ || range <= 0)
        offset = travel_;
    else
        offset = static_cast<int>(static_cast<float>(pos_ - min_) * (static_cast<float>(travel_) / range));
    offset = std::clamp(offset, 0, std::max(travel_, 0));
    const Rect old = thumb_;
    if (horizontal_) {
        thumb_ = RectOfSize(offset, 0, thumbRect_.Width(), thumbRect_.Height());
    } else {
        const int bottom = windowRect_.Height() - offset;
        thumb_ = {0, bottom - thumbRect_.Height(), thumbRect_.Width(), bottom};
    }
    // Everything between the old and the new place too: the fill before
    // the thumb changes along with it.
    InvalidateRect(old.Union(thumb_), false);
}

void CImageSliderCtrl::UpdatePosFromThumb()
{
    const int range = max_ - min_;
    const float scale = travel_ > 0 ? static_cast<float>(range) / travel_ : 0.0f;
    int pos;
    if (horizontal_) {
        if (thumb_.left <= 0)
            pos = min_;
        else if (thumb_.right >= windowRect_.Width() || travel_ <= 0)
            pos = max_;
        else
            pos = min_ + static_cast<int>(thumb_.left * scale);
    } else {
        if (thumb_.bottom >= windowRect_.Height())
            pos = min_;
        else if (thumb_.top > 0 && travel_ > 0)
            pos = static_cast<int>(max_ - thumb_.top * scale);
        else
            pos = max_;
    }
    pos_ = std::clamp(pos, std::min(min_, max_), std::max(min_, max_));
    char line[24];
    std::snprintf(line, sizeof line, "%d\n", pos_);
    DebugOutput(line);
    SendNotifyToParent(NM_RELEASEDCAPTURE);
}

int CImageSliderCtrl::ThumbAlong() const
{
    return horizontal_ ? thumb_.left : thumb_.top;
}

void CImageSliderCtrl::PlaceThumbAt(int along)
{
    along = std::clamp(along, 0, std::max(WindowSize() - ThumbSize(), 0));
    const Rect old = thumb_;
    if (horizontal_)
        thumb_ = RectOfSize(along, thumb_.top, thumbRect_.Width(), thumbRect_.Height());
    else
        thumb_ = RectOfSize(thumb_.left, along, thumbRect_.Width(), thumbRect_.Height());
    InvalidateRect(old.Union(thumb_), false);
}

void CImageSliderCtrl::Draw(DC& dc) const
{
    dc.BitBlt(0, 0, windowRect_.Width(), windowRect_.Height(), background_, windowRect_.left, windowRect_.top);
    dc.BitBlt(fillRect_.left, fillRect_.top, fillRect_.Width(), fillRect_.Height(), fill_, trackRect_.left,
              trackRect_.top);
    if (fillSourceOn_) {
        if (horizontal_)
            dc.BitBlt(0, 0, thumb_.left, fillSource_.Height(), background_, fillSource_.left, fillSource_.top);
        else
            dc.BitBlt(0, 0, fillSource_.Width(), thumb_.top, background_, fillSource_.left, fillSource_.top);
    }
    const Bitmap& image = state_ == kDragging ? thumbPressImage_ : state_ == kOver ? thumbOverImage_ : thumbImage_;
    const Size size = state_ == kDragging ? thumbPressSize_ : state_ == kOver ? thumbOverSize_ : thumbRect_.GetSize();
    dc.BitBlt(thumb_.left, thumb_.top, size.cx, size.cy, image, thumbRect_.left, thumbRect_.top);
}

const MessageMap* CImageSliderCtrl::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CImageSliderCtrl::OnPaint),
        M::On(WM_ERASEBKGND, &CImageSliderCtrl::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CImageSliderCtrl::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CImageSliderCtrl::OnLButtonUp),
        M::On(WM_MOUSEMOVE, &CImageSliderCtrl::OnMouseMove),
        M::On(WM_MOUSELEAVE, &CImageSliderCtrl::OnMouseLeave),
    });
    return &map;
}

LRESULT CImageSliderCtrl::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Draw(mem);
    return 0;
}

LRESULT CImageSliderCtrl::OnEraseBkgnd(const Message& m)
{
    if (auto* dc = reinterpret_cast<DC*>(m.wParam)) {
        CMemDC mem(dc, GetClientRect());
        Draw(mem);
    }
    return 1;
}

LRESULT CImageSliderCtrl::OnLButtonDown(const Message& m)
{
    if (!inputEnabled_)
        return 0;
    const Point p = PointFromLParam(m.lParam);
    if (thumb_.Contains(p)) {
        state_ = kDragging;
        SetCapture();
        lastPoint_ = p;
        Invalidate(false);
        return 0;
    }
    const int along = horizontal_ ? p.x : p.y;
    PlaceThumbAt(along - ThumbSize() / 2);
    UpdatePosFromThumb();
    Invalidate(false);
    return 0;
}

LRESULT CImageSliderCtrl::OnMouseMove(const Message& m)
{
    TrackMouseEvent(TME_LEAVE, 1);
    const Point p = PointFromLParam(m.lParam);
    if (state_ == kDragging) {
        const int delta = horizontal_ ? p.x - lastPoint_.x : p.y - lastPoint_.y;
        PlaceThumbAt(ThumbAlong() + delta);
        lastPoint_ = p;
        Invalidate(false);
    } else if (state_ == kNormal && thumb_.Contains(p)) {
        state_ = kOver;
        Invalidate(false);
    }
    return 0;
}

LRESULT CImageSliderCtrl::OnLButtonUp(const Message&)
{
    if (!inputEnabled_ || state_ != kDragging)
        return 0;
    state_ = kOver;
    ReleaseCapture();
    UpdatePosFromThumb();
    Invalidate(false);
    return 0;
}

LRESULT CImageSliderCtrl::OnMouseLeave(const Message&)
{
    state_ = kNormal;
    InvalidateRect(thumb_, false);
    return 0;
}
