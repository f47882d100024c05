// Opening a player's sources: a mapped file, a built-in resource or memory
// blocks (copied or borrowed, managed or not), and the shared open that
// finds the first frames, reads the format and length and plans the wave
// buffers.

#include <cstring>
#include <vector>

#include "libkvo/src/playercore.h"
#include "libkvo/src/streamdecoder.h"
#include "platform/filemap/filemapping.h"

namespace {

// The first-frame search decodes a copy of the stream's head with the
// decoder's guard bytes behind it, so that a short stream's last frame is
// found too.
constexpr uint32_t kSearchWindow = 300000;

uint32_t SamplesPerFrameOf(const struct mad_header& h)
{
    if (h.layer == MAD_LAYER_I)
        return 384;
    return (h.layer == MAD_LAYER_III && (h.flags & MAD_FLAG_LSF_EXT)) ? 576 : 1152;
}

}  // namespace

void PlayerCore::ReadFormat(int index, const struct mad_header& h)
{
    StreamFormat& f = streams_[index].format;
    f.sampleRate = h.samplerate;
    f.layer = h.layer;
    f.mode = h.mode;
    f.channels = h.mode == MAD_MODE_SINGLE_CHANNEL ? 1 : 2;
    f.emphasis = h.emphasis;
    f.modeExtension = h.mode_extension;
    f.bitrate = static_cast<uint32_t>(h.bitrate);
    f.flags = h.flags;
    f.version = (h.flags & MAD_FLAG_MPEG_2_5_EXT) ? 25 : ((h.flags & MAD_FLAG_LSF_EXT) ? 2 : 1);
    f.samplesPerFrame = SamplesPerFrameOf(h);
}

void PlayerCore::ResetSource()
{
    for (Stream& s : streams_) {
        s.data = nullptr;
        s.size = 0;
        s.firstFrame = nullptr;
        s.readPos = nullptr;
        s.id3v1 = s.id3v2 = false;
        s.rawData = nullptr;
        s.rawSize = 0;
        s.ended = false;
        s.format = StreamFormat{};
        s.vbrHeader = VbrHeader{};
        s.headerOffset = 0;
        s.leadIn = 0;
        s.bytePosition = 0;
        s.positionBase = 0;
        s.currentBitrate = 0;
        s.framesCounted = 0;
        s.kbpsSum = 0;
        s.frameIndex.clear();
        s.frameIndex.shrink_to_fit();
    }
    totalFrames_ = totalSamples_ = lengthMs_ = averageFrameBytes_ = samplesPerFrame_ = 0;
    versionCode_ = 0;
    plan_ = WaveBufferPlan{};
}

void PlayerCore::EmptyQueues()
{
    for (Stream& s : streams_) {
        s.blockQueue.Empty();
        s.copyQueue.Empty();
    }
}

// Finds the first frame of every stream: each stream's first frame that
// decodes, confirmed by the frame of stream 1 after it.
bool PlayerCore::FindFirstFrames()
{
    struct Search {
        std::vector<uint8_t> window;
        StreamDecoder decoder;
        const uint8_t* origin = nullptr;  // the stream bytes the window copies
    };
    std::unique_ptr<Search> search[kMaxStreams];
    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        search[i] = std::make_unique<Search>();
        const uint32_t take = s.size < kSearchWindow ? s.size : kSearchWindow;
        search[i]->window.assign(s.data, s.data + take);
        search[i]->window.resize(take + MAD_BUFFER_GUARD, 0);
        search[i]->origin = s.data;
        search[i]->decoder.SetBuffer(search[i]->window.data(), search[i]->window.size(), nullptr, true);
    }

    for (;;) {
        for (int i = 0; i < streamCount_; ++i) {
            StreamDecoder& d = search[i]->decoder;
            StreamDecoder::Result r;
            while ((r = d.DecodeFrame()) == StreamDecoder::Result::Recoverable) {
            }
            if (r != StreamDecoder::Result::Ok)
                return false;
            streams_[i].firstFrame = search[i]->origin + (d.ThisFrame() - search[i]->window.data());
            ReadFormat(i, d.Header());
        }
        StreamDecoder& first = search[0]->decoder;
        const StreamDecoder::Result r = first.DecodeFrame();
        if (r == StreamDecoder::Result::Ok) {
            if (first.Header().samplerate == streams_[0].format.sampleRate &&
                static_cast<int>(first.Header().layer) == streams_[0].format.layer)
                return true;
            continue;
        }
        // A stream of a single frame has nothing after it to confirm with.
        if (r == StreamDecoder::Result::NeedData && streams_[0].firstFrame)
            return true;
        if (r != StreamDecoder::Result::Recoverable)
            return false;
    }
}

int PlayerCore::OpenShared(int bufferMs)
{
    char op[64];
    std::snprintf(op, sizeof op, "%s", names_.openShared);

    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        s.id3v1 = s.id3v2 = false;
        s.bytePosition = 0;
        s.positionBase = 0;
        if (!s.rawData)
            s.rawSize = 0;
        const TagSkip skip = s.rawSize ? SkipTags(s.rawData, s.rawSize) : TagSkip{};
        s.data = s.rawData ? s.rawData + skip.start : nullptr;
        s.size = skip.size;
        s.id3v1 = skip.id3v1;
        s.id3v2 = skip.id3v2;
    }
    for (int i = 0; i < streamCount_; ++i) {
        if (streams_[i].size <= 7) {
            ResetSource();
            return FailOp(op, "Invalid stream!");
        }
    }

    // A stream whose frames change layer part way (Layer I frames, then
    // Layer III ones) cannot be played as one: the buffers, positions and
    // seeks count frames of one length. It is read once more from the first
    // frame of the layer that holds most of its time, and plays those
    // frames; the others are passed over as garbage is.
    for (int pass = 0;; ++pass) {
        if (!FindFirstFrames()) {
            ResetSource();
            return FailOp(op, "Can't find first valid mp3 frame");
        }
        for (int i = 0; i < streamCount_; ++i) {
            Stream& s = streams_[i];
            const uint32_t skipped = static_cast<uint32_t>(s.firstFrame - s.data);
            if (s.size - skipped < 8) {
                ResetSource();
                return FailOp(op, "Can't find first valid mp3 frame");
            }
            s.data = s.firstFrame;
            s.size -= skipped;
        }
        // The two streams are decoded frame by frame in lockstep and mixed
        // sample by sample, so they must agree on the sample rate and frame
        // length.
        for (int i = 1; i < streamCount_; ++i) {
            if (streams_[i].format.sampleRate != streams_[0].format.sampleRate ||
                streams_[i].format.samplesPerFrame != streams_[0].format.samplesPerFrame) {
                ResetSource();
                return FailOp(op, "The streams differ in sample rate or frame length !");
            }
        }

        const Stream& last = streams_[streamCount_ - 1];
        versionCode_ = last.format.version == 1 ? 1 : (last.format.version == 2 ? 2 : 4);
        samplesPerFrame_ = last.format.samplesPerFrame;

        bool moved = false;
        for (int i = 0; i < streamCount_; ++i) {
            Stream& s = streams_[i];
            MpegHeader header;
            ParseMpegHeader(s.data, header);
            s.headerOffset = 0;
            s.vbrHeader = ReadVbrHeader(s.data, s.size, header);
            if (s.vbrHeader.found) {
                s.headerOffset = header.FrameLength();
                if (s.headerOffset >= s.size)
                    s.headerOffset = 0;
                s.firstFrame = s.data + s.headerOffset;
            }
            // The length is that of the frames that play: garbage between
            // them, or the padding behind a stream shorter than its partner,
            // counts for nothing. A header's count (and its seek table with
            // it) is only believed when those frames bear it out.
            const FrameWalk walk = WalkFrames(s.firstFrame, s.DataBytes(), header);
            const int mainLayer = walk.MainLayer(header);
            if (pass == 0 && mainLayer != header.layer) {
                const uint64_t at = uint64_t(s.firstFrame - s.data) + walk.otherLayers[mainLayer].firstAt;
                s.data += at;
                s.size -= static_cast<uint32_t>(at);
                moved = true;
                continue;
            }
            if (s.vbrHeader.found && !VbrHeaderFitsStream(s.vbrHeader, walk))
                s.vbrHeader.found = false;
            if (!s.vbrHeader.found)
                s.format.vbr = walk.vbr;
            const StreamLength len =
                LengthFromFrames(walk.frames, walk.bytes, s.format.sampleRate, s.format.samplesPerFrame);
            s.format.averageBitrate = len.averageBitrate;
            // The song lasts as long as its longest stream: a shorter one is
            // silent for the rest (equal lengths keep the last stream's
            // counts).
            if (i == 0 || len.lengthMs >= lengthMs_) {
                totalFrames_ = len.frames;
                totalSamples_ = len.samples;
                lengthMs_ = len.lengthMs;
                averageFrameBytes_ = len.averageFrameBytes;
            }
        }
        if (!moved)
            break;
    }

    const Stream& s1 = streams_[0];
    if (!PlanWaveBuffers(static_cast<uint32_t>(bufferMs < 0 ? 200 : bufferMs), s1.format.sampleRate,
                         s1.format.samplesPerFrame, plan_)) {
        ResetSource();
        return Fail("_Open->Buffer can't be smaller than 200 ms");
    }
    // Output is always 16-bit stereo: a mono stream is played on both sides.
    waveOut_.Uninitialize();
    if (!waveOut_.Initialize(WAVE_FORMAT_PCM, 2, s1.format.sampleRate, 16, plan_.bufferCount, plan_.bufferLengthMs)) {
        ResetSource();
        return Fail("_Open->Can't initialize wave out");
    }

    {
        std::lock_guard<std::mutex> lock(fadeMutex_);
        fadeLevel_ = 100.0;
        fadeGainL_ = fadeGainR_ = 1.0;
        appliedGainL_ = userGainL_;
        appliedGainR_ = userGainR_;
        fadeUp_ = fadeDown_ = false;
    }
    OnSourceOpened();

    for (int i = 0; i < streamCount_; ++i) {
        streams_[i].readPos = streams_[i].firstFrame;
        streams_[i].bytePosition = 0;
        streams_[i].leadIn = static_cast<uint32_t>(streams_[i].firstFrame - streams_[i].rawData);
    }
    return 1;
}

// ---- The three opens ----

int PlayerCore::OpenFile(const std::string& path, const std::string& shownPath, int bufferMs, uint32_t offset,
                         uint32_t size)
{
    Close();
    managed_ = false;
    if (IsOpen()) {
        error_.Format("%s->You need to close mp3 file before open new one !", names_.openFile);
        return 0;
    }
    auto mapping = std::make_unique<platform::FileMapping>();
    if (mapping->OpenFile(path) != platform::FileMapping::Status::Ok) {
        error_.Format("%s->Can't open file:  %s  !", names_.openFileEx, shownPath.c_str());
        return 0;
    }
    const uint64_t fileSize = mapping->FileSize();
    if (offset >= fileSize) {
        error_.Format("%s->Seek value out of range !", names_.openFileEx);
        return 0;
    }
    const uint64_t rest = fileSize - offset;
    if (size == 0)
        size = rest > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(rest);
    else if (size > rest) {
        error_.Format("%s->Size value out of range !", names_.openFileEx);
        return 0;
    }
    if (mapping->Map() != platform::FileMapping::Status::Ok) {
        error_.Format("%s->Can't create file mapping !", names_.openFileEx);
        return 0;
    }
    mapping_ = std::move(mapping);
    streams_[0].rawData = mapping_->Data() + offset;
    streams_[0].rawSize = size;
    if (!OpenShared(bufferMs)) {
        mapping_.reset();
        return 0;
    }
    return 1;
}

int PlayerCore::OpenResource(const ResourceModule* module, const char* name, const char* type, int bufferMs,
                             uint32_t offset, uint32_t size)
{
    Close();
    managed_ = false;
    const char* op = names_.openResource;
    if (IsOpen()) {
        error_.Format("%s->You need to close mp3 stream before open new one !", op);
        return 0;
    }
    const ResourceEntry* entry = FindResourceEntry(module, name, type);
    if (!entry)
        return FailOp(op, "Can't find resource !");
    if (!entry->data)
        return FailOp(op, "Can't lock resource !");
    if (entry->size == 0)
        return FailOp(op, "Can't get resource size !");
    if (offset >= entry->size)
        return FailOp(op, "Seek value out of range !");
    if (size == 0)
        size = entry->size - offset;
    else if (size > entry->size - offset)
        return FailOp(op, "Size value out of range !");
    streams_[0].rawData = static_cast<const uint8_t*>(entry->data) + offset;
    streams_[0].rawSize = size;
    return OpenShared(bufferMs);
}

int PlayerCore::OpenStream(int copy, int managed, const void* const* data, const uint32_t* sizes, int bufferMs)
{
    Close();
    managed_ = false;
    if (IsOpen())
        return Fail("OpenStream->You need to close mp3 stream before open new one !");
    for (int i = 0; i < streamCount_; ++i)
        streams_[i].ended = false;
    for (int i = 0; i < streamCount_; ++i) {
        if (!data[i] || sizes[i] == 0)
            return Fail("OpenStream->Can't open NULL stream !");
    }
    copyMode_ = copy != 0;
    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        const char* block = static_cast<const char*>(data[i]);
        bool pushed;
        if (copyMode_) {
            pushed = s.copyQueue.Push(block, sizes[i]) != 0;
            const char* copied = nullptr;
            uint32_t copiedSize = 0;
            if (pushed)
                s.copyQueue.PeekFront(&copied, &copiedSize);
            s.rawData = reinterpret_cast<const uint8_t*>(copied);
        } else {
            pushed = s.blockQueue.Push(block, sizes[i]) != 0;
            s.rawData = static_cast<const uint8_t*>(data[i]);
        }
        if (!pushed) {
            EmptyQueues();
            ResetSource();
            copyMode_ = false;
            return Fail("OpenStream->Memory allocation error !");
        }
        s.rawSize = sizes[i];
    }
    managed_ = managed != 0;
    if (!OpenShared(bufferMs)) {
        EmptyQueues();
        managed_ = false;
        copyMode_ = false;
        return 0;
    }
    return 1;
}

int PlayerCore::PushData(const void* const* blocks, uint32_t size)
{
    if (!IsOpen())
        return Fail("PushDataToStream->Stream isn't open !");
    if (!managed_)
        return Fail("PushDataToStream->Can't push data into unmanaged stream !");
    for (int i = 0; i < streamCount_; ++i)
        streams_[i].ended = false;
    if (!blocks[0] || size == 0) {
        streams_[0].ended = true;
        streamData_.Set();
        return 1;
    }
    for (int i = 1; i < streamCount_; ++i) {
        if (!blocks[i]) {
            streams_[i].ended = true;
            streamData_.Set();
            return 1;
        }
    }
    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        const char* block = static_cast<const char*>(blocks[i]);
        const bool pushed = copyMode_ ? s.copyQueue.Push(block, size) != 0 : s.blockQueue.Push(block, size) != 0;
        if (!pushed)
            return Fail("PushDataToStream->Memory allocation error !");
    }
    streamData_.Set();
    return 1;
}

int PlayerCore::IsStreamDataFree(const void* block)
{
    if (!IsOpen() || !managed_)
        return 1;
    bool anyContains = false;
    for (int i = 0; i < streamCount_; ++i) {
        Stream& s = streams_[i];
        const uint32_t count = copyMode_ ? s.copyQueue.GetCount() : s.blockQueue.GetCount();
        if (count == 0)
            return 1;
        if (copyMode_ ? s.copyQueue.Contains(block) : s.blockQueue.Contains(block))
            anyContains = true;
    }
    return anyContains ? 0 : 1;
}

int PlayerCore::GetStreamLoad(STREAM_LOAD_INFO* info)
{
    if (!info)
        return Fail("GetStreamLoad->Invalid parameter !  STREAM_LOAD_INFO *pStreamLoadInfo can't be NULL!");
    std::memset(info, 0, sizeof *info);
    if (!IsOpen())
        return Fail("GetStreamLoad->Stream isn't open !");
    if (!managed_)
        return Fail("GetStreamLoad->Stream isn't managed. Can't get this data !");
    Stream& s = streams_[0];
    info->NumberOfBuffers = copyMode_ ? s.copyQueue.GetCount() : s.blockQueue.GetCount();
    info->NumberOfBytes = copyMode_ ? s.copyQueue.GetUnreadBytes() : s.blockQueue.GetUnreadBytes();
    const uint32_t frames = s.framesCounted.load();
    const uint64_t kbps = s.kbpsSum.load();
    if (frames > 0 && kbps > 0)
        info->NumberOfMilliseconds = static_cast<uint32_t>(MulDiv(int64_t(info->NumberOfBytes) * 8, frames, kbps));
    else if (s.format.bitrate > 0)
        info->NumberOfMilliseconds = static_cast<uint32_t>(uint64_t(info->NumberOfBytes) * 8000 / s.format.bitrate);
    return 1;
}

int PlayerCore::Close()
{
    if (!IsOpen()) {
        JoinThread();
        return 1;
    }
    Stop();
    JoinThread();
    waveOut_.Uninitialize();
    mapping_.reset();
    managed_ = false;
    copyMode_ = false;
    reverse_ = false;
    EmptyQueues();
    ResetSource();
    return 1;
}
