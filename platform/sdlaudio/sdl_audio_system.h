#pragma once
#include <mutex>

namespace platform::sdl {

// Held around every start and stop of SDL's audio system, by the output
// and the capture backends alike.
std::mutex& AudioSystemMutex();

// One counted start and stop of SDL's audio system, under that lock. SDL
// is told to leave SIGINT and SIGTERM alone: it would otherwise take them
// for a quit event that nobody here reads, and the program could not be
// ended by them.
bool StartAudioSystem();
void StopAudioSystem();

}  // namespace platform::sdl
