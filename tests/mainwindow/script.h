// Steps a test runs while the window under test sits in one of its own
// modal loops (a popup menu, a dialog): each step is started from the
// message queue, so a step that opens a modal loop does not hold up the
// steps after it, which then run inside that loop. A step runs once the
// state it needs has come, never after a fixed time: the script looks at
// the step's condition every few milliseconds and gives up on it only
// after a generous bound, saying which step it was.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/ui_loop.h"
#include "platform/window/window.h"

namespace mainwindowtest {

class Script : public platform::Window {
public:
    static constexpr platform::UINT kRunStep = platform::WM_APP + 901;
    // How long a step's condition may take to hold: far beyond what a busy
    // machine or a sanitizer build needs.
    static constexpr int kStepTimeoutMs = 20000;

    // A step that runs once the step before it has started.
    Script& Then(std::function<void()> act) { return When("", nullptr, std::move(act)); }
    // A step that runs once 'ready' holds; 'what' names that state in the
    // failure. A step without an action only waits.
    Script& When(std::string what, std::function<bool()> ready, std::function<void()> act = nullptr)
    {
        steps_.push_back({std::move(what), std::move(ready), std::move(act)});
        return *this;
    }

    bool Start()
    {
        if (!CreateEx(0, "Script", "", platform::WS_POPUP, {0, 0, 1, 1}, nullptr, 0))
            return false;
        waitingSince_ = Clock::now();
        return SetTimer(1, kPollMs);
    }
    // Every step started and none is still running, or a step gave up.
    bool Done() const { return (started_ >= steps_.size() || !failure_.empty()) && running_ == 0; }
    // Runs the loop until the script is done: true when every step ran.
    bool RunToEnd()
    {
        const int bound = static_cast<int>(steps_.size() + 1) * kStepTimeoutMs;
        if (!platform::RunLoopUntil([this] { return Done(); }, bound) && failure_.empty())
            failure_ = "the script did not end within " + std::to_string(bound) + " ms";
        return failure_.empty();
    }
    // Which step gave up, and on what; empty while none has.
    const std::string& Failure() const { return failure_; }

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
    using Clock = std::chrono::steady_clock;
    static constexpr unsigned kPollMs = 10;

    struct Step {
        std::string what;
        std::function<bool()> ready;
        std::function<void()> act;
    };

    platform::LRESULT OnTick(const platform::Message&)
    {
        if (started_ >= steps_.size() || !failure_.empty()) {
            KillTimer(1);
            return 0;
        }
        if (posted_)
            return 0;
        const Step& next = steps_[started_];
        if (!next.ready || next.ready()) {
            posted_ = true;
            PostMessage(kRunStep);
        } else if (Clock::now() - waitingSince_ > std::chrono::milliseconds(kStepTimeoutMs)) {
            failure_ = "step " + std::to_string(started_ + 1) + " waited in vain for " + next.what;
            KillTimer(1);
        }
        return 0;
    }
    platform::LRESULT OnRunStep(const platform::Message&)
    {
        posted_ = false;
        if (started_ >= steps_.size() || !failure_.empty())
            return 0;
        auto act = steps_[started_++].act;
        waitingSince_ = Clock::now();
        ++running_;
        if (act)
            act();
        --running_;
        return 0;
    }

    std::vector<Step> steps_;
    size_t started_ = 0;
    int running_ = 0;
    bool posted_ = false;
    Clock::time_point waitingSince_;
    std::string failure_;
};

}  // namespace mainwindowtest
