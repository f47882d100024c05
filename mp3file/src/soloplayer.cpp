#include "mp3file/src/soloplayer.h"

#include <new>
#include <string>

#include "libkvo/src/playeradapter.h"
#include "platform/text/unicode.h"

namespace {

const PlayerNames kSoloNames = {
    250,
    "Open_Mp3File",
    "Open_Mp3FileEx",
    "Open_Mp3Resource",
    "_Open_Mp3",
    "Get_Mp3Info",
    "SoloPlayer::LoadID3",
    "SoloPlayer::PlayLoopM",
};

// Wide paths are UTF-32 here; files are opened by their UTF-8 names.
std::string Utf8FromWide(const wchar_t* text)
{
    std::string out;
    for (; text && *text; ++text)
        platform::AppendUtf8(out, static_cast<char32_t>(*text));
    return out;
}

class SoloPlayer final : public PlayerAdapter<CSoloPlayer> {
public:
    SoloPlayer() : PlayerAdapter(1, kSoloNames) {}

    int Open_Mp3File(const char* path, int bufferMs, uint32_t seek, uint32_t size) override
    {
        const std::string p = path ? path : "";
        return core_.OpenFile(p, p, bufferMs, seek, size);
    }
    int Open_Mp3FileW(const wchar_t* path, int bufferMs, uint32_t seek, uint32_t size) override
    {
        const std::string p = Utf8FromWide(path);
        return core_.OpenFile(p, p, bufferMs, seek, size);
    }
    int OpenStream(int copy, int managed, const void* data, uint32_t size, int bufferMs) override
    {
        const void* blocks[1] = {data};
        const uint32_t sizes[1] = {size};
        return core_.OpenStream(copy, managed, blocks, sizes, bufferMs);
    }
    int PushDataToStream(const void* data, uint32_t size) override
    {
        const void* blocks[1] = {data};
        return core_.PushData(blocks, size);
    }
    int Open_Mp3Resource(const ResourceModule* module, const char* name, const char* type, int bufferMs,
                         uint32_t seek, uint32_t size) override
    {
        return core_.OpenResource(module, name, type, bufferMs, seek, size);
    }
    int Get_Mp3Info(MP3_STREAM_INFO* info) override { return core_.GetMp3Info(info); }
    int SetCallbackFunc(SoloPlayerCallback callback, uint32_t mask) override
    {
        if (!callback)
            return core_.SetCallback(nullptr, 0);
        return core_.SetCallback(callback, mask);
    }

private:
    ~SoloPlayer() override = default;
};

}  // namespace

CSoloPlayer* CreateSoloPlayer()
{
    return new (std::nothrow) SoloPlayer();
}
