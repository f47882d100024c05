// Device and software volume, and fades.

#include "libkvo/src/playercore.h"

int PlayerCore::SetVolumeMode(int mode)
{
    std::lock_guard<std::mutex> lock(fadeMutex_);
    volumeMode_ = mode;
    return 1;
}
int PlayerCore::SetVolume(uint32_t, uint32_t) { return 1; }
int PlayerCore::SetWaveOutVolume(uint32_t, uint32_t) { return 1; }
int PlayerCore::SetPlayerVolume(uint32_t, uint32_t) { return 1; }
int PlayerCore::GetVolume(uint32_t*, uint32_t*) { return 0; }
int PlayerCore::GetWaveOutVolume(uint32_t*, uint32_t*) { return 0; }
int PlayerCore::GetPlayerVolume(uint32_t*, uint32_t*) { return 0; }
int PlayerCore::FadeVolume(int, int, MP3_TIME*, bool) { return 0; }
