#include "libkvo/src/kvofile.h"

#include <algorithm>
#include <cmath>

#include "libkvo/src/clampcast.h"
#include "platform/filemap/regular_file.h"

namespace {

constexpr uint32_t kStreamingFill = 50000;
constexpr uint32_t kRefillLimit = 20000;
constexpr uint32_t kChunkHeader = 8;

uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

}  // namespace

KvoFile::KvoFile() = default;

KvoFile::~KvoFile()
{
    Close();
}

void KvoFile::Close()
{
    if (player_) {
        player_->Release();
        player_ = nullptr;
    }
    std::lock_guard<std::mutex> lock(fileMutex_);
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    fileSize_ = 0;
    bufferA_ = {};
    bufferB_ = {};
    sizes_ = {};
    count_ = 0;
    streaming_ = false;
    startQueued_ = false;
    volume_ = 80;
}

bool KvoFile::ReadHeader(uint64_t fileSize)
{
    uint8_t head[12];
    if (std::fread(head, 1, sizeof head, file_) != sizeof head)
        return false;
    std::copy(head, head + 6, signature_);
    field_ = static_cast<uint16_t>(head[6] | (head[7] << 8));
    count_ = ReadLe32(head + 8);
    // The reader skips chunks 0 and 1, so there must be two; the size table
    // must fit in the file before anything is allocated for it.
    if (count_ < 2 || 12 + uint64_t(count_) * 4 > fileSize)
        return false;
    std::vector<uint8_t> table(size_t(count_) * 4);
    if (std::fread(table.data(), 1, table.size(), file_) != table.size())
        return false;
    sizes_.resize(count_);
    for (uint32_t i = 0; i < count_; ++i)
        sizes_[i] = ReadLe32(table.data() + 4 * i);
    return true;
}

uint64_t KvoFile::FirstAudioChunkOffset() const
{
    return 12 + 4 * uint64_t(count_) + kChunkHeader + sizes_[0] + kChunkHeader + sizes_[1];
}

bool KvoFile::ReadChunks(RawBytes& a, RawBytes& b, uint32_t limit, bool growForLargePair)
{
    a.clear();
    b.clear();
    while (a.size() < limit) {
        uint8_t header[kChunkHeader];
        const size_t got = std::fread(header, 1, sizeof header, file_);
        if (got == 0)
            return true;  // end of file
        if (got != sizeof header)
            return false;
        if (ReadLe32(header) != 1)
            return false;
        const uint32_t length = ReadLe32(header + 4);
        const long here = std::ftell(file_);
        // A pair claiming more bytes than the file holds is malformed.
        if (here < 0 || uint64_t(here) + uint64_t(length) * 2 + kChunkHeader > fileSize_)
            return false;
        // A pair that would pass the limit waits for the next fill; but a
        // single pair larger than a whole fill is still read, or the song
        // would end there.
        if (a.size() + length >= limit && !(a.empty() && growForLargePair)) {
            std::fseek(file_, -long(kChunkHeader), SEEK_CUR);
            return true;
        }
        const size_t start = a.size();
        a.resize(start + length);
        const size_t readA = std::fread(a.data() + start, 1, length, file_);
        a.resize(start + readA);
        if (readA == 0 && length > 0)
            return true;

        uint8_t header2[kChunkHeader];
        if (std::fread(header2, 1, sizeof header2, file_) != sizeof header2)
            return false;
        if (ReadLe32(header2) != 2 || ReadLe32(header2 + 4) != length)
            return false;
        const size_t startB = b.size();
        b.resize(startB + length);
        const size_t readB = std::fread(b.data() + startB, 1, length, file_);
        b.resize(startB + readB);
        if (readB == 0 && length > 0)
            return false;
        if (a.size() != b.size())
            return false;
    }
    return true;
}

bool KvoFile::OpenPlayer(bool streaming)
{
    player_ = CreateDuoPlayer();
    if (!player_)
        return false;
    // A whole song is lent to the player, which decodes it where it lies
    // (the buffers outlive it: Close releases the player first); a
    // streaming start is copied, as the buffers take the next refill.
    const int copy = streaming ? 1 : 0;
    if (!player_->OpenStream(copy, streaming ? 1 : 0, bufferA_.data(), static_cast<uint32_t>(bufferA_.size()),
                             bufferB_.data(), static_cast<uint32_t>(bufferB_.size()), 500))
        return false;
    if (streaming)
        player_->SetCallbackFunc(this, 0xFFFFFFFFu);
    return true;
}

bool KvoFile::Open(const char* path, bool streaming)
{
    if (!path)
        return false;
    Close();
    {
        std::lock_guard<std::mutex> lock(fileMutex_);
        file_ = platform::OpenRegularFileStream(path);
        if (!file_)
            return false;
        if (std::fseek(file_, 0, SEEK_END) != 0)
            return false;
        const long size = std::ftell(file_);
        if (size < 0 || std::fseek(file_, 0, SEEK_SET) != 0)
            return false;
        fileSize_ = static_cast<uint64_t>(size);
        if (!ReadHeader(fileSize_))
            return false;
        const uint32_t limit = streaming ? kStreamingFill : static_cast<uint32_t>(fileSize_ / 2);
        streaming_ = streaming;
        const uint64_t skip = uint64_t(sizes_[0]) + sizes_[1] + 16;
        if (FirstAudioChunkOffset() > fileSize_ || std::fseek(file_, long(skip), SEEK_CUR) != 0)
            return false;
        if (!streaming) {
            // Each stream is at most half of what follows: room for both
            // at once, so that reading never holds a buffer twice.
            const uint64_t rest = fileSize_ - std::min<uint64_t>(fileSize_, FirstAudioChunkOffset());
            bufferA_.reserve(size_t(rest / 2));
            bufferB_.reserve(size_t(rest / 2));
        }
        if (!ReadChunks(bufferA_, bufferB_, limit, streaming))
            return false;
    }
    if (!OpenPlayer(streaming))
        return false;
    if (streaming) {
        // The player holds its own copy of the first fill.
        bufferA_ = {};
        bufferB_ = {};
    }
    startQueued_ = streaming;
    return true;
}

bool KvoFile::Play()
{
    // The player's answer is passed on: a caller must not show a song as
    // playing when nothing plays.
    if (!player_ || player_->Play() == 0)
        return false;
    startQueued_ = false;
    return true;
}

void KvoFile::Stop()
{
    if (!player_)
        return;
    player_->Stop();
    // A player that has not played since the start was queued still holds
    // it (its Stop empties the queue only while it plays): queueing it again
    // would play the start twice.
    if (streaming_ && !startQueued_) {
        // Back to the first pair, primed, so that the next Play starts the
        // song from its beginning.
        std::lock_guard<std::mutex> lock(fileMutex_);
        if (file_ && std::fseek(file_, long(FirstAudioChunkOffset()), SEEK_SET) == 0) {
            RefillAndPush();
            startQueued_ = true;
        }
    }
}

bool KvoFile::Pause()
{
    if (player_)
        player_->Pause();
    return true;
}

bool KvoFile::IsPlaying()
{
    if (!player_)
        return false;
    MP3_STATUS status;
    return player_->GetStatus(&status) && status.fPlay == 1;
}

bool KvoFile::IsPaused()
{
    if (!player_)
        return false;
    MP3_STATUS status;
    return player_->GetStatus(&status) && status.fPause == 1;
}

float KvoFile::GetPositionSeconds()
{
    if (!player_)
        return 0.0f;
    MP3_TIME time;
    player_->GetPosition(&time);
    return static_cast<float>(time.ms * 0.001);
}

float KvoFile::GetLengthSeconds()
{
    if (!player_ || streaming_)
        return 0.0f;
    MP3_TIME length;
    player_->GetSongLengthHMS(&length);
    return static_cast<float>(length.ms * 0.001);
}

int KvoFile::SeekSeconds(float seconds)
{
    if (!player_)
        return 0;
    // Exactly where asked: a paused song resumed, a song restarted and a
    // take all start from the position their caller was given.
    PlaceAtSeconds(seconds);
    const int played = player_->Play();
    if (played != 0)
        startQueued_ = false;
    return played;
}

void KvoFile::PlaceAtSeconds(float seconds)
{
    if (!player_)
        return;
    MP3_TIME target{};
    // Time before the start is the start.
    target.ms = ClampedCast<uint32_t>(std::trunc(double(seconds) * 1000.0));
    player_->Seek(TIME_FORMAT_MS, &target, SONG_BEGIN);
}

void KvoFile::SetVolume(float volume, unsigned left, unsigned right)
{
    const int percent = ClampedCast<int>(volume * 100.0);
    volume_ = percent;
    if (percent > 100 || !player_)
        return;
    const unsigned p = percent < 0 ? 0 : static_cast<unsigned>(percent);
    if (left == right)
        player_->SetPlayerVolume(p, p);
    else if (left > right)
        player_->SetPlayerVolume(p, static_cast<unsigned>(std::trunc(double(right) / left * p)));
    else
        player_->SetPlayerVolume(static_cast<unsigned>(std::trunc(double(left) / right * p)), p);
}

int KvoFile::SetMixLevel(float gain)
{
    return player_ ? player_->SetMixLevel(gain) : 0;
}

int KvoFile::GetFFTValues(FFT_STRUCT* fft)
{
    return player_ ? player_->GetFFTValues(fft) : 0;
}

void KvoFile::RefillAndPush()
{
    if (ReadChunks(bufferA_, bufferB_, kRefillLimit, true)) {
        // Nothing left: pushing a size of 0 ends the stream.
        player_->PushDataToStream(bufferA_.empty() ? nullptr : bufferA_.data(),
                                  bufferB_.empty() ? nullptr : bufferB_.data(),
                                  static_cast<uint32_t>(bufferA_.size()));
    } else {
        // A malformed pair ends the song here; the player must not wait
        // for data that will never come.
        player_->PushDataToStream(nullptr, nullptr, 0);
    }
}

int KvoFile::OnPlayerMessage(uint32_t kind, uintptr_t, uintptr_t)
{
    if (kind != MP3_MSG_STREAM_OUT_OF_DATA && kind != MP3_MSG_STREAM_OUT_OF_DATA_SYNC)
        return 0;
    std::lock_guard<std::mutex> lock(fileMutex_);
    if (file_ && player_)
        RefillAndPush();
    return 0;
}
