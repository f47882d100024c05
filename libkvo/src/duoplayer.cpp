#include "libkvo/src/duoplayer.h"

#include <new>

#include "libkvo/src/playeradapter.h"

namespace {

const PlayerNames kDuoNames = {
    240,
    "OpenMp3File",
    "OpenMp3FileEx",
    "OpenMp3Resource",
    "_OpenMp3",
    "GetMp3Info",
    "DuoPlayer::LoadID3",
    "DuoPlayer::PlayLoopM",
};

class DuoPlayer final : public PlayerAdapter<CDuoPlayer> {
public:
    DuoPlayer() : PlayerAdapter(2, kDuoNames) {}

    int OpenMp3File(const char* path, int bufferMs, uint32_t seek, uint32_t size) override
    {
        const std::string p = path ? path : "";
        return core_.OpenFile(p, p, bufferMs, seek, size);
    }
    int OpenStream(int copy, int managed, const void* s1, uint32_t n1, const void* s2, uint32_t n2,
                   int bufferMs) override
    {
        const void* data[2] = {s1, s2};
        const uint32_t sizes[2] = {n1, n2};
        return core_.OpenStream(copy, managed, data, sizes, bufferMs);
    }
    int PushDataToStream(const void* s1, const void* s2, uint32_t size) override
    {
        const void* blocks[2] = {s1, s2};
        return core_.PushData(blocks, size);
    }
    int OpenMp3Resource(const ResourceModule* module, const char* name, const char* type, int bufferMs,
                        uint32_t seek, uint32_t size) override
    {
        return core_.OpenResource(module, name, type, bufferMs, seek, size);
    }
    int SetMixLevel(float level) override { return core_.SetMixLevel(level); }
    int GetMp3Info(MP3_STREAM_INFO* info) override { return core_.GetMp3Info(info); }
    int SetCallbackFunc(MP3CallBack* callback, uint32_t mask) override
    {
        if (!callback)
            return core_.SetCallback(nullptr, 0);
        return core_.SetCallback(
            [callback](uint32_t kind, uintptr_t w, uintptr_t l) { return callback->OnPlayerMessage(kind, w, l); },
            mask);
    }

private:
    ~DuoPlayer() override = default;
};

}  // namespace

CDuoPlayer* CreateDuoPlayer()
{
    return new (std::nothrow) DuoPlayer();
}
