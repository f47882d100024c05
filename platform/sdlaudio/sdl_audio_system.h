#pragma once
#include <mutex>

namespace platform::sdl {

// Held around every start and stop of SDL's audio system, by the output
// and the capture backends alike.
std::mutex& AudioSystemMutex();

}  // namespace platform::sdl
