#include "kvostudio/lyricsview.h"

#include <algorithm>
#include <cstdlib>

#include "platform/draw/font.h"
#include "platform/text/unicode.h"
#include "platform/window/mouse_wheel.h"
#include "platform/window/paint_dc.h"

using namespace platform;

namespace {

constexpr COLORREF kField = RGB(255, 255, 255);
constexpr COLORREF kBorder = RGB(160, 160, 160);
constexpr COLORREF kText = RGB(0, 0, 0);

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of the UTF-8 character that starts at text[i].
size_t CharLength(const std::string& text, size_t i)
{
    size_t n = 1;
    while (i + n < text.size() && IsContinuation(text[i + n]))
        ++n;
    return n;
}

size_t PreviousBoundary(const std::string& text, size_t at)
{
    while (at > 0) {
        --at;
        if (!IsContinuation(text[at]))
            break;
    }
    return at;
}

size_t NextBoundary(const std::string& text, size_t at)
{
    return at < text.size() ? at + CharLength(text, at) : at;
}

// Wraps text[from, to) (one paragraph) into lines of the text.
void WrapParagraph(DC& dc, const std::string& text, size_t from, size_t to, int width,
                   std::vector<CLyricsView::LineRange>& out)
{
    size_t lineStart = from;
    size_t lineEnd = from;
    size_t i = from;
    while (i < to) {
        // The next word with the blanks in front of it.
        size_t end = i;
        while (end < to && text[end] == ' ')
            ++end;
        while (end < to && text[end] != ' ')
            ++end;
        if (dc.GetTextExtent(text.substr(lineStart, end - lineStart)).cx <= width) {
            lineEnd = end;
            i = end;
            continue;
        }
        if (lineEnd > lineStart) {
            out.push_back({lineStart, lineEnd - lineStart});
            while (i < to && text[i] == ' ')
                ++i;
            lineStart = lineEnd = i;
            continue;
        }
        // A word wider than the field: as many characters as fit, at least one.
        size_t cut = i;
        while (cut < end) {
            const size_t next = cut + CharLength(text, cut);
            if (cut > i && dc.GetTextExtent(text.substr(i, next - i)).cx > width)
                break;
            cut = next;
        }
        out.push_back({i, cut - i});
        i = cut;
        lineStart = lineEnd = i;
    }
    out.push_back({lineStart, lineEnd - lineStart});
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
    caret_ = 0;
    if (IsWindow())
        Invalidate(false);
}

std::vector<CLyricsView::LineRange> CLyricsView::WrapRanges(DC& dc, const std::string& text, int width)
{
    std::vector<LineRange> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        WrapParagraph(dc, text, start, end, std::max(width, 1), lines);
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
        ranges_ = WrapRanges(measure, text_, width);
        lines_.clear();
        for (const LineRange& r : ranges_)
            lines_.push_back(text_.substr(r.start, r.length));
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

size_t CLyricsView::CaretLine()
{
    Lines();
    // The last line starting at or before the caret (a caret in the blanks
    // of a wrap stays at the end of the line before them).
    size_t line = 0;
    for (size_t i = 0; i < ranges_.size() && ranges_[i].start <= caret_; ++i)
        line = i;
    return line;
}

int CLyricsView::TextWidth(const std::string& text) const
{
    Bitmap probe(1, 1);
    DC measure(probe);
    const Font font(face_, -12, 400);
    measure.SelectFont(&font);
    return measure.GetTextExtent(text).cx;
}

size_t CLyricsView::OffsetAt(size_t line, int x)
{
    Lines();
    if (ranges_.empty())
        return 0;
    const LineRange& r = ranges_[std::min(line, ranges_.size() - 1)];
    const std::string shown = text_.substr(r.start, r.length);
    size_t best = 0;
    int bestDistance = std::abs(x);
    for (size_t at = NextBoundary(shown, 0); at <= shown.size() && at > 0; at = NextBoundary(shown, at)) {
        const int distance = std::abs(TextWidth(shown.substr(0, at)) - x);
        if (distance < bestDistance) {
            best = at;
            bestDistance = distance;
        }
        if (at == shown.size())
            break;
    }
    return r.start + best;
}

void CLyricsView::Insert(const std::string& bytes)
{
    text_.insert(caret_, bytes);
    caret_ += bytes.size();
    wrappedWidth_ = -1;
}

void CLyricsView::MoveCaret(size_t to)
{
    caret_ = std::min(to, text_.size());
}

void CLyricsView::ShowCaretLine()
{
    const int line = static_cast<int>(CaretLine());
    if (line < top_)
        top_ = line;
    else if (line >= top_ + VisibleLines())
        top_ = line - VisibleLines() + 1;
    Invalidate(false);
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
        M::On(WM_CHAR, &CLyricsView::OnChar),
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
    if (GetFocus() == this && !ranges_.empty()) {
        const size_t line = CaretLine();
        const LineRange& r = ranges_[line];
        const size_t column = std::min(caret_ - r.start, r.length);
        const int x = area.left + dc.GetTextExtent(text_.substr(r.start, column)).cx;
        const int top = area.top + (static_cast<int>(line) - top_) * kLineHeight;
        dc.DrawLine({x, top + 1}, {x, top + kLineHeight - 1}, kText);
    }
    dc.SelectFont(nullptr);
    return 0;
}

LRESULT CLyricsView::OnMouseWheel(const Message& m)
{
    const int notches = GET_WHEEL_DELTA_WPARAM(m.wParam) / WHEEL_DELTA;
    ScrollLines(-notches * kWheelLines);
    return 0;
}

LRESULT CLyricsView::OnLButtonDown(const Message& m)
{
    SetFocus();
    const Point p = PointFromLParam(m.lParam);
    const int row = std::max(0, (p.y - kMargin) / kLineHeight) + top_;
    const size_t last = Lines().empty() ? 0 : Lines().size() - 1;
    MoveCaret(OffsetAt(std::min(static_cast<size_t>(row), last), p.x - kMargin));
    Invalidate(false);
    return 0;
}

LRESULT CLyricsView::OnKeyDown(const Message& m)
{
    switch (m.wParam) {
    case VK_BACK:
        if (caret_ > 0) {
            const size_t from = PreviousBoundary(text_, caret_);
            text_.erase(from, caret_ - from);
            caret_ = from;
            wrappedWidth_ = -1;
        }
        break;
    case VK_DELETE:
        if (caret_ < text_.size()) {
            // "\r\n" is one line end.
            size_t to = NextBoundary(text_, caret_);
            if (text_[caret_] == '\r' && to < text_.size() && text_[to] == '\n')
                ++to;
            text_.erase(caret_, to - caret_);
            wrappedWidth_ = -1;
        }
        break;
    case VK_LEFT:
        MoveCaret(PreviousBoundary(text_, caret_));
        if (caret_ > 0 && text_[caret_] == '\n' && text_[caret_ - 1] == '\r')
            --caret_;
        break;
    case VK_RIGHT:
        if (caret_ < text_.size() && text_[caret_] == '\r' && caret_ + 1 < text_.size() && text_[caret_ + 1] == '\n')
            ++caret_;
        MoveCaret(NextBoundary(text_, caret_));
        break;
    case VK_HOME: {
        const size_t line = CaretLine();
        MoveCaret(ranges_[line].start);
        break;
    }
    case VK_END: {
        const size_t line = CaretLine();
        MoveCaret(ranges_[line].start + ranges_[line].length);
        break;
    }
    case VK_UP:
    case VK_DOWN: {
        const size_t line = CaretLine();
        const LineRange& r = ranges_[line];
        const int x = TextWidth(text_.substr(r.start, std::min(caret_ - r.start, r.length)));
        if (m.wParam == VK_UP && line > 0)
            MoveCaret(OffsetAt(line - 1, x));
        else if (m.wParam == VK_DOWN && line + 1 < ranges_.size())
            MoveCaret(OffsetAt(line + 1, x));
        break;
    }
    case VK_PRIOR:
        ScrollLines(-VisibleLines());
        return 0;
    case VK_NEXT:
        ScrollLines(VisibleLines());
        return 0;
    default:
        return Default();
    }
    ShowCaretLine();
    return 0;
}

LRESULT CLyricsView::OnChar(const Message& m)
{
    const auto cp = static_cast<uint32_t>(m.wParam);
    if (cp == '\r' || cp == '\n') {
        Insert("\n");
    } else if (cp >= 0x20 && cp != 0x7F && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF)) {
        std::string bytes;
        platform::AppendUtf8(bytes, cp);
        Insert(bytes);
    } else {
        return 0;  // other control characters are keys, not text
    }
    ShowCaretLine();
    return 0;
}

LRESULT CLyricsView::OnSize(const Message&)
{
    wrappedWidth_ = -1;
    Invalidate(false);
    return Default();
}
