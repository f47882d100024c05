// What the device plays now: the ring of wave buffers as the device holds
// them, the VU levels and the spectrum values read from it. The caller's
// thread reads while the decoding thread refills returned buffers, so a
// buffer is read only under the ring lock and only between its write and
// the moment the decoding thread takes it back.

#include "libkvo/src/playercore.h"
#include "libkvo/src/vulevel.h"

void PlayerCore::NoteBufferWritten(uint32_t index)
{
    std::lock_guard<std::mutex> lock(outputSnapshotMutex_);
    if (index >= ring_.size())
        return;
    ring_[index].data = reinterpret_cast<const uint8_t*>(waveOut_.GetBufferData(index));
    ring_[index].bytes = waveOut_.GetBufferBytes(index);
    ring_[index].queued = true;
}

void PlayerCore::OnBufferReclaimed(uint32_t index)
{
    std::lock_guard<std::mutex> lock(outputSnapshotMutex_);
    if (index < ring_.size())
        ring_[index].queued = false;
}

namespace {

// The device's place in the ring: the buffer after the last one it
// returned, the bytes of the buffers returned and its byte position, read
// so that the first two belong together (a buffer returned meanwhile makes
// it read again).
struct DevicePlace {
    uint32_t index = 0;
    uint32_t played = 0;
    uint32_t position = 0;
};

DevicePlace ReadPlace(const std::atomic<uint32_t>& index, const std::atomic<uint64_t>& played, WaveOutDriver& waveOut)
{
    DevicePlace place;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const uint32_t index1 = index.load();
        const uint64_t played1 = played.load();
        place.position = waveOut.GetPosition(3);
        place.index = index.load();
        place.played = static_cast<uint32_t>(played.load());
        if (index1 == place.index && static_cast<uint32_t>(played1) == place.played)
            break;
    }
    return place;
}

}  // namespace

// Under outputSnapshotMutex_: copies up to maxFrames stereo frames from
// the one the device plays now.
uint32_t PlayerCore::CopyPlayingOutput(int16_t* out, uint32_t maxFrames)
{
    std::vector<WaveRingBuffer> ring(ring_);
    // Written and not yet returned by the device.
    for (size_t i = 0; i < ring.size(); ++i)
        ring[i].queued = ring[i].queued && !waveOut_.IsBufferFree(static_cast<uint32_t>(i));
    const DevicePlace place = ReadPlace(playingBuffer_, playedBytes_, waveOut_);
    return CopyPlayingFrames(ring, place.index, place.position, place.played, 4, out, maxFrames);
}

int PlayerCore::GetVUData(uint32_t* left, uint32_t* right)
{
    if (!left || !right)
        return Fail("GetVUData->Invalid parameters !");
    *left = *right = 0;
    if (!IsOpen() || !playing_.load() || !outputStarted_.load())
        return 1;
    std::lock_guard<std::mutex> lock(outputSnapshotMutex_);
    if (ring_.empty())
        return 1;
    const DevicePlace place = ReadPlace(playingBuffer_, playedBytes_, waveOut_);
    uint32_t index = place.index % ring_.size();
    uint32_t offset = place.position - place.played;
    if (offset >= 0x80000000u)
        offset = 0;  // counted as returned before the position moved on
    if (offset > ring_[index].bytes) {
        index = (index + 1) % ring_.size();
        offset = 0;
    }
    const WaveRingBuffer& buffer = ring_[index];
    // A buffer taken back is being refilled: nothing of it is at the device.
    if (!buffer.queued || buffer.data == nullptr)
        return 1;
    VuLevels(reinterpret_cast<const int16_t*>(buffer.data), buffer.bytes, offset, *left, *right);
    return 1;
}

int PlayerCore::GetFFTValues(FFT_STRUCT* fft)
{
    std::lock_guard<std::mutex> query(spectrumMutex_);
    SpectrumInput input;
    const bool open = IsOpen();
    input.playing = open && playing_.load() && !paused_.load() && waveOut_.IsOpen();
    input.sampleRate = open ? streams_[0].format.sampleRate : 0;
    input.channels = 2;
    if (fft == nullptr) {
        std::vector<int16_t>().swap(spectrumFrames_);
    } else if (input.playing && IsSpectrumSize(fft->nFFTPoints)) {
        const uint32_t n = fft->nFFTPoints;
        spectrumFrames_.resize(size_t(n) * 2);
        {
            std::lock_guard<std::mutex> lock(outputSnapshotMutex_);
            input.frames = CopyPlayingOutput(spectrumFrames_.data(), n);
        }
        input.samples = spectrumFrames_.data();
    }
    std::string error;
    const int result = spectrum_.GetFFTValues(fft, input, error);
    if (result == 0)
        Fail(error.c_str());
    return result;
}
