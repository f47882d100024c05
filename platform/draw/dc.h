#pragma once
// A drawing context: the pen-less, state-light drawing surface every
// skinned window paints through. It draws on a Bitmap, with an origin (where
// the context's (0, 0) lands on the bitmap) and a clip, so a child window's
// paint can draw in its own coordinates into its top-level's back buffer.
//
// Copies are exact pixel copies (no blending). Fills, lines and rounded
// fills are drawn without anti-aliasing, like the skin they sit on; only
// text is anti-aliased. Everything outside the clip or the bitmap is left
// untouched, also when a source rectangle reaches past its bitmap.

#include <cstdint>
#include <string>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/font.h"
#include "platform/draw/geometry.h"
#include "platform/draw/region.h"

namespace platform {

// Text placement flags for DC::DrawText.
enum : uint32_t {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,  // with DT_SINGLELINE
    DT_BOTTOM = 0x8,   // with DT_SINGLELINE
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_NOCLIP = 0x100,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
    // Ours, not GDI's: a text wider than its rectangle (or, wrapped,
    // taller) is drawn in a smaller size that fits, down to seven tenths
    // of its own, rather than cut; beyond that it is cut (or, with
    // DT_END_ELLIPSIS, ended with an ellipsis). For the fixed texts of a
    // window, laid out for one face's widths and shown in another's.
    DT_SHRINKTOFIT = 0x10000000,
};

// Background modes for text.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

class DC {
public:
    DC() = default;
    explicit DC(Bitmap& target);
    virtual ~DC() = default;
    DC(const DC&) = delete;
    DC& operator=(const DC&) = delete;

    // Draws on 'target' from now on. 'origin' is where (0, 0) of this
    // context lies on the bitmap; 'clip' (in bitmap coordinates) limits all
    // drawing, none means the whole bitmap.
    void Attach(Bitmap* target, Point origin = {}, const Region* clip = nullptr);
    bool IsAttached() const { return target_ != nullptr && !target_->IsNull(); }
    // For a context on a surface of its own that is later copied to
    // 'target' with its (0, 0) at 'at' (in target's coordinates): where what
    // it draws finally shows, and which of it can show there. Attach forgets it.
    void ShowsOn(const DC& target, Point at);
    // Where drawing can reach the final surface, in its pixels.
    Region SurfaceVisible() const;
    Bitmap* Target() const { return target_; }
    Point Origin() const { return origin_; }
    // The clip in this context's coordinates.
    Region GetClipRegion() const;
    // Narrows the clip to a rectangle of this context.
    void IntersectClipRect(const Rect& r);

    COLORREF SetTextColor(COLORREF c);
    COLORREF SetBkColor(COLORREF c);
    int SetBkMode(int mode);
    // Returns the previous font. The font must outlive its use here;
    // nullptr selects the default font.
    const Font* SelectFont(const Font* font);

    void FillSolidRect(const Rect& r, COLORREF c);
    // A fill with corners rounded by an ellipse of the given size (as a
    // rounded rectangle without a separate outline).
    void FillRoundRect(const Rect& r, int ellipseWidth, int ellipseHeight, COLORREF c);
    void FrameRect(const Rect& r, COLORREF c);
    // The mark of the control that has the keyboard: a one-pixel frame of
    // dots alternately black and white, so that it shows on any colour.
    void DrawFocusRect(const Rect& r);
    // A 1-pixel line from 'from' up to, not including, 'to'.
    void DrawLine(Point from, Point to, COLORREF c);

    // Plain copies: width x height pixels from (srcX, srcY) of the source
    // to (x, y) here.
    void BitBlt(int x, int y, int width, int height, const Bitmap& src, int srcX, int srcY);
    void BitBlt(int x, int y, int width, int height, const DC& src, int srcX, int srcY);
    // Scales srcRect of the source onto dst (nearest pixel).
    void StretchBlt(const Rect& dst, const Bitmap& src, const Rect& srcRect);
    // Like StretchBlt, leaving every destination pixel whose source pixel
    // has the key colour unchanged.
    void TransparentBlt(const Rect& dst, const Bitmap& src, const Rect& srcRect, COLORREF key);

    // Draws text in the selected font and text colour inside 'rect'
    // (clipped to it unless DT_NOCLIP). Returns the height of the text.
    int DrawText(const std::string& text, const Rect& rect, uint32_t format);
    // The rectangle the text would cover when drawn with 'format' in 'rect'.
    Rect CalcTextRect(const std::string& text, const Rect& rect, uint32_t format);
    Size GetTextExtent(const std::string& text);

    COLORREF GetPixel(int x, int y) const;

protected:
    // Clip rectangles (bitmap coordinates) that meet 'r' (context coordinates).
    template <typename Fn>
    void ForEachClipped(const Rect& r, Fn&& fn) const;
    Rect ToTarget(const Rect& r) const { return r.Offset(origin_.x, origin_.y); }
    Rect ToSurface(const Rect& r) const { return ToTarget(r).Offset(surfaceOffset_.x, surfaceOffset_.y); }
    const Font& CurrentFont() const;
    int DrawOrMeasureText(const std::string& text, const Rect& rect, uint32_t format, bool draw, Rect* covered);

    Bitmap* target_ = nullptr;
    Point origin_;
    Region clip_;  // bitmap coordinates, always inside the bitmap
    Point surfaceOffset_;  // where the bitmap's (0, 0) shows on the final surface
    bool surfaceLimited_ = false;
    Region surfaceLimit_;  // final-surface pixels the bitmap can reach, when limited
    COLORREF textColour_ = RGB(0, 0, 0);
    COLORREF bkColour_ = RGB(255, 255, 255);
    int bkMode_ = OPAQUE;
    const Font* font_ = nullptr;
};

template <typename Fn>
void DC::ForEachClipped(const Rect& r, Fn&& fn) const
{
    if (!IsAttached())
        return;
    const Rect t = ToTarget(r);
    for (const Rect& c : clip_.Rects()) {
        Rect i = t.Intersect(c);
        if (!i.IsEmpty())
            fn(i);
    }
}

}  // namespace platform
