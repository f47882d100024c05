// Bitmap files for tests that load skins: 24-bit .bmp files written byte by
// byte, with any pixel pattern.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// A 24-bit bottom-up .bmp of width x height whose pixel (x, y) is pixel(x, y).
std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int x, int y)>& pixel);
// Writes one filled with a single colour; throws on failure.
void WriteSolidBmp(const std::string& path, int width, int height, Rgb colour);
void WriteBmp(const std::string& path, int width, int height, const std::function<Rgb(int x, int y)>& pixel);

}  // namespace testsupport
