#include "platform/soundserver/client_loop.h"

namespace platform::soundserver {

namespace {

constexpr pa_usec_t kAnswerLimitUs = 5 * PA_USEC_PER_SEC;

}  // namespace

std::string ContextError(pa_context* context)
{
    return pa_strerror(pa_context_errno(context));
}

ClientLoop::~ClientLoop()
{
    if (loop_) {
        Lock();
        if (context_) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
        }
        Unlock();
        pa_threaded_mainloop_stop(loop_);
    }
    if (context_)
        pa_context_unref(context_);
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

bool ClientLoop::ConnectAndLock(std::string& reason)
{
    loop_ = pa_threaded_mainloop_new();
    if (!loop_ || !(context_ = pa_context_new(Api(), "KVO Studio"))) {
        reason = "the sound server's client could not be set up";
        return false;
    }
    pa_context_set_state_callback(context_, [](pa_context*, void* self) { SignalFrom(self); }, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        reason = ContextError(context_);
        return false;
    }
    Lock();
    if (pa_threaded_mainloop_start(loop_) < 0) {
        Unlock();
        reason = "the sound server's client could not start";
        return false;
    }
    WaitLocked([&] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (pa_context_get_state(context_) == PA_CONTEXT_READY)
        return true;
    reason = timedOut_ ? "the sound server does not answer" : ContextError(context_);
    Unlock();
    return false;
}

bool ClientLoop::WaitForOperation(pa_operation* operation)
{
    if (!operation)
        return false;
    const bool done = WaitLocked([&] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

void ClientLoop::StartLimit()
{
    timedOut_ = false;
    struct timeval limit;
    pa_timeval_add(pa_gettimeofday(&limit), kAnswerLimitUs);
    limit_ = Api()->time_new(Api(), &limit, &ClientLoop::OnLimit, this);
}

void ClientLoop::EndLimit()
{
    if (limit_)
        Api()->time_free(limit_);
    limit_ = nullptr;
}

void ClientLoop::OnLimit(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
{
    auto& loop = *static_cast<ClientLoop*>(self);
    loop.timedOut_ = true;
    loop.Signal();
}

}  // namespace platform::soundserver
