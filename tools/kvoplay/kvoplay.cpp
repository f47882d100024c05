// kvoplay [--vocal PERCENT] PATH
// Plays a .kvo container (accompaniment with the vocal at PERCENT, default
// 100) or a plain MP3 file through the default sound device to its end,
// printing the position. Exits 1 with the path and the reason in plain
// words when the file does not play. SDL's usual variables
// (SDL_AUDIODRIVER...) apply.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "kvostudio/fileproblem.h"
#include "kvostudio/helpers.h"
#include "kvostudio/playimpl.h"
#include "platform/audio/audio_output.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kvoplay [--vocal PERCENT] PATH\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    int vocal = 100;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--vocal") == 0 && i + 1 < argc) {
            char* end = nullptr;
            const long v = std::strtol(argv[++i], &end, 10);
            if (!end || *end || v < 0 || v > 1000)
                return Usage();
            vocal = int(v);
        } else if (!path && argv[i][0] != '-') {
            path = argv[i];
        } else {
            return Usage();
        }
    }
    if (!path)
        return Usage();

    LogAlsaErrors();
    CPlayImpl player;
    if (!player.Play(path, 1.0f)) {
        // No sound output is the user's to mend, not the file's.
        const std::string noOutput = platform::audio::OutputOpenFailureText();
        std::fprintf(stderr, "kvoplay: %s: %s\n", path,
                     noOutput.empty() ? FileFailureReason(path, player.LastPlayError()).c_str() : noOutput.c_str());
        return 1;
    }
    player.SetVolume(1.0f, static_cast<unsigned>(vocal));
    const float length = player.GetLength();
    while (player.IsPlaying()) {
        const float at = player.GetPosition();
        std::printf("\r%02d:%02d / %02d:%02d", int(at) / 60, int(at) % 60, int(length) / 60, int(length) % 60);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::printf("\n");
    return 0;
}
