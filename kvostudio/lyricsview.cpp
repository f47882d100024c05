#include "kvostudio/lyricsview.h"

#include <algorithm>

#include "platform/draw/font.h"
#include "platform/window/mouse_wheel.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kField = RGB(255, 255, 255);
constexpr COLORREF kBorder = RGB(160, 160, 160);
constexpr COLORREF kText = RGB(0, 0, 0);

// The length of the UTF-8 character that starts at text[i].
size_t CharLength(const std::string& text, size_t i)
{
    size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

void WrapParagraph(DC& dc, const std::string& paragraph, int width, std::vector<std::string>& out)
{
    std::string line;
    size_t i = 0;
    while (i < paragraph.size()) {
        // The next word with the blanks in front of it.
        size_t end = i;
        while (end < paragraph.size() && paragraph[end] == ' ')
            ++end;
        while (end < paragraph.size() && paragraph[end] != ' ')
            ++end;
        const std::string piece = paragraph.substr(i, end - i);
        if (dc.GetTextExtent(line + piece).cx <= width) {
            line += piece;
            i = end;
            continue;
        }
        if (!line.empty()) {
            out.push_back(line);
            line.clear();
            while (i < paragraph.size() && paragraph[i] == ' ')
                ++i;
            continue;
        }
        // A word wider than the field: as many characters as fit, at least one.
        size_t cut = i;
        while (cut < end) {
            const size_t next = cut + CharLength(paragraph, cut);
            if (cut > i && dc.GetTextExtent(paragraph.substr(i, next - i)).cx > width)
                break;
            cut = next;
        }
        out.push_back(paragraph.substr(i, cut - i));
        i = cut;
    }
    out.push_back(line);
}

}  // namespace

bool CLyricsView::Create(const Rect& rect, Window* parent, int id)
{
    if (!CreateEx(0, "LyricsView", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, rect, parent, id))
        return false;
    EnableMouseWheel(*this);
    return true;
}

void CLyricsView::SetText(const std::string& text)
{
    text_ = text;
    wrappedWidth_ = -1;
    top_ = 0;
    if (IsWindow())
        Invalidate(false);
}

std::vector<std::string> CLyricsView::WrapText(DC& dc, const std::string& text, int width)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        WrapParagraph(dc, text.substr(start, end - start), std::max(width, 1), lines);
        if (end >= text.size())
            break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

const std::vector<std::string>& CLyricsView::Lines()
{
    const int width = GetClientRect().Width() - 2 * kMargin;
    if (width != wrappedWidth_) {
        Bitmap probe(1, 1);
        DC measure(probe);
        const Font font(face_, -12, 400);
        measure.SelectFont(&font);
        lines_ = WrapText(measure, text_, width);
        wrappedWidth_ = width;
        top_ = std::min(top_, std::max(0, static_cast<int>(lines_.size()) - 1));
    }
    return lines_;
}

int CLyricsView::VisibleLines() const
{
    return std::max(1, (GetClientRect().Height() - 2 * kMargin) / kLineHeight);
}

void CLyricsView::ScrollLines(int count)
{
    const int last = std::max(0, static_cast<int>(Lines().size()) - VisibleLines());
    const int top = std::clamp(top_ + count, 0, last);
    if (top != top_) {
        top_ = top;
        Invalidate(false);
    }
}

const MessageMap* CLyricsView::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(Window::GetMessageMap(), {
        M::On(WM_PAINT, &CLyricsView::OnPaint),
        M::On(WM_ERASEBKGND, &CLyricsView::OnEraseBkgnd),
        M::On(WM_MOUSEWHEEL, &CLyricsView::OnMouseWheel),
        M::On(WM_LBUTTONDOWN, &CLyricsView::OnLButtonDown),
        M::On(WM_KEYDOWN, &CLyricsView::OnKeyDown),
        M::On(WM_SIZE, &CLyricsView::OnSize),
    });
    return &map;
}

LRESULT CLyricsView::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CLyricsView::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    dc.FillSolidRect(client, kField);
    dc.FrameRect(client, kBorder);
    const Font font(face_, -12, 400);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kText);
    const std::vector<std::string>& lines = Lines();
    const Rect area{client.left + kMargin, client.top + kMargin, client.right - kMargin, client.bottom - kMargin};
    dc.IntersectClipRect(area);
    int y = area.top;
    for (size_t i = static_cast<size_t>(top_); i < lines.size() && y < area.bottom; ++i, y += kLineHeight)
        dc.DrawText(lines[i], {area.left, y, area.right, y + kLineHeight}, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    dc.SelectFont(nullptr);
    return 0;
}

LRESULT CLyricsView::OnMouseWheel(const Message& m)
{
    const int notches = GET_WHEEL_DELTA_WPARAM(m.wParam) / WHEEL_DELTA;
    ScrollLines(-notches * kWheelLines);
    return 0;
}

LRESULT CLyricsView::OnLButtonDown(const Message&)
{
    SetFocus();
    return 0;
}

LRESULT CLyricsView::OnKeyDown(const Message& m)
{
    switch (m.wParam) {
    case VK_UP:
        ScrollLines(-1);
        break;
    case VK_DOWN:
        ScrollLines(1);
        break;
    case VK_PRIOR:
        ScrollLines(-VisibleLines());
        break;
    case VK_NEXT:
        ScrollLines(VisibleLines());
        break;
    default:
        return Default();
    }
    return 0;
}

LRESULT CLyricsView::OnSize(const Message&)
{
    wrappedWidth_ = -1;
    Invalidate(false);
    return Default();
}
