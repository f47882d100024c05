#pragma once
// A plain push button with a text label, drawn by the window service in the
// desktop's ordinary look (the skinned windows use CImageButton instead).
// A click sends BN_CLICKED to the parent.

#include "platform/window/button.h"

namespace platform {

class PushButton : public OwnerDrawButton {
public:
    void SetFontFace(const std::string& face) { face_ = face; }

protected:
    void DrawItem(DC& dc, const DrawItemInfo& info) override;

private:
    std::string face_ = "Sans";
};

}  // namespace platform
