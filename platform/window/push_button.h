#pragma once
// A plain push button with a text label, drawn by the window service in the
// desktop's ordinary look (the skinned windows use CImageButton instead).
// A click sends BN_CLICKED to the parent. Like a desktop's, it is always a
// tab stop.

#include "platform/window/button.h"

namespace platform {

class PushButton : public OwnerDrawButton {
public:
    bool Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id);
    void SetFontFace(const std::string& face) { face_ = face; }

protected:
    void DrawItem(DC& dc, const DrawItemInfo& info) override;

private:
    std::string face_ = "Sans";
};

}  // namespace platform
