#include "kvostudio/servicecall.h"

#include <atomic>
#include <system_error>
#include <thread>

#include "kvostudio/onlinetrace.h"

namespace {

// The bar climbs by one each tick, up to where the calls' time limit (20 s)
// would end them, so it never stands still while the user waits.
constexpr int kClimbTarget = 90;
constexpr int kClimbTickMs = 220;

}  // namespace

struct ServiceCalls::Call {
    intptr_t number = 0;
    std::unique_ptr<ServiceProgress> progress;
    std::function<void()> then;
    std::function<void()> cancelledThen;
    std::atomic<bool> cancelled{false};
    std::thread worker;

    // Stops the worker's wait and waits for the worker.
    void Stop()
    {
        cancelled = true;
        if (worker.joinable())
            worker.join();
    }
};

ServiceCalls::ServiceCalls(ServiceOwner& owner)
    : owner_(owner), startThread_([](std::function<void()> run) { return std::thread(std::move(run)); })
{
}

ServiceCalls::~ServiceCalls()
{
    CancelAll();
}

bool ServiceCalls::Begin(const std::string& caption, std::function<void(const KeepGoing&)> work,
                         std::function<void(const std::string&)> notRun, std::function<void()> then,
                         std::function<void()> cancelled)
{
    auto call = std::make_unique<Call>();
    Call& c = *call;
    c.number = ++lastNumber_;
    c.then = std::move(then);
    c.cancelledThen = std::move(cancelled);
    try {
        c.worker = startThread_([this, &c, work = std::move(work)] {
            work([&c] { return !c.cancelled.load(); });
            if (!owner_.PostCommand(ID_CMD_SERVICE_CALL_DONE, c.number))
                OnlineTrace("Service call %ld: its window is gone\n", static_cast<long>(c.number));
        });
    } catch (const std::system_error&) {
        // The flow still ends where it would after a call that got no
        // answer, in its own continuation, which says why.
        OnlineTrace("Service call: no thread could be started\n");
        notRun(kNoServiceWorker);
        if (owner_.PostCommand(ID_CMD_SERVICE_CALL_DONE, c.number))
            calls_.push_back(std::move(call));
        return false;
    }
    c.progress = owner_.CreateProgressWindow();
    if (c.progress) {
        c.progress->SetCaption(caption);
        // Closing the window is the user's cancel: the worker's wait ends at
        // once, and Finish runs the cancel continuation instead.
        c.progress->SetCancel([&c] { c.cancelled = true; });
        c.progress->Show();
        c.progress->PostTargetPercent(kClimbTarget, kClimbTickMs);
    }
    calls_.push_back(std::move(call));
    return true;
}

void ServiceCalls::Finish(intptr_t number)
{
    for (auto it = calls_.begin(); it != calls_.end(); ++it) {
        if ((*it)->number != number)
            continue;
        // Out of the list before the continuation runs: it may start calls
        // of its own, or open a dialog during which others finish.
        std::unique_ptr<Call> call = std::move(*it);
        calls_.erase(it);
        if (call->worker.joinable())
            call->worker.join();
        call->progress.reset();
        if (!call->cancelled) {
            if (call->then)
                call->then();
        } else if (call->cancelledThen) {
            call->cancelledThen();
        }
        return;
    }
}

void ServiceCalls::CancelAll()
{
    std::list<std::unique_ptr<Call>> calls;
    calls.swap(calls_);
    for (auto& call : calls)
        call->Stop();
}

std::string ServiceFailureText(const std::string& what, const std::string& why)
{
    return what + ":\n" + why + ".";
}
