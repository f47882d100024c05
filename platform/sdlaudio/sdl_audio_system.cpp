#include "platform/sdlaudio/sdl_audio_system.h"

#include <SDL.h>
#include <glob.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace platform::sdl {

namespace {

std::mutex g_startStop;
std::string g_startError;  // under g_startStop

bool AnyFileMatches(const char* pattern)
{
    glob_t found{};
    const bool any = glob(pattern, 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    globfree(&found);
    return any;
}

// SDL is used only where no sound server answered. Left to choose its own
// driver on a machine with no sound card, no OSS device and no remote
// sndio server named, it finds nothing, but only after reading all of
// ALSA's configuration three times: when it starts, at the open, and once
// more when it stops, in a lowest-priority hot-plug thread that the stop
// waits for. That takes seconds under the thread checker and longer still
// on a busy machine, so there the start fails at once, in plain words. A
// driver named in SDL_AUDIODRIVER is always tried.
bool NothingToPlayOn()
{
    const char* driver = std::getenv("SDL_AUDIODRIVER");
    if (driver && *driver)
        return false;
    const char* sndio = std::getenv("AUDIODEVICE");
    if (sndio && *sndio)
        return false;
    return !AnyFileMatches("/dev/snd/controlC*") && !AnyFileMatches("/dev/dsp*");
}

int SDLCALL RunWork(void* data)
{
    (*static_cast<const std::function<void()>*>(data))();
    return 0;
}

}  // namespace

void RunOnSdlThread(const std::function<void()>& work)
{
    SDL_Thread* thread = SDL_CreateThread(&RunWork, "kvo-sdl-call", const_cast<std::function<void()>*>(&work));
    if (!thread) {
        work();
        return;
    }
    SDL_WaitThread(thread, nullptr);
}

bool AcquireAudioSystem()
{
    std::lock_guard<std::mutex> lock(g_startStop);
    // SDL would otherwise take SIGINT and SIGTERM for a quit event that
    // nobody here reads, and the program could not be ended by them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (NothingToPlayOn()) {
        g_startError = "there is no sound card and no sound server answered";
        return false;
    }
    bool ok = false;
    RunOnSdlThread([&] {
        ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
        // SDL keeps its reason on the thread that failed: this one.
        g_startError = ok ? std::string() : std::string(SDL_GetError());
    });
    return ok;
}

std::string AudioSystemError()
{
    std::lock_guard<std::mutex> lock(g_startStop);
    return g_startError;
}

void ReleaseAudioSystem()
{
    std::lock_guard<std::mutex> lock(g_startStop);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace platform::sdl
