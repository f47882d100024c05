#pragma once
// A window's shape cut out of a skin bitmap: every pixel that is not of the
// key colour belongs to the window.

#include <optional>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/region.h"

// The pixels of 'bitmap' whose colour lies outside [key, key + tolerance]
// in at least one of red, green and blue (each channel compared with the
// same channel of the key; the tolerance only reaches upward). Nothing
// (nullopt) for a null or empty bitmap, or one that is all key colour.
std::optional<platform::Region> CreateRegionFromBitmap(const platform::Bitmap* bitmap, platform::COLORREF key,
                                                       platform::COLORREF tolerance);
