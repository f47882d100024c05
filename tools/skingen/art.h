#pragma once
// The artwork of each manifest entry, in the program's own palette: the
// dark list colours, the dialogs' frame colours and the gold of the current
// song. Magenta marks what a shaped window cuts away.

#include "kvostudio/libskin/skinmanifest.h"
#include "tools/skingen/canvas.h"

namespace skingen {

namespace palette {
constexpr Colour kKey{255, 0, 255};            // cut away
constexpr Colour kPanel{70, 69, 74};           // list background
constexpr Colour kPanelDark{58, 58, 60};       // selected row
constexpr Colour kStrip{58, 57, 63};           // separator, upper line
constexpr Colour kStripLight{88, 87, 91};      // separator, lower line
constexpr Colour kDialog{88, 89, 91};          // dialog client
constexpr Colour kBorder{54, 55, 55};          // dialog border
constexpr Colour kCaptionText{210, 212, 211};  // dialog caption
constexpr Colour kBodyText{189, 190, 191};     // dialog body text
constexpr Colour kLight{237, 237, 237};        // light panels
constexpr Colour kGold{255, 225, 154};         // current song
constexpr Colour kText{167, 167, 167};         // other text
constexpr Colour kDim{107, 107, 107};          // row numbers
constexpr Colour kLcd{30, 30, 34};             // display window
constexpr Colour kRed{214, 52, 52};            // bars: the part done
constexpr Colour kTrack{200, 200, 202};        // bars: the part to come
constexpr Colour kWhite{255, 255, 255};
}  // namespace palette

// Draws the artwork of 'spec' on a canvas of its size.
Canvas Draw(const skin::BitmapSpec& spec);

// Button artwork (art_buttons.cpp).
void DrawButton(Canvas& c, const skin::BitmapSpec& spec);

// The glyph colour of a look: grey, gold under the mouse, dim when pressed.
Colour GlyphColour(skin::Look look);

}  // namespace skingen
