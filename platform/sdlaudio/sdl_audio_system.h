#pragma once
// What SDL's audio output and capture share: starting and stopping SDL's
// audio system, and a way to run SDL calls that leave nothing behind on
// the thread that asks.
//
// SDL starts and stops its audio system by a count that is not thread
// safe, so every start and stop here takes one lock. SDL also keeps an
// error text per thread, which it frees only for threads it made itself;
// starting the audio system always writes it, and so does a device open
// that fails. Callers here are often short-lived (a player's decoding
// thread opens the device once per song), so those calls run on a thread
// SDL makes for them.

#include <functional>
#include <string>

namespace platform::sdl {

// Runs 'work' on a short-lived thread made by SDL and waits for it to end.
// When SDL cannot make a thread, 'work' runs on the calling thread.
void RunOnSdlThread(const std::function<void()>& work);

// Takes one reference to SDL's audio system, starting it when it is not
// running (SDL_AUDIODRIVER is read then), with SDL told to leave SIGINT
// and SIGTERM to the program. False when it does not start, and at once
// when SDL could reach no sound device at all (see the source).
bool AcquireAudioSystem();
// SDL's reason when the last start failed (empty after a start that did
// not).
std::string AudioSystemError();
// Gives back a reference AcquireAudioSystem took; the last one stops it.
void ReleaseAudioSystem();

// One reference for as long as the object lives.
class AudioSystemSession {
public:
    AudioSystemSession() : ok_(AcquireAudioSystem()) {}
    ~AudioSystemSession()
    {
        if (ok_)
            ReleaseAudioSystem();
    }
    AudioSystemSession(const AudioSystemSession&) = delete;
    AudioSystemSession& operator=(const AudioSystemSession&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_ = false;
};

}  // namespace platform::sdl
