#pragma once
// A font request by face, height and weight, the way the skinned windows
// ask for one: a negative height is the character height in pixels, a
// positive one the cell height; weight 400 is normal and 700 bold. The face
// goes through fontconfig, so a face that is not installed falls back to
// the nearest one. A requested average width is not honoured: Pango keeps
// the face's own proportions.

#include <string>

namespace platform {

class Font {
public:
    Font() = default;
    Font(std::string face, int height, int weight = 400, bool italic = false, bool underline = false);

    const std::string& Face() const { return face_; }
    int Height() const { return height_; }
    int Weight() const { return weight_; }
    bool Italic() const { return italic_; }
    bool Underline() const { return underline_; }
    // The character (em) height in pixels that the request comes to.
    int PixelSize() const;

    // The face used when none is given (a fontconfig alias, always there).
    static constexpr const char* kFallbackFace = "Sans";

private:
    std::string face_ = kFallbackFace;
    int height_ = -12;
    int weight_ = 400;
    bool italic_ = false;
    bool underline_ = false;
};

}  // namespace platform
