// ALSA's complaints into the log. Apart from the log itself, so that only
// the programs that ask for it carry ALSA.
#include "kvostudio/helpers.h"
#include "platform/mixer/mixer_backend.h"

void LogAlsaErrors()
{
    platform::RouteAlsaErrors([](const std::string& line) { WriteLog(line.c_str()); });
}
