// The server's own change events for sources and defaults, on a client
// main loop with a thread of its own. The events only say that something
// changed; the reader asks for the new state itself.
#include <pulse/pulseaudio.h>

#include "platform/soundserver/sound_server.h"

namespace platform::soundserver {

namespace {

constexpr pa_usec_t kAnswerLimitUs = 5 * PA_USEC_PER_SEC;

class ServerSourceWatch final : public SourceWatch {
public:
    explicit ServerSourceWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

    ~ServerSourceWatch() override
    {
        if (loop_) {
            pa_threaded_mainloop_lock(loop_);
            if (context_) {
                pa_context_set_subscribe_callback(context_, nullptr, nullptr);
                pa_context_set_state_callback(context_, nullptr, nullptr);
                pa_context_disconnect(context_);
            }
            pa_threaded_mainloop_unlock(loop_);
            pa_threaded_mainloop_stop(loop_);
        }
        if (context_)
            pa_context_unref(context_);
        if (loop_)
            pa_threaded_mainloop_free(loop_);
    }

    bool Begin()
    {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_ || !(context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "KVO Studio")))
            return false;
        pa_context_set_state_callback(context_, &ServerSourceWatch::OnState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        pa_threaded_mainloop_lock(loop_);
        if (pa_threaded_mainloop_start(loop_) < 0) {
            pa_threaded_mainloop_unlock(loop_);
            return false;
        }
        const bool ready = WaitUntilReady();
        if (ready) {
            pa_context_set_subscribe_callback(context_, &ServerSourceWatch::OnEvent, this);
            const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE |
                                                                  PA_SUBSCRIPTION_MASK_SERVER);
            if (pa_operation* operation = pa_context_subscribe(context_, mask, nullptr, nullptr))
                pa_operation_unref(operation);
            watching_ = true;
        }
        pa_threaded_mainloop_unlock(loop_);
        return ready;
    }

private:
    static void OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        static_cast<ServerSourceWatch*>(self)->timedOut_ = true;
        pa_threaded_mainloop_signal(static_cast<ServerSourceWatch*>(self)->loop_, 0);
    }

    // With the loop locked.
    bool WaitUntilReady()
    {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        struct timeval limit;
        pa_timeval_add(pa_gettimeofday(&limit), kAnswerLimitUs);
        pa_time_event* timer = api->time_new(api, &limit, &ServerSourceWatch::OnTimeout, this);
        pa_context_state_t state = pa_context_get_state(context_);
        while (state != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(state) && !timedOut_) {
            pa_threaded_mainloop_wait(loop_);
            state = pa_context_get_state(context_);
        }
        api->time_free(timer);
        return state == PA_CONTEXT_READY;
    }

    static void OnState(pa_context* context, void* userdata)
    {
        auto& self = *static_cast<ServerSourceWatch*>(userdata);
        const pa_context_state_t state = pa_context_get_state(context);
        if (!PA_CONTEXT_IS_GOOD(state) && self.watching_) {
            // The server went away: what the reader shows is to be read
            // again (and found gone).
            self.watching_ = false;
            self.changed_();
        }
        pa_threaded_mainloop_signal(self.loop_, 0);
    }

    static void OnEvent(pa_context*, pa_subscription_event_type_t, uint32_t, void* userdata)
    {
        static_cast<ServerSourceWatch*>(userdata)->changed_();
    }

    std::function<void()> changed_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool timedOut_ = false;  // under the loop's lock
    bool watching_ = false;  // under the loop's lock
};

}  // namespace

std::unique_ptr<SourceWatch> WatchSources(std::function<void()> changed)
{
    auto watch = std::make_unique<ServerSourceWatch>(std::move(changed));
    if (!watch->Begin())
        return nullptr;
    return watch;
}

}  // namespace platform::soundserver
