#pragma once
// The progress window of the online transfers: the skinned progress
// window, driven through the ServiceProgress calls, so that a worker can
// set its percent and hide it by posted messages.

#include <memory>

#include "kvostudio/progressdlg.h"
#include "kvostudio/serviceowner.h"

class ServiceProgressWindow : public ServiceProgress {
public:
    // The window is made (hidden) at once, owned by parent.
    explicit ServiceProgressWindow(platform::Window* parent);
    ~ServiceProgressWindow() override;

    void SetCaption(const std::string& text) override;
    void SetFileName(const std::string& text) override;
    void SetMessageText(const std::string& text) override;
    void SetCancel(std::function<void()> cancel) override;
    void Show() override;
    void PostTargetPercent(int percent, int tick) override;
    void PostHide() override;

    bool IsCreated() const;
    CProgressDlg& Dialog();

private:
    class Window;
    std::unique_ptr<Window> window_;
};

// A ServiceProgressWindow over parent; null when the window cannot be made.
std::unique_ptr<ServiceProgress> MakeServiceProgressWindow(platform::Window* parent);
