#pragma once
// A bitmap in memory: 24-bit colour kept as 32-bit pixels, the form every
// skinned window draws from and into. Loaded from a file, made blank, or
// used as the back buffer of a window.

#include <cstdint>
#include <string>

#include "platform/draw/colour.h"
#include "platform/draw/geometry.h"

struct _cairo_surface;

namespace platform {

class Bitmap {
public:
    // The largest side a loaded file may claim; bigger headers are refused
    // before any pixel memory is taken.
    static constexpr int kMaxSide = 16384;

    Bitmap() = default;
    // A black bitmap; a zero width or height gives a valid empty bitmap,
    // negative sizes or sides over kMaxSide give a null one.
    Bitmap(int width, int height);
    ~Bitmap();
    Bitmap(Bitmap&& other) noexcept;
    Bitmap& operator=(Bitmap&& other) noexcept;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Loads a bitmap file (.bmp, also any other format gdk-pixbuf reads).
    // A missing, unreadable, truncated or oversized file gives a null bitmap
    // and, when 'error' is given, the reason.
    static Bitmap Load(const std::string& path, std::string* error = nullptr);

    bool IsNull() const { return surface_ == nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    Size GetSize() const { return {width_, height_}; }
    Rect Bounds() const { return {0, 0, width_, height_}; }

    // CLR_INVALID outside the bitmap or for a null one.
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF c);
    void Fill(COLORREF c);
    Bitmap Clone() const;

    // Raw access for the drawing code: 32-bit pixels 0x00RRGGBB in native
    // order, 'Stride' bytes per row. Callers that write must call
    // MarkDirty() afterwards; callers that read after cairo drew must call
    // Flush() first.
    uint32_t* Row(int y);
    const uint32_t* Row(int y) const;
    void Flush() const;
    void MarkDirty();
    _cairo_surface* Surface() const { return surface_; }

private:
    _cairo_surface* surface_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

// Pixel conversions between COLORREF and the surface's 0x00RRGGBB.
constexpr uint32_t PixelFromColour(COLORREF c)
{
    return (static_cast<uint32_t>(GetRValue(c)) << 16) | (static_cast<uint32_t>(GetGValue(c)) << 8) |
           GetBValue(c);
}
constexpr COLORREF ColourFromPixel(uint32_t p)
{
    return RGB(static_cast<uint8_t>((p >> 16) & 0xFF), static_cast<uint8_t>((p >> 8) & 0xFF),
               static_cast<uint8_t>(p & 0xFF));
}

}  // namespace platform
