#include "platform/window/tracking_tip.h"

#include "platform/window/tip_window.h"

namespace platform {

TrackingTip::TrackingTip() = default;

TrackingTip::~TrackingTip()
{
    Destroy();
}

bool TrackingTip::Create()
{
    if (IsCreated())
        return true;
    tip_ = std::make_unique<TipWindow>();
    if (!tip_->CreateTip(nullptr)) {
        tip_.reset();
        return false;
    }
    return true;
}

bool TrackingTip::IsCreated() const
{
    return tip_ && tip_->IsWindow();
}

void TrackingTip::Destroy()
{
    if (tip_) {
        tip_->DestroyWindow();
        tip_.reset();
    }
}

void TrackingTip::Show(const std::string& text, Point screen)
{
    if (Create())
        tip_->ShowText(text, screen);
}

void TrackingTip::Hide()
{
    if (IsCreated())
        tip_->ShowWindow(SW_HIDE);
}

bool TrackingTip::IsShown() const
{
    return IsCreated() && tip_->IsWindowVisible();
}

std::string TrackingTip::Text() const
{
    return IsShown() ? tip_->Text() : std::string();
}

Point TrackingTip::Position() const
{
    return IsCreated() ? tip_->GetWindowRect().TopLeft() : Point{};
}

}  // namespace platform
