#pragma once
// A font request by face, height and weight, the way the skinned windows
// ask for one: a negative height is the character height in pixels, a
// positive one the cell height; weight 400 is normal and 700 bold. The face
// goes through fontconfig, so a face that is not installed falls back to
// the nearest one. A requested average width is not honoured: Pango keeps
// the face's own proportions. Where fontconfig stands in another face for
// "Arial" and that face runs wider, the text is drawn smaller by the ratio
// of their widths, so that it takes the room laid out for Arial.
//
// The character set is the one a GDI font asks for (0 = ANSI, 128 =
// Shift-JIS, 129 = Hangul, 134 = GB2312, 136 = Big5, ...). A set that
// belongs to one language gives the text that language, so Pango picks a
// face and the glyph forms of that language (the same Han character is
// drawn differently in Japanese, Korean and Chinese).

#include <string>

namespace platform {

class Font {
public:
    Font() = default;
    Font(std::string face, int height, int weight = 400, bool italic = false, bool underline = false,
         int charset = 0);

    const std::string& Face() const { return face_; }
    int Height() const { return height_; }
    int Weight() const { return weight_; }
    bool Italic() const { return italic_; }
    bool Underline() const { return underline_; }
    // The language the character set stands for, as Pango names it ("ja",
    // "ko", "zh-cn", ...); empty for sets shared by several languages and
    // for ANSI, whose texts take the user's own language.
    std::string Language() const;
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
    int charset_ = 0;
};

}  // namespace platform
