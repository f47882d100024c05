#pragma once
// A static text drawn by the window service: its window text, word-wrapped
// unless asked for one line, on a plain background; with kSunken it looks
// like a read-only field (white, with a border). It takes no input.

#include <string>

#include "platform/draw/colour.h"
#include "platform/window/window.h"

namespace platform {

class StaticText : public Window {
public:
    enum : uint32_t { kSingleLine = 0x1, kSunken = 0x2 };

    bool Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id,
                uint32_t options = 0);
    void SetColours(COLORREF text, COLORREF background);
    void SetFontFace(const std::string& face) { face_ = face; }
    // Sets the text and repaints.
    void SetText(const std::string& text);

    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);

    uint32_t options_ = 0;
    COLORREF text_ = RGB(0, 0, 0);
    COLORREF background_ = RGB(240, 240, 240);
    std::string face_ = "Sans";
};

}  // namespace platform
