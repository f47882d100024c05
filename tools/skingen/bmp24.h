// 24-bit bottom-up .bmp files, byte by byte: what the skin generator writes
// and what tests that load skins make. Header only, so a test can use it
// without the generator.
#pragma once

#include <cstdint>
#include <vector>

namespace skingen {

// The file of width x height pixels; pixel(x, y) gives something with r, g
// and b bytes.
template <typename PixelFn>
std::vector<uint8_t> EncodeBmp24(int width, int height, PixelFn&& pixel)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    const uint32_t fileBytes = 14 + 40 + imageBytes;
    std::vector<uint8_t> out;
    out.reserve(fileBytes);
    auto u16 = [&](uint32_t v) {
        out.push_back(v & 0xFF);
        out.push_back((v >> 8) & 0xFF);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(fileBytes);
    u32(0);
    u32(14 + 40);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));  // positive: bottom-up rows
    u16(1);
    u16(24);
    u32(0);  // no compression
    u32(imageBytes);
    u32(2835);  // 72 dpi
    u32(2835);
    u32(0);
    u32(0);
    for (int y = height - 1; y >= 0; --y) {
        uint32_t written = 0;
        for (int x = 0; x < width; ++x, written += 3) {
            const auto c = pixel(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (; written < rowBytes; ++written)
            out.push_back(0);
    }
    return out;
}

}  // namespace skingen
