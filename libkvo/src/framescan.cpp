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

FrameScan ScanFrames(const uint8_t* data, uint32_t size, uint32_t maxFrames)
{
    FrameScan scan;
    uint32_t firstBitrate = 0;
    uint32_t at = 0;
    while (scan.frames < maxFrames && at + 4 <= size) {
        MpegHeader header;
        if (!ParseMpegHeader(data + at, header) || header.bitrate == 0) {
            ++at;  // lost sync: search on without counting
            continue;
        }
        const uint32_t length = header.FrameLength();
        if (length < 4 || at + length > size)
            break;
        if (scan.frames == 0)
            firstBitrate = header.bitrate;
        else if (header.bitrate != firstBitrate)
            scan.vbr = true;
        scan.bytes += length;
        ++scan.frames;
        at += length;
    }
    return scan;
}

namespace {

// The lowest and highest table bit rates of a layer (bits per second).
uint32_t LowestBitrate(const MpegHeader& h)
{
    return (h.Lsf() && h.layer != 1) ? 8000 : 32000;
}

uint32_t HighestBitrate(const MpegHeader& h)
{
    static constexpr uint32_t kMpeg1[3] = {448000, 384000, 320000};
    static constexpr uint32_t kLsf[3] = {256000, 160000, 160000};
    if (h.layer < 1 || h.layer > 3)
        return 0;
    return h.Lsf() ? kLsf[h.layer - 1] : kMpeg1[h.layer - 1];
}

// How far a count may be off before it is taken as wrong.
constexpr double kCountSlack = 0.05;

}  // namespace

bool VbrHeaderFitsStream(const VbrHeader& vbr, uint32_t dataBytes, const MpegHeader& first, const FrameScan& scan)
{
    if (!vbr.found || vbr.frames == 0)
        return false;
    MpegHeader smallest = first;
    smallest.padding = false;
    MpegHeader largest = first;
    largest.padding = true;
    const double shortest = smallest.FrameLength(LowestBitrate(first));
    const double longest = largest.FrameLength(HighestBitrate(first));
    if (shortest <= 0 || longest <= 0)
        return true;  // nothing to measure the count against
    const double average = double(dataBytes) / vbr.frames;
    if (average < shortest * (1.0 - kCountSlack) || average > longest * (1.0 + kCountSlack))
        return false;
    if (vbr.constantRate && !scan.vbr && scan.frames > 0 && scan.bytes > 0) {
        const double expected = double(dataBytes) * scan.frames / double(scan.bytes);
        if (std::fabs(double(vbr.frames) - expected) > expected * kCountSlack + 1.0)
            return false;
    }
    return true;
}

StreamLength LengthFromVbrHeader(const VbrHeader& vbr, uint32_t dataBytes, uint32_t rate, uint32_t samplesPerFrame)
{
    StreamLength len;
    if (!vbr.found || vbr.frames == 0 || rate == 0 || samplesPerFrame == 0)
        return len;
    len.frames = vbr.frames;
    len.samples = ClampedCast<uint32_t>(double(vbr.frames) * samplesPerFrame);
    len.lengthMs = ClampedCast<uint32_t>(double(vbr.frames) * 1000.0 * samplesPerFrame / rate);
    len.averageFrameBytes = dataBytes / vbr.frames;
    len.averageBitrate = ClampedCast<uint32_t>(double(dataBytes) * 8 / vbr.frames * rate / samplesPerFrame);
    return len;
}

StreamLength LengthFromScan(const FrameScan& scan, uint32_t dataBytes, uint32_t bitrate, uint32_t rate,
                            uint32_t samplesPerFrame)
{
    StreamLength len;
    if (rate == 0 || samplesPerFrame == 0)
        return len;
    if (scan.vbr && scan.frames > 0 && scan.bytes > 0) {
        len.frames = ClampedCast<uint32_t>(double(scan.frames) * dataBytes / double(scan.bytes));
        len.samples = ClampedCast<uint32_t>(double(len.frames) * samplesPerFrame);
        len.lengthMs = ClampedCast<uint32_t>(double(len.frames) * 1000.0 * samplesPerFrame / rate);
        len.averageFrameBytes = static_cast<uint32_t>(scan.bytes / scan.frames);
        if (len.frames > 0)
            len.averageBitrate = ClampedCast<uint32_t>(double(dataBytes) * 8 / len.frames * rate / samplesPerFrame);
        return len;
    }
    if (bitrate < 1000)
        return len;
    len.averageBitrate = bitrate;
    len.lengthMs = ClampedCast<uint32_t>(double(uint64_t(dataBytes) * 8 / (bitrate / 1000)));
    len.frames = ClampedCast<uint32_t>(std::ceil(len.lengthMs / 1000.0 * rate / samplesPerFrame));
    len.samples = ClampedCast<uint32_t>(double(len.frames) * samplesPerFrame);
    if (len.frames > 0)
        len.averageFrameBytes = dataBytes / len.frames;
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
