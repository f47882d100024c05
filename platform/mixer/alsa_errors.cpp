// ALSA's complaints routed to a sink of the caller's. Apart from the mixer
// itself, so that a program that only wants them in its log (a player
// whose sound goes through SDL's ALSA driver) does not carry the mixer.
#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/mixer/mixer_backend.h"

namespace platform {

namespace {

std::mutex g_errorLock;
void (*g_errorSink)(const std::string&) = nullptr;

void OnAlsaError(const char* file, int line, const char* function, int err, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string message = "ALSA: ";
    message += text;
    if (err != 0) {
        message += ": ";
        message += snd_strerror(err);
    }
    (void)file;
    (void)line;
    (void)function;
    std::lock_guard<std::mutex> lock(g_errorLock);
    if (g_errorSink)
        g_errorSink(message);
}

}  // namespace

void RouteAlsaErrors(void (*sink)(const std::string& line))
{
    {
        std::lock_guard<std::mutex> lock(g_errorLock);
        g_errorSink = sink;
    }
    snd_lib_error_set_handler(&OnAlsaError);
}

}  // namespace platform
