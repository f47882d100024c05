#include "platform/sdlaudio/sdl_audio_system.h"

#include <SDL.h>

namespace platform::sdl {

std::mutex& AudioSystemMutex()
{
    static std::mutex mutex;
    // Starting SDL's audio starts its event system too, which by default
    // takes over SIGINT and SIGTERM and turns them into events that nobody
    // here reads: the program would no longer end when asked to. Every
    // start of SDL's audio first takes this lock, so the hint is set in time.
    static const bool noSignalHandlers = SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    (void)noSignalHandlers;
    return mutex;
}

}  // namespace platform::sdl
