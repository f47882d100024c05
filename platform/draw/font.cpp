#include "platform/draw/font.h"

#include <utility>

namespace platform {

Font::Font(std::string face, int height, int weight, bool italic, bool underline)
    : face_(face.empty() ? std::string(kFallbackFace) : std::move(face)),
      height_(height),
      weight_(weight <= 0 ? 400 : weight),
      italic_(italic),
      underline_(underline)
{
}

int Font::PixelSize() const
{
    if (height_ < 0)
        return -height_;
    if (height_ == 0)
        return 12;
    // A cell height includes the internal leading; the character height of
    // common faces is about five sixths of it.
    int px = (height_ * 5 + 3) / 6;
    return px < 1 ? 1 : px;
}

}  // namespace platform
