#include "platform/draw/font.h"

#include <utility>

namespace platform {

Font::Font(std::string face, int height, int weight, bool italic, bool underline, int charset)
    : face_(face.empty() ? std::string(kFallbackFace) : std::move(face)),
      height_(height),
      weight_(weight <= 0 ? 400 : weight),
      italic_(italic),
      underline_(underline),
      charset_(charset)
{
}

std::string Font::Language() const
{
    switch (charset_) {
    case 128: return "ja";     // Shift-JIS
    case 129: return "ko";     // Hangul (Wansung)
    case 130: return "ko";     // Johab
    case 134: return "zh-cn";  // GB2312
    case 136: return "zh-tw";  // Big5
    case 161: return "el";     // Greek
    case 162: return "tr";     // Turkish
    case 163: return "vi";     // Vietnamese
    case 177: return "he";     // Hebrew
    case 178: return "ar";     // Arabic
    case 222: return "th";     // Thai
    // Cyrillic, Central European, Baltic and ANSI each serve several
    // languages: the user's own (Pango's default) is the right one.
    default: return std::string();
    }
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
