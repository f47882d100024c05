#pragma once
// Inside the audio service only: the volume of a device id without the
// range check, cheap enough for a backend's audio thread.
#include <cstdint>

#include "platform/audio/audio_output.h"

namespace platform::audio {

uint32_t CurrentOutputVolume(int deviceId);

}  // namespace platform::audio
