#pragma once
// The SDL2 backend of the audio output service. SDL reaches PipeWire,
// PulseAudio or ALSA; SDL_AUDIODRIVER picks its driver as usual (read each
// time SDL's audio system starts, that is when no device of ours is open).

#include <memory>

#include "platform/audio/audio_output.h"

namespace platform::audio {

std::shared_ptr<OutputBackend> MakeSdlOutput();

// True when this SDL has the named audio driver ("disk", "pulseaudio"...).
bool SdlHasAudioDriver(const char* name);

// The result code for the error text of a failed SDL device open.
int SdlOpenErrorToResult(const char* sdlError);

}  // namespace platform::audio
