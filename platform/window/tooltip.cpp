#include "platform/window/tooltip.h"

#include "platform/window/tip_window.h"
#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace platform {
namespace {

enum : uintptr_t { kTimerShow = 1, kTimerHide = 2, kTimerPoll = 3 };
constexpr int kPollMs = 100;

}  // namespace

ToolTip::ToolTip() = default;

ToolTip::~ToolTip()
{
    Destroy();
}

bool ToolTip::Create(Window* owner)
{
    Destroy();
    tip_ = std::make_unique<TipWindow>();
    tip_->onTimer = [this](uintptr_t id) { OnTipTimer(id); };
    if (!tip_->CreateTip(owner ? owner->GetTopLevel() : nullptr)) {
        tip_.reset();
        return false;
    }
    return true;
}

void ToolTip::OnTipTimer(uintptr_t id)
{
    switch (id) {
    case kTimerShow:
        tip_->KillTimer(kTimerShow);
        ShowPending();
        break;
    case kTimerHide:
        Pop();
        break;
    case kTimerPoll:
        PollPointer();
        break;
    default:
        break;
    }
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
    // Adding a tool again replaces it: a control that changes its tip (the
    // play/pause button) must not grow the list on every change.
    for (Tool& t : tools_) {
        if (t.window == window->GetSafeHwnd() && t.id == toolId) {
            t.rect = rect;
            t.text = text;
            return true;
        }
    }
    tools_.push_back({window->GetSafeHwnd(), toolId, rect, text});
    return true;
}

void ToolTip::SetToolRect(Window* window, uintptr_t toolId, const Rect& rect)
{
    if (!window)
        return;
    for (Tool& t : tools_)
        if (t.window == window->GetSafeHwnd() && t.id == toolId)
            t.rect = rect;
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
    if (!IsCreated())
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
