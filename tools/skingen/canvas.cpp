#include "tools/skingen/canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/skingen/bmp24.h"

namespace skingen {

Canvas::Canvas(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill)
{
}

Colour Canvas::Get(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return {};
    return pixels_[static_cast<size_t>(y) * width_ + x];
}

void Canvas::Set(int x, int y, Colour c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    pixels_[static_cast<size_t>(y) * width_ + x] = c;
}

void Canvas::FillRect(int x, int y, int w, int h, Colour c)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            Set(i, j, c);
}

void Canvas::FrameRect(int x, int y, int w, int h, Colour c)
{
    if (w <= 0 || h <= 0)
        return;
    HLine(x, x + w - 1, y, c);
    HLine(x, x + w - 1, y + h - 1, c);
    VLine(x, y, y + h - 1, c);
    VLine(x + w - 1, y, y + h - 1, c);
}

namespace {

// True when pixel (px, py) of a w x h box lies outside its rounded corners.
bool OutsideCorner(int px, int py, int w, int h, int radius)
{
    if (radius <= 0)
        return false;
    // Distances in half pixels from the pixel centre to the corner circle's centre.
    int cx = -1;
    int cy = -1;
    if (px < radius)
        cx = radius;
    else if (px >= w - radius)
        cx = w - radius;
    if (py < radius)
        cy = radius;
    else if (py >= h - radius)
        cy = h - radius;
    if (cx < 0 || cy < 0)
        return false;
    long dx = 2L * px + 1 - 2L * cx;
    long dy = 2L * py + 1 - 2L * cy;
    return dx * dx + dy * dy > 4L * radius * radius;
}

}  // namespace

void Canvas::FillRoundRect(int x, int y, int w, int h, int radius, Colour c)
{
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (!OutsideCorner(i, j, w, h, radius))
                Set(x + i, y + j, c);
}

void Canvas::CutCorners(int radius, Colour key)
{
    for (int j = 0; j < height_; ++j)
        for (int i = 0; i < width_; ++i)
            if (OutsideCorner(i, j, width_, height_, radius))
                Set(i, j, key);
}

void Canvas::HLine(int x0, int x1, int y, Colour c)
{
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
        Set(x, y, c);
}

void Canvas::VLine(int x, int y0, int y1, Colour c)
{
    for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
        Set(x, y, c);
}

void Canvas::Line(int x0, int y0, int x1, int y1, Colour c)
{
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        Set(x0, y0, c);
        if (x0 == x1 && y0 == y1)
            break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::FillTriangle(int x0, int y0, int x1, int y1, int x2, int y2, Colour c)
{
    // Pixel centres inside all three edges (or on them) are filled.
    const int minX = std::min({x0, x1, x2}), maxX = std::max({x0, x1, x2});
    const int minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
    auto edge = [](long ax, long ay, long bx, long by, long px, long py) {
        return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
    };
    long area = edge(x0, y0, x1, y1, x2, y2);
    if (area == 0)
        return;
    for (int y = minY; y <= maxY; ++y) {
        for (int x = minX; x <= maxX; ++x) {
            long e0 = edge(x0, y0, x1, y1, x, y);
            long e1 = edge(x1, y1, x2, y2, x, y);
            long e2 = edge(x2, y2, x0, y0, x, y);
            bool inside = area > 0 ? (e0 >= 0 && e1 >= 0 && e2 >= 0) : (e0 <= 0 && e1 <= 0 && e2 <= 0);
            if (inside)
                Set(x, y, c);
        }
    }
}

void Canvas::FillCircle(int cx2, int cy2, int r2, Colour c)
{
    for (int y = (cy2 - r2) / 2 - 1; y <= (cy2 + r2) / 2 + 1; ++y) {
        for (int x = (cx2 - r2) / 2 - 1; x <= (cx2 + r2) / 2 + 1; ++x) {
            long dx = 2L * x + 1 - cx2;
            long dy = 2L * y + 1 - cy2;
            if (dx * dx + dy * dy <= static_cast<long>(r2) * r2)
                Set(x, y, c);
        }
    }
}

std::vector<uint8_t> Canvas::ToBmp() const
{
    return EncodeBmp24(width_, height_, [this](int x, int y) { return Get(x, y); });
}

bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes)
{
    {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::vector<uint8_t> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            if (old == bytes)
                return true;
        }
    }
    // Written beside and renamed over, so a reader never sees half a file.
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace skingen
