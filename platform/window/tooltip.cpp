#include "platform/window/tooltip.h"

#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {
namespace {

enum : uintptr_t { kTimerShow = 1, kTimerHide = 2, kTimerPoll = 3 };
constexpr int kPollMs = 100;
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

class TipWindow : public Window {
public:
    explicit TipWindow(ToolTip& owner) : owner_(owner) {}

    void ShowText(const std::string& text, Point screen)
    {
        text_ = text;
        Bitmap scratch(1, 1);
        DC dc(scratch);
        dc.SelectFont(&TipFont());
        Size sz = dc.GetTextExtent(text);
        SetWindowPos(screen.x, screen.y, sz.cx + 2 * kPadX, sz.cy + 2 * kPadY, SWP_NOZORDER | SWP_NOACTIVATE);
        Invalidate(true);
        ShowWindow(SW_SHOWNA);
    }

    const std::string& Text() const { return text_; }

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(Window::GetMessageMap(), {
            M::On(WM_PAINT, &TipWindow::OnPaint),
            M::On(WM_ERASEBKGND, &TipWindow::OnErase),
            M::On(WM_TIMER, &TipWindow::OnTimer),
        });
        return &map;
    }

private:
    LRESULT OnPaint(const Message&)
    {
        PaintDC dc(*this);
        Rect r = GetClientRect();
        dc.FillSolidRect(r, kTipBack);
        dc.FrameRect(r, kTipBorder);
        dc.SelectFont(&TipFont());
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(kTipText);
        dc.DrawText(text_, {kPadX, kPadY, r.right - kPadX, r.bottom - kPadY}, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        return 0;
    }
    LRESULT OnErase(const Message&) { return 1; }
    LRESULT OnTimer(const Message& m)
    {
        switch (m.wParam) {
        case kTimerShow:
            KillTimer(kTimerShow);
            owner_.ShowPending();
            break;
        case kTimerHide:
            owner_.Pop();
            break;
        case kTimerPoll:
            owner_.PollPointer();
            break;
        default:
            break;
        }
        return 0;
    }

    ToolTip& owner_;
    std::string text_;
};

ToolTip::ToolTip() = default;

ToolTip::~ToolTip()
{
    Destroy();
}

bool ToolTip::Create(Window* owner)
{
    Destroy();
    tip_ = std::make_unique<TipWindow>(*this);
    Window* ownerTop = owner ? owner->GetTopLevel() : nullptr;
    if (!tip_->CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, "tooltips", "", WS_POPUP, {0, 0, 10, 10}, ownerTop, 0)) {
        tip_.reset();
        return false;
    }
    return true;
}

void ToolTip::Destroy()
{
    if (tip_) {
        tip_->DestroyWindow();
        tip_.reset();
    }
    tools_.clear();
    pending_ = shown_ = -1;
}

bool ToolTip::IsCreated() const
{
    return tip_ && tip_->IsWindow();
}

bool ToolTip::AddTool(Window* window, const std::string& text, const Rect& rect, uintptr_t toolId)
{
    if (!IsCreated() || !window || !window->IsWindow())
        return false;
    tools_.push_back({window->GetSafeHwnd(), toolId, rect, text});
    return true;
}

void ToolTip::UpdateTipText(const std::string& text, Window* window, uintptr_t toolId)
{
    if (!window)
        return;
    for (Tool& t : tools_)
        if (t.window == window->GetSafeHwnd() && t.id == toolId)
            t.text = text;
}

void ToolTip::SetToolRect(Window* window, uintptr_t toolId, const Rect& rect)
{
    if (!window)
        return;
    for (Tool& t : tools_)
        if (t.window == window->GetSafeHwnd() && t.id == toolId)
            t.rect = rect;
}

void ToolTip::DelTool(Window* window, uintptr_t toolId)
{
    if (!window)
        return;
    Pop();
    const WindowHandle h = window->GetSafeHwnd();
    std::erase_if(tools_, [&](const Tool& t) { return t.window == h && t.id == toolId; });
}

const ToolTip::Tool* ToolTip::FindTool(WindowHandle window, Point client) const
{
    Window* w = Window::FromHandle(window);
    if (!w)
        return nullptr;
    for (auto it = tools_.rbegin(); it != tools_.rend(); ++it) {
        if (it->window != window || it->text.empty())
            continue;
        const Rect area = it->rect.IsEmpty() ? w->GetClientRect() : it->rect;
        if (area.Contains(client))
            return &*it;
    }
    return nullptr;
}

void ToolTip::RelayEvent(const Message& msg)
{
    if (!IsCreated() || !active_)
        return;
    if (msg.message != WM_MOUSEMOVE) {
        if (IsMouseMessage(msg.message))
            Pop();  // any click or wheel puts the tip away
        return;
    }
    const Tool* tool = FindTool(msg.hwnd, PointFromLParam(msg.lParam));
    if (!tool) {
        Pop();
        return;
    }
    const int index = static_cast<int>(tool - tools_.data());
    if (index == shown_)
        return;
    pending_ = index;
    if (shown_ >= 0) {
        ShowPending();  // moving from one tool to the next shows at once
        return;
    }
    if (!tip_->HasTimer(kTimerShow))
        tip_->SetTimer(kTimerShow, kInitialDelayMs);
}

void ToolTip::ShowPending()
{
    if (!IsCreated() || pending_ < 0 || pending_ >= static_cast<int>(tools_.size()))
        return;
    shown_ = pending_;
    pending_ = -1;
    const Point cursor = GetCursorPos();
    tip_->ShowText(tools_[shown_].text, {cursor.x, cursor.y + 20});
    tip_->SetTimer(kTimerHide, kAutoPopMs);
    tip_->SetTimer(kTimerPoll, kPollMs);
}

void ToolTip::PollPointer()
{
    if (shown_ < 0 || shown_ >= static_cast<int>(tools_.size())) {
        Pop();
        return;
    }
    const Tool& t = tools_[shown_];
    Window* w = Window::FromHandle(t.window);
    if (!w || !w->IsWindowVisible()) {
        Pop();
        return;
    }
    const Point p = w->ScreenToClient(GetCursorPos());
    const Rect area = t.rect.IsEmpty() ? w->GetClientRect() : t.rect;
    if (!area.Contains(p))
        Pop();
}

void ToolTip::Activate(bool active)
{
    active_ = active;
    if (!active)
        Pop();
}

void ToolTip::Pop()
{
    pending_ = -1;
    shown_ = -1;
    if (!IsCreated())
        return;
    tip_->KillTimer(kTimerShow);
    tip_->KillTimer(kTimerHide);
    tip_->KillTimer(kTimerPoll);
    tip_->ShowWindow(SW_HIDE);
}

bool ToolTip::IsShown() const
{
    return IsCreated() && tip_->IsWindowVisible();
}

std::string ToolTip::ShownText() const
{
    return IsShown() ? tip_->Text() : std::string();
}

}  // namespace platform
