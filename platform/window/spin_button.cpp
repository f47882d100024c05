#include "platform/window/spin_button.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/window/digit_edit.h"
#include "platform/window/paint_dc.h"

namespace platform {

namespace {

constexpr COLORREF kFace = RGB(225, 225, 225);
constexpr COLORREF kPressedFace = RGB(200, 200, 200);
constexpr COLORREF kBorder = RGB(160, 160, 160);
constexpr COLORREF kArrow = RGB(0, 0, 0);
constexpr COLORREF kDisabledArrow = RGB(150, 150, 150);

// The whole text as an integer; false when it is not one.
bool ParseInteger(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end && *end == '\0';
}

}  // namespace

SpinButton::~SpinButton()
{
    SetBuddy(nullptr);
}

bool SpinButton::Create(uint32_t style, const Rect& rect, Window* parent, int id)
{
    return CreateEx(0, "msctls_updown32", "", style | WS_CHILD, rect, parent, id);
}

const MessageMap* SpinButton::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_LBUTTONDOWN, &SpinButton::OnLButtonDown),
        M::On(WM_LBUTTONUP, &SpinButton::OnLButtonUp),
        M::On(WM_TIMER, &SpinButton::OnTimer),
        M::On(WM_CAPTURECHANGED, &SpinButton::OnCaptureChanged),
        M::On(WM_PAINT, &SpinButton::OnPaint),
        M::On(WM_ERASEBKGND, &SpinButton::OnEraseBkgnd),
    });
    return &map;
}

void SpinButton::SetBuddy(EditBox* buddy)
{
    if (auto* old = dynamic_cast<DigitEdit*>(buddy_))
        old->onArrow = nullptr;
    buddy_ = buddy;
    if (auto* digits = dynamic_cast<DigitEdit*>(buddy))
        digits->onArrow = [this](int direction) {
            if (IsWindowEnabled())
                Step(direction);
        };
}

void SpinButton::SetRange(int lower, int upper)
{
    lower_ = std::min(lower, upper);
    upper_ = std::max(lower, upper);
    pos_ = std::clamp(pos_, lower_, upper_);
}

int SpinButton::GetPos() const
{
    long value = 0;
    if (buddy_ && ParseInteger(buddy_->GetText(), value))
        return static_cast<int>(std::clamp<long>(value, lower_, upper_));
    return pos_;
}

void SpinButton::SetPos(int pos)
{
    pos_ = std::clamp(pos, lower_, upper_);
    if (buddy_)
        buddy_->SetText(std::to_string(pos_));
}

void SpinButton::Step(int direction)
{
    const long next = static_cast<long>(GetPos()) + static_cast<long>(direction) * step_;
    SetPos(static_cast<int>(std::clamp<long>(next, lower_, upper_)));
}

LRESULT SpinButton::OnLButtonDown(const Message& m)
{
    if (!IsWindowEnabled())
        return 0;
    const Point p = PointFromLParam(m.lParam);
    pressed_ = p.y < GetClientRect().Height() / 2 ? 1 : -1;
    SetCapture();
    Step(pressed_);
    SetTimer(kRepeatTimer, kFirstRepeatMs);
    Invalidate(false);
    return 0;
}

void SpinButton::StopRepeat()
{
    KillTimer(kRepeatTimer);
    if (pressed_) {
        pressed_ = 0;
        Invalidate(false);
    }
}

LRESULT SpinButton::OnLButtonUp(const Message&)
{
    StopRepeat();
    if (GetCapture() == this)
        ReleaseCapture();
    return 0;
}

LRESULT SpinButton::OnTimer(const Message& m)
{
    if (m.wParam != kRepeatTimer)
        return Default();
    if (!pressed_) {
        KillTimer(kRepeatTimer);
        return 0;
    }
    Step(pressed_);
    SetTimer(kRepeatTimer, kRepeatMs);
    return 0;
}

LRESULT SpinButton::OnCaptureChanged(const Message&)
{
    if (GetCapture() != this)
        StopRepeat();
    return 0;
}

LRESULT SpinButton::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT SpinButton::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    const int middle = client.Height() / 2;
    const Rect upper{client.left, client.top, client.right, middle};
    const Rect lower{client.left, middle, client.right, client.bottom};
    dc.FillSolidRect(upper, pressed_ > 0 ? kPressedFace : kFace);
    dc.FillSolidRect(lower, pressed_ < 0 ? kPressedFace : kFace);
    dc.FrameRect(upper, kBorder);
    dc.FrameRect(lower, kBorder);
    const COLORREF arrow = IsWindowEnabled() ? kArrow : kDisabledArrow;
    const int cx = client.Width() / 2;
    for (int row = 0; row < 3; ++row) {
        const int upY = upper.top + upper.Height() / 2 - 1 + row;
        dc.DrawLine({cx - row, upY}, {cx + row + 1, upY}, arrow);
        const int downY = lower.top + lower.Height() / 2 + 1 - row;
        dc.DrawLine({cx - row, downY}, {cx + row + 1, downY}, arrow);
    }
    return 0;
}

}  // namespace platform
