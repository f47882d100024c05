#include "platform/mixer/mixer_backend.h"

#include <mutex>

#include "platform/soundserver/sound_server.h"

namespace platform {

namespace {

std::mutex g_lock;
std::shared_ptr<MixerBackend> g_backend;  // installed by a test
std::shared_ptr<MixerBackend> g_server;
std::shared_ptr<MixerBackend> g_alsa;

}  // namespace

MixerBackend& CurrentMixer()
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        if (g_backend)
            return *g_backend;
    }
    // Asked at every call, so a server that starts or ends while the
    // program runs is followed; neither backend keeps anything open.
    const bool server = soundserver::UseSoundServer();
    std::lock_guard<std::mutex> lock(g_lock);
    std::shared_ptr<MixerBackend>& backend = server ? g_server : g_alsa;
    if (!backend)
        backend = server ? ServerMixerBackend() : AlsaMixerBackend();
    return *backend;
}

std::shared_ptr<MixerBackend> InstallMixerBackend(std::shared_ptr<MixerBackend> backend)
{
    std::lock_guard<std::mutex> lock(g_lock);
    std::shared_ptr<MixerBackend> old = std::move(g_backend);
    g_backend = std::move(backend);
    return old;
}

long ScaleMixerValue(uint32_t value, long minimum, long maximum)
{
    if (value > 65535)
        value = 65535;
    if (maximum <= minimum)
        return minimum;
    const long long span = static_cast<long long>(maximum) - minimum;
    return static_cast<long>(minimum + (span * value + 32767) / 65535);
}

std::string CutProductName(const std::string& name)
{
    constexpr size_t kMaxBytes = 31;
    if (name.size() <= kMaxBytes)
        return name;
    size_t end = kMaxBytes;
    // Back off continuation bytes so the cut never splits a character.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

}  // namespace platform
