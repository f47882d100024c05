#pragma once
// A 5 x 7 pixel font for the labels on the skin's buttons: capitals,
// digits and a few signs, drawn without any font library so the output
// never depends on what is installed.

#include <string>

#include "tools/skingen/canvas.h"

namespace skingen {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kGlyphAdvance = 6;

// Width in pixels of 'text' drawn with DrawLabel.
int LabelWidth(const std::string& text);
// Draws 'text' with its top-left corner at (x, y). Unknown characters are
// drawn as blanks.
void DrawLabel(Canvas& canvas, int x, int y, const std::string& text, Colour c);
// Draws 'text' centred in the box (x, y, w, h).
void DrawLabelCentred(Canvas& canvas, int x, int y, int w, int h, const std::string& text, Colour c);

}  // namespace skingen
