#pragma once
// Web-service calls that a window waits for without standing still: each
// runs on a worker thread of its own while a progress window over the
// window says what is asked, and the window goes on drawing and answering.
// The progress window's close button cancels the call at once. The reply
// comes back on the user-interface thread: the worker posts
// ID_CMD_SERVICE_CALL_DONE through the owner, whose handler hands the
// lParam to Finish, which runs the call's continuation with the reply. A
// cancelled call has no continuation.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "kvostudio/serviceowner.h"

// lParam: the call's number, for Finish.
inline constexpr unsigned ID_CMD_SERVICE_CALL_DONE = 33796;

class ServiceCalls {
public:
    using KeepGoing = std::function<bool()>;

    explicit ServiceCalls(ServiceOwner& owner);
    // Cancels every running call and waits for its worker.
    ~ServiceCalls();
    ServiceCalls(const ServiceCalls&) = delete;
    ServiceCalls& operator=(const ServiceCalls&) = delete;

    // User-interface thread. Shows a progress window with the caption and
    // runs 'call' on a worker (it is to end soon after keepGoing says
    // false); 'then' gets its reply on the user-interface thread. False
    // when no worker could start (nothing runs then).
    template <class Reply>
    bool Start(const std::string& caption, std::function<Reply(const KeepGoing&)> call,
               std::function<void(const Reply&)> then)
    {
        auto reply = std::make_shared<Reply>();
        return Begin(
            caption, [reply, call = std::move(call)](const KeepGoing& keepGoing) { *reply = call(keepGoing); },
            [reply, then = std::move(then)] { then(*reply); });
    }

    // User-interface thread, for ID_CMD_SERVICE_CALL_DONE: waits for the
    // call's worker, closes its progress window and, unless it was
    // cancelled, runs its continuation. An unknown number is ignored.
    void Finish(intptr_t number);
    // User-interface thread: cancels every call and waits for its worker;
    // no continuation runs.
    void CancelAll();
    size_t Running() const { return calls_.size(); }

private:
    struct Call;

    bool Begin(const std::string& caption, std::function<void(const KeepGoing&)> work, std::function<void()> then);

    ServiceOwner& owner_;
    std::list<std::unique_ptr<Call>> calls_;
    intptr_t lastNumber_ = 0;
};

// The message for a call that did not succeed: what could not be done,
// then why ("The upload could not begin: the service did not answer in
// time.").
std::string ServiceFailureText(const std::string& what, const std::string& why);
