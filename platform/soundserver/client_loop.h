#pragma once
// The client side of one connection to the sound server, on a main loop with
// a thread of its own (libpulse's threaded loop), as the record and playback
// streams use it. Every call into libpulse is made with the loop's lock
// held; the stream callbacks run on the loop's thread with it held.
#include <pulse/pulseaudio.h>

#include <string>

namespace platform::soundserver {

class ClientLoop {
public:
    ClientLoop() = default;
    // Stops the loop's thread and lets the connection go; streams must be
    // disconnected before (with the lock held).
    ~ClientLoop();
    ClientLoop(const ClientLoop&) = delete;
    ClientLoop& operator=(const ClientLoop&) = delete;

    // Connects (never starting a server of its own) and starts the loop's
    // thread. On success the lock is held and the context is ready; on
    // failure nothing is held and `reason` says why.
    bool ConnectAndLock(std::string& reason);

    // Waits, with the lock held, until done() holds or the server took too
    // long to answer (a few seconds); done()'s last answer.
    template <typename Done>
    bool WaitLocked(Done&& done)
    {
        StartLimit();
        while (!done() && !timedOut_)
            pa_threaded_mainloop_wait(loop_);
        EndLimit();
        return done();
    }
    // Waits for the operation to end (cancelled when it takes too long);
    // null counts as failed.
    bool WaitForOperation(pa_operation* operation);
    bool TimedOut() const { return timedOut_; }

    void Lock()
    {
        if (loop_)
            pa_threaded_mainloop_lock(loop_);
    }
    void Unlock()
    {
        if (loop_)
            pa_threaded_mainloop_unlock(loop_);
    }
    // Wakes whoever waits in WaitLocked; for callbacks of the loop's thread.
    void Signal() { pa_threaded_mainloop_signal(loop_, 0); }
    static void SignalFrom(void* self) { static_cast<ClientLoop*>(self)->Signal(); }

    pa_context* Context() const { return context_; }
    pa_mainloop_api* Api() const { return pa_threaded_mainloop_get_api(loop_); }

private:
    void StartLimit();
    void EndLimit();
    static void OnLimit(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_time_event* limit_ = nullptr;
    bool timedOut_ = false;
};

// The server's words for the context's last failure.
std::string ContextError(pa_context* context);

}  // namespace platform::soundserver
