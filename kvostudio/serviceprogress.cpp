#include "kvostudio/serviceprogress.h"

#include "kvostudio/skinframe.h"

using namespace platform;

// The progress window with one more posted message, hide, and, for a task
// that can be given up, a close button.
class ServiceProgressWindow::Window : public CProgressDlg {
public:
    static constexpr UINT kMsgHide = WM_USER + 2;

    explicit Window(platform::Window* parent) : CProgressDlg(parent) {}

    const MessageMap* GetMessageMap() const override
    {
        using M = MessageMap;
        static const M map(CProgressDlg::GetMessageMap(), {M::On(kMsgHide, &Window::OnHide)});
        return &map;
    }

    void SetCancel(std::function<void()> cancel)
    {
        cancel_ = std::move(cancel);
        if (cancel_ && IsWindow() && !closeButton_.IsWindow())
            skinframe::CreateCloseButton(*this, closeButton_);
    }

protected:
    void OnCancel() override
    {
        CProgressDlg::OnCancel();
        if (auto cancel = std::move(cancel_))
            cancel();
    }

private:
    LRESULT OnHide(const Message&)
    {
        ShowWindow(SW_HIDE);
        return 0;
    }

    std::function<void()> cancel_;
    CImageButton closeButton_;
};

ServiceProgressWindow::ServiceProgressWindow(platform::Window* parent) : window_(std::make_unique<Window>(parent))
{
    if (window_->Create(parent))
        window_->ShowWindow(SW_HIDE);
}

ServiceProgressWindow::~ServiceProgressWindow()
{
    if (window_->IsWindow())
        window_->DestroyWindow();
}

bool ServiceProgressWindow::IsCreated() const
{
    return window_->IsWindow();
}

CProgressDlg& ServiceProgressWindow::Dialog()
{
    return *window_;
}

void ServiceProgressWindow::SetCaption(const std::string& text)
{
    window_->SetCaption(text);
}

void ServiceProgressWindow::SetFileName(const std::string& text)
{
    window_->SetFileName(text);
}

void ServiceProgressWindow::SetMessageText(const std::string& text)
{
    window_->SetMessageText(text);
}

void ServiceProgressWindow::SetCancel(std::function<void()> cancel)
{
    window_->SetCancel(std::move(cancel));
}

void ServiceProgressWindow::Show()
{
    window_->ShowWindow(SW_SHOW);
}

void ServiceProgressWindow::PostTargetPercent(int percent, int tick)
{
    window_->PostTargetPercent(percent, tick);
}

void ServiceProgressWindow::PostHide()
{
    window_->PostMessage(Window::kMsgHide);
}

std::unique_ptr<ServiceProgress> MakeServiceProgressWindow(platform::Window* parent)
{
    auto progress = std::make_unique<ServiceProgressWindow>(parent);
    if (!progress->IsCreated())
        return nullptr;
    return progress;
}
