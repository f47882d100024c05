#include "libkvo/src/framescan.h"

#include <cmath>
#include <cstring>

#include "libkvo/src/clampcast.h"

int32_t MulDiv(int64_t a, int64_t b, int64_t c)
{
    if (c == 0)
        return -1;
    const int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const int64_t absProduct = product < 0 ? -product : product;
    const int64_t absC = c < 0 ? -c : c;
    const int64_t q = (absProduct + absC / 2) / absC;
    return static_cast<int32_t>(negative ? -q : q);
}

TagSkip SkipTags(const uint8_t* data, uint32_t size)
{
    TagSkip skip;
    skip.size = size;
    if (size > 128 && std::memcmp(data + size - 128, "TAG", 3) == 0) {
        skip.size -= 128;
        skip.id3v1 = true;
    }
    if (skip.size > 10 && std::memcmp(data, "ID3", 3) == 0 && data[6] < 0x80 && data[7] < 0x80 &&
        data[8] < 0x80 && data[9] < 0x80) {
        const uint32_t t = (uint32_t(data[6]) << 21) | (uint32_t(data[7]) << 14) | (uint32_t(data[8]) << 7) | data[9];
        if (uint64_t(t) + 34 < skip.size) {
            skip.id3v2 = true;
            if (data[t + 10] == 0xFF && data[t + 11] > 0xDF) {
                skip.start = t + 10;
                skip.size -= t + 10;
            }
        }
    }
    return skip;
}

namespace {

uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t ReadBe16(const uint8_t* p)
{
    return (uint32_t(p[0]) << 8) | p[1];
}

// A table of contents maps time to bytes, so its entries never fall, and a
// table whose entries are all alike maps nothing. Such a table is replaced
// by an even one: seeking is then by the bytes, as without a table.
void KeepUsableToc(VbrHeader& vbr)
{
    bool rising = vbr.toc[99] > vbr.toc[0];
    for (int i = 1; i < 100 && rising; ++i)
        rising = vbr.toc[i] >= vbr.toc[i - 1];
    if (rising)
        return;
    for (int i = 0; i < 100; ++i)
        vbr.toc[i] = static_cast<uint8_t>(i * 256 / 100);
}

bool ReadXing(const uint8_t* p, uint32_t available, VbrHeader& vbr)
{
    if (available < 8 || (std::memcmp(p, "Xing", 4) != 0 && std::memcmp(p, "Info", 4) != 0))
        return false;
    vbr.constantRate = std::memcmp(p, "Info", 4) == 0;
    const uint32_t flags = ReadBe32(p + 4);
    uint32_t at = 8;
    bool haveFrames = false;
    bool haveToc = false;
    if (flags & 1) {
        if (at + 4 > available)
            return false;
        vbr.frames = ReadBe32(p + at);
        at += 4;
        haveFrames = true;
    }
    if (flags & 2) {
        if (at + 4 > available)
            return false;
        vbr.bytes = ReadBe32(p + at);
        at += 4;
    }
    if (flags & 4) {
        if (at + 100 > available)
            return false;
        std::memcpy(vbr.toc, p + at, 100);
        KeepUsableToc(vbr);
        haveToc = true;
    }
    vbr.found = haveFrames && haveToc && vbr.frames > 0;
    return true;
}

bool ReadVbri(const uint8_t* p, uint32_t available, uint32_t rate, uint32_t samplesPerFrame, VbrHeader& vbr)
{
    // "VBRI", version, delay, quality, bytes, frames, entries, scale, entry size, frames per entry
    if (available < 26 || std::memcmp(p, "VBRI", 4) != 0)
        return false;
    const uint32_t bytes = ReadBe32(p + 10);
    const uint32_t frames = ReadBe32(p + 14);
    const uint32_t entries = ReadBe16(p + 18);
    const uint32_t scale = ReadBe16(p + 20);
    const uint32_t entrySize = ReadBe16(p + 22);
    const uint32_t framesPerEntry = ReadBe16(p + 24);
    if (frames == 0 || bytes == 0 || entries == 0 || framesPerEntry == 0 || entrySize == 0 || entrySize > 4 ||
        rate == 0 || 26 + uint64_t(entries) * entrySize > available)
        return false;

    auto entry = [&](uint32_t i) {
        uint32_t value = 0;
        for (uint32_t b = 0; b < entrySize; ++b)
            value = (value << 8) | p[26 + i * entrySize + b];
        return double(value) * scale;
    };

    const double total = double(frames) * 1000.0 * samplesPerFrame / rate;
    const double perEntry = total / (entries + 1);
    double runningTime = 0;
    double position = 0;
    uint32_t read = 0;
    double previousEntry = 0;
    double lastEntry = 0;
    for (int j = 0; j < 100; ++j) {
        const double target = j / 100.0 * total;
        while (target >= runningTime && read < entries) {
            previousEntry = lastEntry;
            lastEntry = entry(read++);
            position += lastEntry;
            runningTime += perEntry;
        }
        const double f =
            std::trunc(((runningTime - target) / perEntry + 1.0 / (2.0 * framesPerEntry)) * framesPerEntry);
        const double bytePosition = position - std::trunc(previousEntry * f / framesPerEntry);
        const double value = bytePosition * 256.0 / bytes;
        vbr.toc[j] = static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
    }
    vbr.frames = frames;
    vbr.bytes = bytes;
    vbr.found = true;
    return true;
}

}  // namespace

VbrHeader ReadVbrHeader(const uint8_t* frame, uint32_t available, const MpegHeader& header)
{
    VbrHeader vbr;
    const uint32_t withCrc = 4 + (header.crc ? 2 : 0) + header.SideInfoLength();
    if (withCrc < available && ReadXing(frame + withCrc, available - withCrc, vbr))
        return vbr;
    const uint32_t withoutCrc = 4 + header.SideInfoLength();
    if (header.crc && withoutCrc < available && ReadXing(frame + withoutCrc, available - withoutCrc, vbr))
        return vbr;
    // 256 bits after the header, when more than 400 bits remain.
    if (available > 36 + 50)
        ReadVbri(frame + 36, available - 36, header.sampleRate, header.SamplesPerFrame(), vbr);
    return vbr;
}

namespace {

// The largest free-format frame the decoder takes (640 kbit/s of Layer III
// at 8 kHz), with room for its padding.
constexpr uint32_t kLargestFreeFrame = 5764;
// Each measure looks a frame's reach ahead; data whose free-format frames
// cannot be measured after this many tries has none worth the search.
constexpr int kFreeFrameMeasures = 64;

// Of the stream's version, rate and channels, whatever its layer.
bool SameSource(const MpegHeader& h, const MpegHeader& stream)
{
    return h.version == stream.version && h.sampleRate == stream.sampleRate && h.Channels() == stream.Channels();
}

bool SameStream(const MpegHeader& h, const MpegHeader& stream)
{
    return SameSource(h, stream) && h.layer == stream.layer;
}

// The header at 'at' when it is one of the stream's.
bool StreamHeaderAt(const uint8_t* data, uint64_t size, uint64_t at, const MpegHeader& stream, MpegHeader& h)
{
    return at + 4 <= size && ParseMpegHeader(data + at, h) && SameStream(h, stream);
}

// The frame at 'at' when it is whole, of the stream's source but another
// layer, and followed by another frame of the source (or the end): its
// length, else 0.
uint32_t OtherLayerFrameAt(const uint8_t* data, uint64_t size, uint64_t at, const MpegHeader& stream,
                           MpegHeader& h)
{
    if (at + 4 > size || !ParseMpegHeader(data + at, h) || !SameSource(h, stream) || h.layer == stream.layer)
        return 0;
    const uint32_t length = h.FrameLength();
    MpegHeader next;
    if (length < 4 || at + length > size)
        return 0;
    if (size - (at + length) >= 4 && !(ParseMpegHeader(data + at + length, next) && SameSource(next, stream)))
        return 0;
    return length;
}

uint32_t PaddingBytes(const MpegHeader& h)
{
    return h.padding ? (h.layer == 1 ? 4 : 1) : 0;
}

// The unpadded size of the free-format frame at 'at': the distance to the
// next frame of the stream, confirmed by the one after it where the data
// goes on. 0 when no frame follows within a frame's reach.
uint32_t MeasureFreeFrame(const uint8_t* data, uint64_t size, uint64_t at, const MpegHeader& h)
{
    const uint32_t least = 4 + (h.crc ? 2 : 0) + h.SideInfoLength() + 1;
    for (uint32_t distance = least; distance <= kLargestFreeFrame; ++distance) {
        MpegHeader next;
        if (!StreamHeaderAt(data, size, at + distance, h, next))
            continue;
        const uint32_t unpadded = distance - PaddingBytes(h);
        const uint64_t after = at + distance + unpadded + PaddingBytes(next);
        MpegHeader third;
        if (after + 4 > size || StreamHeaderAt(data, size, after, h, third))
            return unpadded;
    }
    return 0;
}

}  // namespace

FrameWalk WalkFrames(const uint8_t* data, uint32_t size, const MpegHeader& stream)
{
    FrameWalk walk;
    uint32_t firstBitrate = 0;
    uint32_t freeFrame = 0;  // unpadded size of the stream's free-format frames, once measured
    int measuresLeft = kFreeFrameMeasures;
    bool inSync = false;
    uint64_t at = 0;
    while (at + 4 <= size) {
        MpegHeader h;
        if (!StreamHeaderAt(data, size, at, stream, h)) {
            if (const uint32_t length = OtherLayerFrameAt(data, size, at, stream, h)) {
                FrameWalk::OtherLayer& other = walk.otherLayers[h.layer];
                if (other.samples == 0)
                    other.firstAt = at;
                other.samples += h.SamplesPerFrame();
                at += length;
                continue;
            }
            inSync = false;
            ++at;
            continue;
        }
        if (h.bitrate == 0 && freeFrame == 0 && measuresLeft > 0) {
            --measuresLeft;
            freeFrame = MeasureFreeFrame(data, size, at, h);
        }
        const uint32_t length = h.bitrate ? h.FrameLength() : (freeFrame ? freeFrame + PaddingBytes(h) : 0);
        // A frame cut off by the end of the data does not decode.
        if (length < 4 || at + length > size) {
            inSync = false;
            ++at;
            continue;
        }
        // Out of sync the decoder takes a frame only when the next one
        // begins right behind it: a sync pattern in garbage is not a frame.
        MpegHeader next;
        if (!inSync && size - (at + length) >= 4 && !StreamHeaderAt(data, size, at + length, stream, next)) {
            ++at;
            continue;
        }
        inSync = true;
        const uint32_t bitrate = h.bitrate ? h.bitrate : freeFrame;
        if (walk.frames == 0)
            firstBitrate = bitrate;
        else if (bitrate != firstBitrate)
            walk.vbr = true;
        ++walk.frames;
        walk.bytes += length;
        at += length;
    }
    return walk;
}

int FrameWalk::MainLayer(const MpegHeader& stream) const
{
    int main = stream.layer;
    uint64_t most = uint64_t(frames) * stream.SamplesPerFrame();
    for (int layer = 1; layer <= 3; ++layer) {
        if (otherLayers[layer].samples > most) {
            most = otherLayers[layer].samples;
            main = layer;
        }
    }
    return main;
}

namespace {

// How far a count may be off before it is taken as wrong.
constexpr double kCountSlack = 0.05;

}  // namespace

bool VbrHeaderFitsStream(const VbrHeader& vbr, const FrameWalk& walk)
{
    if (!vbr.found || vbr.frames == 0)
        return false;
    return std::fabs(double(vbr.frames) - double(walk.frames)) <= double(walk.frames) * kCountSlack + 1.0;
}

StreamLength LengthFromFrames(uint32_t frames, uint64_t bytes, uint32_t rate, uint32_t samplesPerFrame)
{
    StreamLength len;
    if (frames == 0 || rate == 0 || samplesPerFrame == 0)
        return len;
    len.frames = frames;
    len.samples = ClampedCast<uint32_t>(double(frames) * samplesPerFrame);
    len.lengthMs = ClampedCast<uint32_t>(double(frames) * 1000.0 * samplesPerFrame / rate);
    len.averageFrameBytes = ClampedCast<uint32_t>(double(bytes) / frames);
    len.averageBitrate = ClampedCast<uint32_t>(double(bytes) * 8 / frames * rate / samplesPerFrame);
    return len;
}

bool PlanWaveBuffers(uint32_t bufferMs, uint32_t rate, uint32_t samplesPerFrame, WaveBufferPlan& plan)
{
    plan = WaveBufferPlan{};
    if (bufferMs > 0 && bufferMs < 200)
        return false;
    int32_t frames = MulDiv(100, rate, int64_t(samplesPerFrame) * 1000);
    if (frames < 1)
        frames = 1;
    const int32_t unit = MulDiv(frames, int64_t(samplesPerFrame) * 1000, rate);
    plan.framesPerBuffer = static_cast<uint32_t>(frames);
    plan.bufferLengthMs = static_cast<uint32_t>(unit + 10);
    if (bufferMs == 0) {
        plan.noDevice = true;
        plan.bufferCount = 1;
    } else {
        const int32_t count = MulDiv(bufferMs, 1, unit + 9);
        plan.bufferCount = count < 1 ? 1 : static_cast<uint32_t>(count);
    }
    return true;
}
