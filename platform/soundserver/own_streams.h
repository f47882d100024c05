#pragma once
// Which of the server's playback streams are this program's own, for the
// calls that follow the program's sound to the output it is on.
#include <pulse/pulseaudio.h>

namespace platform::soundserver {

// True when the stream's properties name this process as its client.
bool IsOwnStream(const pa_proplist* properties);

}  // namespace platform::soundserver
