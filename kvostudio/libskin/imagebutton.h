#pragma once
// A push button drawn from skin bitmaps: one image for each state (normal,
// under the mouse, pressed) and an optional fourth image that alternates
// with the normal one once a second while the button blinks. A release
// over the button sends BN_CLICKED to the parent; a tooltip shows the text
// given with SetToolTipText.

#include <string>

#include "platform/draw/bitmap.h"
#include "platform/window/button.h"
#include "platform/window/tooltip.h"

class CImageButton : public platform::OwnerDrawButton {
public:
    enum State { kNormal = 0, kOver = 1, kPressed = 2 };
    static constexpr uintptr_t kBlinkTimer = 0;
    static constexpr unsigned kBlinkPeriodMs = 1000;
    static constexpr int kHoverTimeMs = 1;

    CImageButton() = default;
    ~CImageButton() override;

    // The normal, over and press images must load (else 0 and no window);
    // the blink image is optional (an empty name for none).
    int Create(const platform::Rect& rect, platform::Window* parent, unsigned id, const std::string& normal,
               const std::string& over, const std::string& press, const std::string& blink);
    // New images, and a new size when the rectangle's size differs (the
    // position then follows the rectangle). Returns 1 when the normal, over
    // and press images loaded; otherwise 0 and the button keeps its images.
    int SetBitmaps(const platform::Rect& rect, const std::string& normal, const std::string& over,
                   const std::string& press, const std::string& blink);
    void SetBlink(bool on);
    void SetToolTipText(const std::string& text);

    int GetState() const { return state_; }
    bool IsBlinking() const { return blink_; }
    platform::ToolTip& GetToolTip() { return toolTip_; }

    const platform::MessageMap* GetMessageMap() const override;
    bool PreTranslateMessage(platform::Message& msg) override;

protected:
    void DrawItem(platform::DC& dc, const platform::DrawItemInfo& info) override;

private:
    // The image the button shows now.
    const platform::Bitmap& CurrentImage() const;
    void SetState(int state);

    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseHover(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);

    unsigned id_ = 0;
    platform::Bitmap normal_;
    platform::Bitmap over_;
    platform::Bitmap press_;
    platform::Bitmap blinkImage_;
    platform::Rect client_;
    int state_ = kNormal;
    bool blink_ = false;
    int blinkPhase_ = 0;
    platform::ToolTip toolTip_;
};
