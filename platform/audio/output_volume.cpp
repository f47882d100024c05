// Device volume. SDL has no volume per device, so the volume is kept here,
// per device id, and applied to the samples on their way to the device.
#include <map>
#include <mutex>

#include "platform/audio/output_volume.h"

namespace platform::audio {

namespace {

constexpr uint32_t kFullVolume = 0xFFFFFFFFu;
std::mutex g_volumeMutex;
std::map<int, uint32_t> g_volumes;

}  // namespace

int SetOutputVolume(int deviceId, uint32_t volume)
{
    if (deviceId < kDefaultOutputDevice)
        return kOutputBadDeviceId;
    if (deviceId != kDefaultOutputDevice && deviceId >= OutputDeviceCount())
        return kOutputBadDeviceId;
    std::lock_guard<std::mutex> lock(g_volumeMutex);
    g_volumes[deviceId] = volume;
    return kOutputOk;
}

int GetOutputVolume(int deviceId, uint32_t* volume)
{
    if (!volume)
        return kOutputError;
    if (deviceId < kDefaultOutputDevice)
        return kOutputBadDeviceId;
    if (deviceId != kDefaultOutputDevice && deviceId >= OutputDeviceCount())
        return kOutputBadDeviceId;
    *volume = CurrentOutputVolume(deviceId);
    return kOutputOk;
}

uint32_t CurrentOutputVolume(int deviceId)
{
    std::lock_guard<std::mutex> lock(g_volumeMutex);
    auto it = g_volumes.find(deviceId);
    return it == g_volumes.end() ? kFullVolume : it->second;
}

void ApplyOutputVolume(uint8_t* data, uint32_t bytes, const OutputFormat& format, uint32_t volume)
{
    const int32_t left = volume & 0xFFFF;
    const int32_t right = volume >> 16;
    if (!data || (left == 0xFFFF && (right == 0xFFFF || format.channels == 1)))
        return;
    const uint32_t channels = format.channels ? format.channels : 1;
    if (format.bitsPerSample == 16) {
        const uint32_t samples = bytes / 2;
        for (uint32_t i = 0; i < samples; ++i) {
            const int32_t gain = (channels == 2 && (i & 1)) ? right : left;
            uint8_t* p = data + 2 * i;
            const int32_t s = static_cast<int16_t>(p[0] | (p[1] << 8));
            const int32_t v = s * gain / 0xFFFF;
            p[0] = static_cast<uint8_t>(v & 0xFF);
            p[1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        }
    } else if (format.bitsPerSample == 8) {
        for (uint32_t i = 0; i < bytes; ++i) {
            const int32_t gain = (channels == 2 && (i & 1)) ? right : left;
            const int32_t s = static_cast<int32_t>(data[i]) - 128;
            data[i] = static_cast<uint8_t>(s * gain / 0xFFFF + 128);
        }
    }
}

}  // namespace platform::audio
