#pragma once
// Web-service calls that a window waits for without standing still: each
// runs on a worker thread of its own while a progress window over the
// window says what is asked, and the window goes on drawing and answering.
// The progress window's close button cancels the call at once. The reply
// comes back on the user-interface thread: the worker posts
// ID_CMD_SERVICE_CALL_DONE through the owner, whose handler hands the
// lParam to Finish, which runs the call's continuation with the reply. A
// call the user cancelled runs its cancel continuation instead, when it
// has one; a call for which no worker could start still ends in its
// continuation, with a reply that says so.

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>

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
    // false); 'then' gets its reply on the user-interface thread, and
    // 'cancelled', when given, runs there in its place once the user has
    // given the call up. Reply is a ServiceReply. False when no worker
    // could start: 'then' still comes, with a reply that did not answer
    // and says why.
    template <class Reply>
    bool Start(const std::string& caption, std::function<Reply(const KeepGoing&)> call,
               std::function<void(const Reply&)> then, std::function<void()> cancelled = {})
    {
        auto reply = std::make_shared<Reply>();
        return Begin(
            caption, [reply, call = std::move(call)](const KeepGoing& keepGoing) { *reply = call(keepGoing); },
            [reply](const std::string& why) {
                reply->answered = false;
                reply->failure = why;
            },
            [reply, then = std::move(then)] { then(*reply); }, std::move(cancelled));
    }

    // User-interface thread, for ID_CMD_SERVICE_CALL_DONE: waits for the
    // call's worker, closes its progress window and runs its continuation
    // (or, when the user cancelled it, its cancel continuation). An unknown
    // number is ignored.
    void Finish(intptr_t number);
    // User-interface thread: cancels every call and waits for its worker;
    // no continuation runs.
    void CancelAll();
    size_t Running() const { return calls_.size(); }

    // How workers are started; tests stand in one that fails. The default
    // makes a std::thread.
    using ThreadStarter = std::function<std::thread(std::function<void()>)>;
    void SetThreadStarter(ThreadStarter starter) { startThread_ = std::move(starter); }

private:
    struct Call;

    bool Begin(const std::string& caption, std::function<void(const KeepGoing&)> work,
               std::function<void(const std::string&)> notRun, std::function<void()> then,
               std::function<void()> cancelled);

    ServiceOwner& owner_;
    ThreadStarter startThread_;
    std::list<std::unique_ptr<Call>> calls_;
    intptr_t lastNumber_ = 0;
};

// The message for a call that did not succeed: what could not be done,
// then why ("The upload could not begin: the service did not answer in
// time.").
std::string ServiceFailureText(const std::string& what, const std::string& why);

// Why a call ended without a worker ever running it.
inline constexpr char kNoServiceWorker[] = "the program could not start a worker for it";
