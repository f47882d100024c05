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

#include "kvostudio/playimpl.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: kvoplay [--vocal PERCENT] PATH\n");
    return 2;
}

template <typename Player>
int PlayToEnd(Player& player, float length)
{
    if (!player.Play()) {
        std::fprintf(stderr, "kvoplay: %s\n", player.Player()->GetError());
        return 1;
    }
    while (player.IsPlaying()) {
        const float at = player.GetPositionSeconds();
        std::printf("\r%02d:%02d / %02d:%02d", int(at) / 60, int(at) % 60, int(length) / 60, int(length) % 60);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    std::printf("\n");
    return 0;
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

    switch (CPlayImpl::FileTypeOf(path)) {
    case CPlayImpl::kFileKvo: {
        KvoFile kvo;
        if (!kvo.Open(path, false)) {
            std::fprintf(stderr, "kvoplay: %s: %s\n", path,
                         kvo.Player() ? kvo.Player()->GetError() : "not a readable .kvo container");
            return 1;
        }
        kvo.SetVolume(1.0f, 100, 100);
        kvo.SetMixLevel(vocal / 100.0f);
        return PlayToEnd(kvo, kvo.GetLengthSeconds());
    }
    case CPlayImpl::kFileMp3: {
        Mp3FilePlayer mp3;
        if (!mp3.Open(path)) {
            std::fprintf(stderr, "kvoplay: %s: %s\n", path, mp3.Player() ? mp3.Player()->GetError() : "cannot open");
            return 1;
        }
        mp3.SetVolume(1.0f, 100, 100);
        return PlayToEnd(mp3, mp3.GetLengthSeconds());
    }
    default:
        std::fprintf(stderr, "kvoplay: %s: neither a .kvo container nor an .mp3 file\n", path);
        return 1;
    }
}
