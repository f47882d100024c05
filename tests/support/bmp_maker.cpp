#include "tests/support/bmp_maker.h"

#include "tests/support/temp_files.h"

namespace testsupport {

std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int x, int y)>& pixel)
{
    const uint32_t rowBytes = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(height);
    std::vector<uint8_t> out;
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
    u32(54 + imageBytes);
    u32(0);
    u32(54);
    u32(40);
    u32(static_cast<uint32_t>(width));
    u32(static_cast<uint32_t>(height));
    u16(1);
    u16(24);
    u32(0);
    u32(imageBytes);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = height - 1; y >= 0; --y) {
        uint32_t n = 0;
        for (int x = 0; x < width; ++x, n += 3) {
            Rgb c = pixel(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        for (; n < rowBytes; ++n)
            out.push_back(0);
    }
    return out;
}

void WriteSolidBmp(const std::string& path, int width, int height, Rgb colour)
{
    WriteFile(path, MakeBmp(width, height, [colour](int, int) { return colour; }));
}

void WriteBmp(const std::string& path, int width, int height, const std::function<Rgb(int x, int y)>& pixel)
{
    WriteFile(path, MakeBmp(width, height, pixel));
}

}  // namespace testsupport
