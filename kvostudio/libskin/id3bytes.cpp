#include "kvostudio/libskin/id3bytes.h"

namespace id3 {

uint32_t ReadSyncSafe(const uint8_t* p) {
    return uint32_t(p[0] & 0x7F) << 21 | uint32_t(p[1] & 0x7F) << 14 | uint32_t(p[2] & 0x7F) << 7 |
           uint32_t(p[3] & 0x7F);
}

void WriteSyncSafe(uint32_t value, uint8_t* out) {
    out[0] = uint8_t((value >> 21) & 0x7F);
    out[1] = uint8_t((value >> 14) & 0x7F);
    out[2] = uint8_t((value >> 7) & 0x7F);
    out[3] = uint8_t(value & 0x7F);
}

uint32_t ReadBigEndian(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
    return v;
}

void WriteBigEndian(uint32_t value, int bytes, uint8_t* out) {
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = uint8_t(value & 0xFF);
        value >>= 8;
    }
}

std::vector<uint8_t> Unsynchronise(const uint8_t* p, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n + n / 64 + 1);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < n && (p[i + 1] == 0x00 || p[i + 1] >= 0xE0)) out.push_back(0x00);
    }
    return out;
}

std::vector<uint8_t> RemoveUnsynchronisation(const uint8_t* p, size_t n) {
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == 0x00 && i > 0 && p[i - 1] == 0xFF) continue;
        out.push_back(p[i]);
    }
    return out;
}

}  // namespace id3
