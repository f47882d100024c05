#pragma once
// A text link on a skinned window: drawn over the part of the window's
// background image beneath it, in one colour normally and another under
// the pointer. A click that starts and ends on it sends the owner's
// command to the parent (WM_PLAYER_COMMAND), or, without a command, opens
// the web address in the user's browser.

#include <string>

#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

class CHyperLink : public platform::Window {
public:
    enum State { kNormal = 0, kHover = 1, kPressed = 2 };
    static constexpr int kHoverTimeMs = 1;

    // Creates the link as a child of 'parent' at 'rect' (parent
    // coordinates). 'background' is the parent's skin image (may be null;
    // it must outlive the link).
    CHyperLink(platform::Window* parent, const platform::Rect& rect, const platform::Bitmap* background,
               platform::COLORREF normalColour, platform::COLORREF hoverColour);

    void SetLinkText(const std::string& text);
    void SetLinkUrl(const std::string& url);
    void SetUnderline(bool on);

    // Set by the owner: the command sent on a click (0: none, open the
    // address instead), and the colour behind the text when there is no
    // background image.
    int commandId = 0;
    platform::COLORREF backgroundColour = platform::RGB(192, 192, 192);

    int GetState() const { return state_; }
    // Paints the link into a context of its client size.
    void Render(platform::DC& dc) const;

    const platform::MessageMap* GetMessageMap() const override;

private:
    void SetState(int state);

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseHover(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);

    platform::Window* parent_;
    platform::Rect rect_;
    platform::Rect client_;
    const platform::Bitmap* background_;
    std::string text_;
    std::string url_;
    int state_ = kNormal;
    platform::COLORREF hoverColour_;
    platform::COLORREF normalColour_;
    bool underline_ = false;
};
