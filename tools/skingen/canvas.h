#pragma once
// An RGB canvas with the few integer drawing operations the skin needs, and
// the writer of 24-bit .bmp files.

#include <cstdint>
#include <string>
#include <vector>

namespace skingen {

struct Colour {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

class Canvas {
public:
    Canvas(int width, int height, Colour fill);
    int Width() const { return width_; }
    int Height() const { return height_; }

    Colour Get(int x, int y) const;
    void Set(int x, int y, Colour c);  // ignores points outside
    void FillRect(int x, int y, int w, int h, Colour c);
    void FrameRect(int x, int y, int w, int h, Colour c);
    // Rounded rectangle; corner pixels outside a circle of 'radius'.
    void FillRoundRect(int x, int y, int w, int h, int radius, Colour c);
    void HLine(int x0, int x1, int y, Colour c);  // inclusive
    void VLine(int x, int y0, int y1, Colour c);  // inclusive
    void Line(int x0, int y0, int x1, int y1, Colour c);
    // Filled triangle by integer scanlines.
    void FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, Colour c);
    void FillCircle(int cx2, int cy2, int r2, Colour c);  // centre and radius in half pixels
    // Colours the pixels outside the rounded rectangle (0,0,w,h).
    void CutCorners(int radius, Colour key);

    // 24-bit bottom-up .bmp bytes.
    std::vector<uint8_t> ToBmp() const;

private:
    int width_;
    int height_;
    std::vector<Colour> pixels_;
};

// Writes 'bytes' to 'path' unless the file already holds exactly them (so a
// rebuild leaves untouched files alone). Returns false on a write failure.
bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace skingen
