#include "tests/encode/encode_helpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>

namespace encodetest {

std::vector<FrameHeader> WalkFrames(const std::vector<uint8_t>& b)
{
    static const int kBitrates[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    std::vector<FrameHeader> frames;
    size_t at = 0;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF || (b[at + 1] & 0xFE) != 0xFA) {  // MPEG-1, Layer III
            ADD_FAILURE() << "no frame sync at byte " << at;
            break;
        }
        FrameHeader h;
        h.crc = (b[at + 1] & 1) == 0;
        h.bitrateKbps = kBitrates[b[at + 2] >> 4];
        h.sampleRate = kRates[(b[at + 2] >> 2) & 3];
        const int padding = (b[at + 2] >> 1) & 1;
        h.privateBit = b[at + 2] & 1;
        h.mode = b[at + 3] >> 6;
        h.copyright = (b[at + 3] >> 3) & 1;
        h.original = (b[at + 3] >> 2) & 1;
        if (!h.bitrateKbps || !h.sampleRate) {
            ADD_FAILURE() << "bad frame header at byte " << at;
            break;
        }
        frames.push_back(h);
        at += 144 * h.bitrateKbps * 1000 / h.sampleRate + padding;
    }
    return frames;
}

std::string ProgramFolder()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/'));
}

std::string RunCommand(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

}  // namespace encodetest
