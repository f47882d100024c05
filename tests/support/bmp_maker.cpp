#include "tests/support/bmp_maker.h"

#include "tests/support/temp_files.h"
#include "tools/skingen/bmp24.h"

namespace testsupport {

std::vector<uint8_t> MakeBmp(int width, int height, const std::function<Rgb(int x, int y)>& pixel)
{
    return skingen::EncodeBmp24(width, height, pixel);
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
