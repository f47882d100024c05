#include "platform/sdlaudio/sdl_audio_system.h"

#include <SDL.h>

#include <mutex>
#include <string>

namespace platform::sdl {

namespace {

std::mutex g_startStop;
std::string g_startError;  // under g_startStop

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
