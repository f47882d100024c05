#include "kvostudio/libskin/hyperlink.h"

#include <cassert>

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "kvostudio/playercommand.h"
#include "platform/draw/font.h"
#include "platform/shell/web_page.h"
#include "platform/window/debug_output.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

// Child, visible, owner-drawn.
constexpr uint32_t kLinkStyle = 0x5000000B;

}  // namespace

CHyperLink::CHyperLink(Window* parent, const Rect& rect, const Bitmap* background, COLORREF normalColour,
                       COLORREF hoverColour)
    : parent_(parent),
      rect_(rect),
      client_{0, 0, rect.Width(), rect.Height()},
      background_(background),
      hoverColour_(hoverColour),
      normalColour_(normalColour)
{
    assert(parent && parent->IsWindow());
    if (parent && parent->IsWindow())
        CreateEx(0, "HyperLink", "", kLinkStyle, rect, parent, 0);
}

void CHyperLink::SetLinkText(const std::string& text)
{
    text_ = text;
}

void CHyperLink::SetLinkUrl(const std::string& url)
{
    url_ = url;
}

void CHyperLink::SetUnderline(bool on)
{
    underline_ = on;
}

void CHyperLink::Render(DC& dc) const
{
    dc.SetBkMode(TRANSPARENT);
    if (background_ && !background_->IsNull())
        dc.BitBlt(0, 0, client_.Width(), client_.Height(), *background_, rect_.left, rect_.top);
    else
        dc.FillSolidRect(client_, backgroundColour);
    if (text_.empty())
        return;
    const Font font(g_LanguageSettings.GetLanguageFontName(), -11, 400, false, underline_);
    const Font* old = dc.SelectFont(&font);
    dc.SetTextColor(state_ == kNormal ? normalColour_ : hoverColour_);
    dc.DrawText(text_, client_, DT_LEFT | DT_TOP | DT_SHRINKTOFIT);
    dc.SelectFont(old);
}

void CHyperLink::SetState(int state)
{
    if (state_ == state)
        return;
    state_ = state;
    Invalidate(false);
}

const MessageMap* CHyperLink::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CHyperLink::OnPaint),
        M::On(WM_ERASEBKGND, &CHyperLink::OnEraseBkgnd),
        M::On(WM_MOUSEMOVE, &CHyperLink::OnMouseMove),
        M::On(WM_MOUSEHOVER, &CHyperLink::OnMouseHover),
        M::On(WM_MOUSELEAVE, &CHyperLink::OnMouseLeave),
        M::On(WM_LBUTTONDOWN, &CHyperLink::OnLButtonDown),
        M::On(WM_LBUTTONUP, &CHyperLink::OnLButtonUp),
    });
    return &map;
}

LRESULT CHyperLink::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, client_);
    Render(mem);
    return 0;
}

LRESULT CHyperLink::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CHyperLink::OnMouseMove(const Message&)
{
    TrackMouseEvent(TME_HOVER | TME_LEAVE, kHoverTimeMs);
    return Default();
}

LRESULT CHyperLink::OnMouseHover(const Message&)
{
    // A pointer that rests while the button is held must not forget the
    // press, or its release would be no click at all.
    if (state_ != kPressed)
        SetState(kHover);
    return 0;
}

LRESULT CHyperLink::OnMouseLeave(const Message&)
{
    SetState(kNormal);
    return 0;
}

LRESULT CHyperLink::OnLButtonDown(const Message&)
{
    SetState(kPressed);
    return Default();
}

LRESULT CHyperLink::OnLButtonUp(const Message&)
{
    const bool pressedHere = state_ == kPressed;
    SetState(kHover);
    const LRESULT result = Default();
    if (!pressedHere)
        return result;
    if (commandId != 0) {
        // The parent may close the window this link sits on, so nothing of
        // the link is touched after the command.
        parent_->SendMessage(WM_PLAYER_COMMAND, static_cast<WPARAM>(commandId), 0);
    } else if (!url_.empty()) {
        if (!OpenWebPage(url_))
            DebugOutput("CHyperLink: cannot open " + url_ + "\n");
    }
    return result;
}
