#pragma once
// An owner-drawn push button: it takes the pointer when pressed, looks
// pushed while the pointer stays over it, and a release over it sends
// WM_COMMAND with BN_CLICKED to its parent. With the focus, Space presses it
// the same way (down looks pushed, up clicks). What it looks like is up to
// DrawItem, which its paint calls; a button that can have the focus shows
// it with DC::DrawFocusRect.

#include "platform/draw/dc.h"
#include "platform/window/window.h"

namespace platform {

struct DrawItemInfo {
    int ctlId = 0;
    Rect rect;  // the client rectangle
    bool pushed = false;
    bool disabled = false;
    bool focused = false;
};

class OwnerDrawButton : public Window {
public:
    bool Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id);

    const MessageMap* GetMessageMap() const override;

protected:
    virtual void DrawItem(DC& dc, const DrawItemInfo& info);
    // A press of the pointer or of Space was let go over the button: tells
    // the parent (BN_CLICKED).
    virtual void Clicked();

private:
    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnLButtonUp(const Message& m);
    LRESULT OnMouseMove(const Message& m);
    LRESULT OnCaptureChanged(const Message& m);
    LRESULT OnKeyDown(const Message& m);
    LRESULT OnKeyUp(const Message& m);
    LRESULT OnKillFocus(const Message& m);
    LRESULT OnPaint(const Message& m);

    bool tracking_ = false;
    bool pushed_ = false;
    bool spaceHeld_ = false;
};

}  // namespace platform
