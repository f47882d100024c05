#pragma once
// The off-screen surface every skinned window paints through: made over a
// rectangle of a target context, drawn into, and copied onto the target in
// one block when it goes away, so a paint never shows half drawn.
//
// It keeps the target's coordinates: drawing at (x, y) here lands at (x, y)
// on the target, and the final copy reads from the rectangle's top-left.

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"

class CMemDC : public platform::DC {
public:
    CMemDC(platform::DC* target, const platform::Rect& rect);
    ~CMemDC() override;

private:
    platform::Bitmap bitmap_;
    platform::DC* target_;
    platform::Rect rect_;
};
