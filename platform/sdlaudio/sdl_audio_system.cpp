#include "platform/sdlaudio/sdl_audio_system.h"

namespace platform::sdl {

std::mutex& AudioSystemMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace platform::sdl
