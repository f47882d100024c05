#pragma once
// The sound server's backend of the audio output service: each device is a
// playback stream of the desktop's sound server (PulseAudio, or PipeWire
// through its PulseAudio interface). A buffer goes back to its owner once it
// has been heard, the position is what has been heard by the server's
// account, and a pause holds what the server had not played yet, so play
// goes on from the first sample not heard.

#include <memory>

#include "platform/audio/audio_output.h"

namespace platform::audio {

std::shared_ptr<OutputBackend> MakeServerOutput();

}  // namespace platform::audio
