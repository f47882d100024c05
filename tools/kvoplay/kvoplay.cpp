// kvoplay [--vocal PERCENT] PATH
// Plays a .kvo container (accompaniment with the vocal at PERCENT, default
// 100) or a plain MP3 file through the default sound device to its end,
// printing the position. Exits 1 with the player's error text when the file
// does not open. SDL's usual variables (SDL_AUDIODRIVER...) apply.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "kvostudio/mixer.h"
#include "kvostudio/playimpl.h"
#include "platform/audio/audio_output.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kvoplay [--vocal PERCENT] PATH\n");
    return 2;
}

// The facade keeps no error text; the player that failed to open the file
// says why.
std::string WhyItDoesNotOpen(const char* path)
{
    if (CPlayImpl::FileTypeOf(path) == CPlayImpl::kFileKvo) {
        KvoFile kvo;
        if (!kvo.Open(path, false))
            return kvo.Player() ? kvo.Player()->GetError() : "not a readable .kvo container";
    } else if (CPlayImpl::FileTypeOf(path) == CPlayImpl::kFileMp3) {
        Mp3FilePlayer mp3;
        if (!mp3.Open(path))
            return mp3.Player() ? mp3.Player()->GetError() : "cannot open";
        if (!mp3.Play())
            return mp3.Player()->GetError();
        return "cannot play";
    } else {
        return "neither a .kvo container nor an .mp3 file";
    }
    return "cannot play";
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
                     noOutput.empty() ? WhyItDoesNotOpen(path).c_str() : noOutput.c_str());
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
