#include "platform/sdlaudio/sdl_audio_system.h"

#include <SDL.h>

namespace platform::sdl {

std::mutex& AudioSystemMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool StartAudioSystem()
{
    std::lock_guard<std::mutex> lock(AudioSystemMutex());
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void StopAudioSystem()
{
    std::lock_guard<std::mutex> lock(AudioSystemMutex());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace platform::sdl
