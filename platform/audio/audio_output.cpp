#include "platform/audio/audio_output.h"

#include <mutex>

#include "platform/audio/sdl_output.h"
#include "platform/audio/server_output.h"
#include "platform/audio/sim_output.h"
#include "platform/soundserver/sound_server.h"

namespace platform::audio {

namespace {

std::mutex g_backendMutex;
std::shared_ptr<OutputBackend> g_backend;   // null: chosen at each use

// The players open their device on their own threads; the reason is read
// on another one.
std::mutex g_errorMutex;
std::string g_openError;

// Asked at every use, as the capture side asks, so that output and input
// go through the same sound system, and a server that starts or ends
// while the program runs is followed.
std::shared_ptr<OutputBackend> CurrentBackend()
{
    {
        std::lock_guard<std::mutex> lock(g_backendMutex);
        if (g_backend)
            return g_backend;
    }
    return soundserver::UseSoundServer() ? MakeServerOutput() : MakeSdlOutput();
}

}  // namespace

void UseSimulatedOutput(std::shared_ptr<SimulatedOutput> output)
{
    std::lock_guard<std::mutex> lock(g_backendMutex);
    g_backend = std::move(output);
}

void UseSdlOutput()
{
    std::lock_guard<std::mutex> lock(g_backendMutex);
    g_backend = MakeSdlOutput();
}

void UseDefaultOutput()
{
    std::lock_guard<std::mutex> lock(g_backendMutex);
    g_backend.reset();
}

int CheckOutputFormat(const OutputFormat& f)
{
    const bool ok = f.formatTag == kFormatPcm && (f.channels == 1 || f.channels == 2) &&
                    (f.bitsPerSample == 8 || f.bitsPerSample == 16) &&
                    f.sampleRate >= 1000 && f.sampleRate <= 192000 &&
                    f.blockAlign == f.channels * f.bitsPerSample / 8 &&
                    f.avgBytesPerSec == f.sampleRate * f.blockAlign;
    return ok ? kOutputOk : kOutputBadFormat;
}

uint32_t OutputFormatBit(uint32_t sampleRate, uint16_t channels, uint16_t bitsPerSample)
{
    static const uint32_t kRates[] = {11025, 22050, 44100, 48000, 96000};
    for (uint32_t i = 0; i < 5; ++i) {
        if (kRates[i] != sampleRate)
            continue;
        if ((channels != 1 && channels != 2) || (bitsPerSample != 8 && bitsPerSample != 16))
            return 0;
        return 1u << (i * 4 + (channels == 2 ? 1 : 0) + (bitsPerSample == 16 ? 2 : 0));
    }
    return 0;
}

OutputDeviceCaps ConvertingDeviceCaps(const std::string& name)
{
    OutputDeviceCaps caps;
    for (uint32_t rate : {11025u, 22050u, 44100u, 48000u, 96000u}) {
        for (uint16_t channels : {1, 2}) {
            for (uint16_t bits : {8, 16})
                caps.formats |= OutputFormatBit(rate, channels, bits);
        }
    }
    caps.channels = 2;
    caps.support = kSupportVolume | kSupportLrVolume | kSupportSampleAccurate;
    caps.name = name;
    return caps;
}

int OutputDeviceCount()
{
    return CurrentBackend()->DeviceCount();
}

bool GetOutputDeviceCaps(int index, OutputDeviceCaps* caps)
{
    if (!caps || index < 0)
        return false;
    return CurrentBackend()->DeviceCaps(index, caps);
}

int OpenOutput(int deviceId, const OutputFormat& format, OutputCallback callback,
               std::unique_ptr<OutputDevice>* device)
{
    if (!device)
        return kOutputError;
    device->reset();
    if (deviceId < kDefaultOutputDevice)
        return kOutputBadDeviceId;
    const int formatResult = CheckOutputFormat(format);
    if (formatResult != kOutputOk)
        return formatResult;
    if (!callback)
        callback = [](OutputMessage, uintptr_t) {};
    NoteOutputOpenError({});
    const int result = CurrentBackend()->Open(deviceId, format, std::move(callback), device);
    std::lock_guard<std::mutex> lock(g_errorMutex);
    if (result == kOutputOk)
        g_openError.clear();
    else if (g_openError.empty())
        g_openError = "the sound output refused to open (code " + std::to_string(result) + ")";
    return result;
}

void NoteOutputOpenError(const std::string& reason)
{
    std::lock_guard<std::mutex> lock(g_errorMutex);
    g_openError = reason;
}

std::string LastOutputOpenError()
{
    std::lock_guard<std::mutex> lock(g_errorMutex);
    return g_openError;
}

std::string OutputOpenFailureText()
{
    const std::string reason = LastOutputOpenError();
    if (reason.empty())
        return {};
    return "No sound output could be opened to play on; check that speakers or headphones are connected and "
           "switched on (" + reason + ").";
}

}  // namespace platform::audio
