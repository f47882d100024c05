#include "kvostudio/libskin/memdc.h"

#include <algorithm>

CMemDC::CMemDC(platform::DC* target, const platform::Rect& rect)
    : bitmap_(std::max(rect.Width(), 0), std::max(rect.Height(), 0)), target_(target), rect_(rect)
{
    // The surface starts as what the target shows, so parts a painter
    // leaves alone keep their pixels.
    if (target_ && target_->IsAttached() && !bitmap_.IsNull()) {
        platform::DC seed(bitmap_);
        seed.BitBlt(0, 0, rect.Width(), rect.Height(), *target_, rect.left, rect.top);
    }
    Attach(&bitmap_, {-rect.left, -rect.top});
    if (target_)
        ShowsOn(*target_, rect.TopLeft());
}

CMemDC::~CMemDC()
{
    if (target_ && !bitmap_.IsNull() && rect_.Width() > 0 && rect_.Height() > 0)
        target_->BitBlt(rect_.left, rect_.top, rect_.Width(), rect_.Height(), bitmap_, 0, 0);
}
