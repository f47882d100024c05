// Steps a test runs while the window under test sits in one of its own
// modal loops (a popup menu, a dialog): each step is started from the
// message queue, one per tick, so a step that opens a modal loop does not
// hold up the steps after it, which then run inside that loop.
#pragma once

#include <functional>
#include <vector>

#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace mainwindowtest {

class Script : public platform::Window {
public:
    static constexpr platform::UINT kRunStep = platform::WM_APP + 901;

    explicit Script(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {}

    // Starts the steps, one each periodMs.
    bool Start(unsigned periodMs = 60)
    {
        if (!CreateEx(0, "Script", "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0))
            return false;
        return SetTimer(1, periodMs);
    }
    bool Done() const { return started_ >= steps_.size() && running_ == 0; }
    // Runs the loop until every step has run (true) or timeoutMs passed.
    bool RunToEnd(int timeoutMs = 10000)
    {
        return platform::RunLoopUntil([this] { return Done(); }, timeoutMs);
    }

    const platform::MessageMap* GetMessageMap() const override
    {
        using M = platform::MessageMap;
        static const M map(platform::Window::GetMessageMap(), {
            M::On(platform::WM_TIMER, &Script::OnTick),
            M::On(kRunStep, &Script::OnRunStep),
        });
        return &map;
    }

private:
    platform::LRESULT OnTick(const platform::Message&)
    {
        if (!posted_ && started_ < steps_.size()) {
            posted_ = true;
            PostMessage(kRunStep);
        }
        if (started_ >= steps_.size())
            KillTimer(1);
        return 0;
    }
    platform::LRESULT OnRunStep(const platform::Message&)
    {
        posted_ = false;
        if (started_ >= steps_.size())
            return 0;
        auto step = steps_[started_++];
        ++running_;
        step();
        --running_;
        return 0;
    }

    std::vector<std::function<void()>> steps_;
    size_t started_ = 0;
    int running_ = 0;
    bool posted_ = false;
};

}  // namespace mainwindowtest
