#include "platform/window/tracking_tip.h"

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"
#include "platform/window/window.h"

namespace platform {
namespace {

// The same look as the hover tooltips.
constexpr COLORREF kTipBack = RGB(255, 255, 225);
constexpr COLORREF kTipText = RGB(0, 0, 0);
constexpr COLORREF kTipBorder = RGB(118, 118, 118);
constexpr int kPadX = 4;
constexpr int kPadY = 2;

const Font& TipFont()
{
    static const Font font(Font::kFallbackFace, -12);
    return font;
}

}  // namespace

class TrackingTipWindow : public Window {
public:
    void ShowText(const std::string& text, Point screen)
    {
        text_ = text;
        Bitmap scratch(1, 1);
        DC dc(scratch);
        dc.SelectFont(&TipFont());
        const Size sz = dc.GetTextExtent(text);
        SetWindowPos(screen.x, screen.y, sz.cx + 2 * kPadX, sz.cy + 2 * kPadY, SWP_NOZORDER | SWP_NOACTIVATE);
        Invalidate(true);
        ShowWindow(SW_SHOWNA);
    }
    const std::string& Text() const { return text_; }

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {
            M::On(WM_PAINT, &TrackingTipWindow::OnPaint),
            M::On(WM_ERASEBKGND, &TrackingTipWindow::OnErase),
        });
        return &map;
    }

private:
    LRESULT OnPaint(const Message&)
    {
        PaintDC dc(*this);
        const Rect r = GetClientRect();
        dc.FillSolidRect(r, kTipBack);
        dc.FrameRect(r, kTipBorder);
        dc.SelectFont(&TipFont());
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kTipText);
        dc.DrawText(text_, {kPadX, kPadY, r.right - kPadX, r.bottom - kPadY}, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        return 0;
    }
    LRESULT OnErase(const Message&) { return 1; }

    std::string text_;
};

TrackingTip::TrackingTip() = default;

TrackingTip::~TrackingTip()
{
    Destroy();
}

bool TrackingTip::Create()
{
    if (IsCreated())
        return true;
    tip_ = std::make_unique<TrackingTipWindow>();
    if (!tip_->CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "tooltips", "", WS_POPUP, {0, 0, 10, 10}, nullptr, 0)) {
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
