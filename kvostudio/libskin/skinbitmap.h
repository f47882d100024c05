#pragma once
// Skin bitmaps are loaded by file name from the skin folder.

#include <string>

#include "platform/draw/bitmap.h"

// The named bitmap of the skin folder; a null bitmap for an empty name or a
// file that is missing or unreadable.
platform::Bitmap LoadSkinBitmap(const std::string& name);
