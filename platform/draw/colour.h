#pragma once
// Colours as the system states them: 0x00BBGGRR (red in the low byte).

#include <cstdint>

namespace platform {

using COLORREF = uint32_t;

constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b)
{
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
constexpr uint8_t GetRValue(COLORREF c) { return static_cast<uint8_t>(c & 0xFF); }
constexpr uint8_t GetGValue(COLORREF c) { return static_cast<uint8_t>((c >> 8) & 0xFF); }
constexpr uint8_t GetBValue(COLORREF c) { return static_cast<uint8_t>((c >> 16) & 0xFF); }

// Returned for a pixel outside a surface.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// The skin's see-through colour: parts of a bitmap in it are cut away from
// a shaped window or left out of a colour-keyed copy.
constexpr COLORREF kSkinKeyColour = RGB(255, 0, 255);

}  // namespace platform
