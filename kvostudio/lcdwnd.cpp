#include "kvostudio/lcdwnd.h"

#include <cstdio>

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

// Minutes run on past the hour, as the playlist shows a song's time: a
// display that dropped the hours would show an hour-long song as a short one.
std::string MinutesSeconds(const char* format, unsigned seconds)
{
    char text[24];
    std::snprintf(text, sizeof text, format, seconds / 60, seconds % 60);
    return text;
}

}  // namespace

CLCDWnd::CLCDWnd(Window* parent, const Bitmap* background) : parent_(parent), background_(background)
{
    if (parent && parent->IsWindow() && CreateEx(0, "LCDWnd", "", WS_CHILD | WS_VISIBLE, kWindowRect, parent, 0)) {
        rects_[0] = kTitleRect;
        rects_[1] = kArtistRect;
        rects_[2] = kPositionRect;
        rects_[3] = kLengthRect;
    }
}

void CLCDWnd::SetPositionTime(unsigned seconds)
{
    texts_[2] = MinutesSeconds("%02u:%02u", seconds);
}

void CLCDWnd::SetLengthTime(unsigned seconds)
{
    texts_[3] = MinutesSeconds("/ %02u:%02u", seconds);
}

void CLCDWnd::Render(DC& dc) const
{
    const Rect client = GetClientRect();
    dc.SetBkMode(TRANSPARENT);
    if (background_ && !background_->IsNull())
        dc.BitBlt(0, 0, client.Width(), client.Height(), *background_, kWindowRect.left, kWindowRect.top);
    const std::string face = g_LanguageSettings.GetLanguageFontName();

    // The song's texts may be in the user's language; the times are digits.
    const Font songFont(face, -11, 400, false, false, g_LanguageSettings.GetLanguageCharset());
    const Font* old = dc.SelectFont(&songFont);
    dc.SetTextColor(kTitleColour);
    dc.DrawText(texts_[0], rects_[0], DT_CENTER | DT_END_ELLIPSIS);
    dc.SetTextColor(kArtistColour);
    dc.DrawText(texts_[1], rects_[1], DT_CENTER | DT_END_ELLIPSIS);

    const Font timeFont(face, -10, 400);
    dc.SelectFont(&timeFont);
    dc.SetTextColor(kPositionColour);
    dc.DrawText(texts_[2], rects_[2], DT_END_ELLIPSIS | DT_SHRINKTOFIT);
    dc.SetTextColor(kLengthColour);
    dc.DrawText(texts_[3], rects_[3], DT_END_ELLIPSIS | DT_SHRINKTOFIT);
    dc.SelectFont(old);
}

const MessageMap* CLCDWnd::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CLCDWnd::OnPaint),
        M::On(WM_ERASEBKGND, &CLCDWnd::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CLCDWnd::OnLButtonDown),
    });
    return &map;
}

LRESULT CLCDWnd::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    Render(mem);
    return 0;
}

LRESULT CLCDWnd::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CLCDWnd::OnLButtonDown(const Message& m)
{
    // Dragging the display drags the main window.
    if (Window* top = GetTopLevel(); top && top != this)
        top->PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, m.lParam);
    return 0;
}
