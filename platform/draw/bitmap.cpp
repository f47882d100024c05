#include "platform/draw/bitmap.h"

#include <cairo.h>
#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstdio>
#include <utility>

namespace platform {
namespace {

bool SideOk(int side) { return side >= 0 && side <= Bitmap::kMaxSide; }

void SetError(std::string* error, std::string text)
{
    if (error)
        *error = std::move(text);
}

uint32_t Le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// An uncompressed .bmp must hold all the rows its header announces; the
// decoder would otherwise fill a cut-off file with black.
bool BmpComplete(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    unsigned char h[54];
    const size_t got = std::fread(h, 1, sizeof h, f);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    if (got < 2 || h[0] != 'B' || h[1] != 'M')
        return true;  // not a .bmp: the decoder judges it
    if (got < sizeof h || size < 0)
        return false;
    const uint32_t headerSize = Le32(h + 14);
    if (headerSize < 40)
        return true;  // an old core header: left to the decoder
    const uint64_t offset = Le32(h + 10);
    const int64_t width = static_cast<int32_t>(Le32(h + 18));
    int64_t height = static_cast<int32_t>(Le32(h + 22));
    const unsigned bits = h[28] | (h[29] << 8);
    const uint32_t compression = Le32(h + 30);
    if (compression != 0)
        return true;
    if (height < 0)
        height = -height;
    if (width <= 0 || height <= 0 || width > Bitmap::kMaxSide || height > Bitmap::kMaxSide || bits == 0 || bits > 32)
        return false;
    const uint64_t rowBytes = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
    return offset + rowBytes * static_cast<uint64_t>(height) <= static_cast<uint64_t>(size);
}

}  // namespace

Bitmap::Bitmap(int width, int height)
{
    if (!SideOk(width) || !SideOk(height))
        return;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return;
    }
    surface_ = s;
    width_ = width;
    height_ = height;
    Fill(RGB(0, 0, 0));
}

Bitmap::~Bitmap()
{
    if (surface_)
        cairo_surface_destroy(surface_);
}

Bitmap::Bitmap(Bitmap&& other) noexcept
    : surface_(std::exchange(other.surface_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0))
{
}

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept
{
    if (this != &other) {
        if (surface_)
            cairo_surface_destroy(surface_);
        surface_ = std::exchange(other.surface_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

Bitmap Bitmap::Load(const std::string& path, std::string* error)
{
    // The header is read first so that a file claiming a huge image is
    // refused before the decoder allocates for it.
    int w = 0;
    int h = 0;
    if (!gdk_pixbuf_get_file_info(path.c_str(), &w, &h)) {
        SetError(error, "not a readable image: " + path);
        return {};
    }
    if (w <= 0 || h <= 0 || !SideOk(w) || !SideOk(h)) {
        SetError(error, "image size out of range: " + path);
        return {};
    }
    if (!BmpComplete(path)) {
        SetError(error, "image file cut short: " + path);
        return {};
    }
    GError* gerr = nullptr;
    GdkPixbuf* pb = gdk_pixbuf_new_from_file(path.c_str(), &gerr);
    if (!pb) {
        SetError(error, gerr ? gerr->message : "cannot load " + path);
        if (gerr)
            g_error_free(gerr);
        return {};
    }
    const int pw = gdk_pixbuf_get_width(pb);
    const int ph = gdk_pixbuf_get_height(pb);
    const int channels = gdk_pixbuf_get_n_channels(pb);
    const int stride = gdk_pixbuf_get_rowstride(pb);
    if (pw != w || ph != h || gdk_pixbuf_get_bits_per_sample(pb) != 8 || channels < 3) {
        g_object_unref(pb);
        SetError(error, "unexpected pixel layout: " + path);
        return {};
    }
    Bitmap bmp(pw, ph);
    if (bmp.IsNull()) {
        g_object_unref(pb);
        SetError(error, "out of memory for " + path);
        return {};
    }
    const guchar* pixels = gdk_pixbuf_read_pixels(pb);
    for (int y = 0; y < ph; ++y) {
        const guchar* src = pixels + static_cast<size_t>(y) * stride;
        uint32_t* dst = bmp.Row(y);
        for (int x = 0; x < pw; ++x, src += channels)
            dst[x] = (static_cast<uint32_t>(src[0]) << 16) | (static_cast<uint32_t>(src[1]) << 8) | src[2];
    }
    bmp.MarkDirty();
    g_object_unref(pb);
    return bmp;
}

COLORREF Bitmap::GetPixel(int x, int y) const
{
    if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return CLR_INVALID;
    Flush();
    return ColourFromPixel(Row(y)[x] & 0xFFFFFF);
}

void Bitmap::SetPixel(int x, int y, COLORREF c)
{
    if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    Flush();
    Row(y)[x] = PixelFromColour(c);
    MarkDirty();
}

void Bitmap::Fill(COLORREF c)
{
    if (!surface_)
        return;
    Flush();
    const uint32_t p = PixelFromColour(c);
    for (int y = 0; y < height_; ++y) {
        uint32_t* row = Row(y);
        for (int x = 0; x < width_; ++x)
            row[x] = p;
    }
    MarkDirty();
}

Bitmap Bitmap::Clone() const
{
    if (!surface_)
        return {};
    Bitmap copy(width_, height_);
    if (copy.IsNull())
        return copy;
    Flush();
    for (int y = 0; y < height_; ++y) {
        const uint32_t* src = Row(y);
        std::copy(src, src + width_, copy.Row(y));
    }
    copy.MarkDirty();
    return copy;
}

uint32_t* Bitmap::Row(int y)
{
    return reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface_) +
                                       static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_));
}

const uint32_t* Bitmap::Row(int y) const
{
    return reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface_) +
                                             static_cast<size_t>(y) * cairo_image_surface_get_stride(surface_));
}

void Bitmap::Flush() const
{
    if (surface_)
        cairo_surface_flush(surface_);
}

void Bitmap::MarkDirty()
{
    if (surface_)
        cairo_surface_mark_dirty(surface_);
}

}  // namespace platform
