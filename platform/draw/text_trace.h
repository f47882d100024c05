#pragma once
// A record of the texts drawn on this thread while a trace is open: what
// each text was, where it was asked to go, the font and language it was
// laid out in, and where the layout put it. The display tests read it to
// check that every text a window draws shows whole where the user sees it.
// Drawing keeps no record while no trace is open.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/draw/font.h"
#include "platform/draw/geometry.h"
#include "platform/draw/region.h"

namespace platform {

struct DrawnText {
    std::string text;
    uint32_t format = 0;  // DT_ flags as given
    Font font;            // as selected
    double pixelSize = 0;  // the em size it was drawn in, after any fitting
    std::string language;  // the language the layout carried; empty: the user's
    bool ellipsized = false;
    // In the pixels of the surface the drawing finally shows on (a
    // top-level window's client area for a window's paint).
    Rect rect;     // the rectangle asked for
    Rect logical;  // the laid-out text's extent
    // The pixels each line's glyphs reach into (before any clip).
    std::vector<Rect> inkLines;
    Region visible;  // where drawing could reach the surface
};

class TextTrace {
public:
    TextTrace();  // one open trace per thread at a time
    ~TextTrace();
    TextTrace(const TextTrace&) = delete;
    TextTrace& operator=(const TextTrace&) = delete;

    const std::vector<DrawnText>& Texts() const { return texts_; }
    void Clear() { texts_.clear(); }

    // The open trace of this thread, or none.
    static TextTrace* Current();
    void Add(DrawnText text) { texts_.push_back(std::move(text)); }

private:
    std::vector<DrawnText> texts_;
    TextTrace* previous_;
};

}  // namespace platform
