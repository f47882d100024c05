#include "kvostudio/libskin/skinlistbase.h"

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "platform/window/drop_files.h"
#include "platform/window/mouse_wheel.h"
#include "platform/window/paint_dc.h"
#include "platform/window/ui_loop.h"

using namespace platform;

namespace {

// Child, visible, owner-drawn fixed report view with several selections.
constexpr uint32_t kListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
// The tooltip sits below the pointer by a small icon's height and a bit,
// or above it near the bottom of the screen.
constexpr int kSmallIconHeight = 16;

// Bytes of the last UTF-8 character of a non-empty text.
size_t LastCharLength(const std::string& text)
{
    size_t n = 1;
    while (n < text.size() && n < 4 && (static_cast<unsigned char>(text[text.size() - n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// The font rows are drawn in (made per row, as painting asks for it).
Font RowFont()
{
    return Font(g_LanguageSettings.GetLanguageFontName(), -10, 400, false, false,
                g_LanguageSettings.GetLanguageCharset());
}

void DrawSeparators(DC& dc, const Rect& r)
{
    dc.DrawLine({0, r.bottom}, {r.right, r.bottom}, CSkinListBase::kSeparatorDark);
    dc.DrawLine({0, r.bottom + 1}, {r.right, r.bottom + 1}, CSkinListBase::kSeparatorLight);
}

}  // namespace

bool CSkinListBase::Create(const Rect& rect, Window* parent, int id)
{
    SetBkColor(kBackground);
    return ListCtrl::Create(kListStyle, rect, parent, id);
}

void CSkinListBase::InitList()
{
    m_font = Font(g_LanguageSettings.GetLanguageFontName(), 12, 400, false, false,
                  g_LanguageSettings.GetLanguageCharset());
    RemeasureItems();
    if (Window* parent = GetParent(); parent && !m_scrollbar.IsWindow()) {
        m_scrollbar.Create(parent);
        m_scrollbar.Bind(this);
        m_scrollbar.LoadBitmaps();
    }
    PlaceScrollbar();
    DragAcceptFiles(*this, true);
    EnableMouseWheel(*this);
}

void CSkinListBase::PlaceScrollbar()
{
    if (!m_scrollbar.IsWindow())
        return;
    const Rect r = GetRectInParent();
    m_scrollbar.SetWindowPos(r.right, r.top, CSkinVerticleScrollbar::kWidth, r.Height(),
                             SWP_NOZORDER | SWP_NOACTIVATE);
    m_scrollbar.UpdateThumb();
}

int CSkinListBase::MeasureItem()
{
    if (m_nLines < 2)
        m_nLines = 1;
    return kLineHeight * m_nLines;
}

ListRowState* CSkinListBase::RecordAt(int row) const
{
    return reinterpret_cast<ListRowState*>(GetItemData(row));
}

CSkinListBase::CellHit CSkinListBase::HitTestCell(Point p) const
{
    CellHit hit;
    hit.row = HitTest(p);
    if (hit.row < 0)
        return hit;
    hit.record = RecordAt(hit.row);
    Rect rowRect;
    GetItemRect(hit.row, &rowRect);
    int left = rowRect.left;
    for (int col = 0; col < GetColumnCount(); ++col) {
        const int width = GetColumnWidth(col);
        if (p.x >= left && p.x <= left + width) {
            hit.col = col;
            break;
        }
        left += width;
    }
    return hit;
}

void CSkinListBase::DrawItem(DC& dc, const ListItemDraw& item)
{
    ListRowState* record = RecordAt(item.row);
    if (!record)
        return;
    const Font font = RowFont();
    const Font* oldFont = dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    Rect r = item.rect;
    r.top += 1;
    r.bottom -= 1;
    if (item.selected)
        dc.FillRoundRect(r, 2, 2, m_clrSelect);
    else
        dc.FillSolidRect(r, kBackground);
    DrawSeparators(dc, r);
    DrawRow(dc, item, *record);
    dc.SelectFont(oldFont);
}

std::string CSkinListBase::FitText(DC& dc, const std::string& text, int width, bool* cut)
{
    const int room = width - kFitMargin;
    if (dc.GetTextExtent(text).cx <= room) {
        if (cut)
            *cut = false;
        return text;
    }
    // Whole characters come off the end, so a cut never splits one.
    std::string fitted = text;
    do {
        fitted.resize(fitted.size() - LastCharLength(fitted));
    } while (!fitted.empty() && dc.GetTextExtent(fitted).cx >= room);
    if (cut)
        *cut = true;
    return fitted + "...";
}

void CSkinListBase::DrawFittedText(DC& dc, const std::string& text, const Rect& cell, int* cutFlag)
{
    bool cut = false;
    const std::string shown = FitText(dc, text, cell.Width(), &cut);
    if (cutFlag)
        *cutFlag = cut ? 1 : 0;
    dc.DrawText(shown, cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void CSkinListBase::ShowToolTip(const std::string& text)
{
    if (text.empty()) {
        m_toolTip.Hide();
        return;
    }
    if (!m_toolTip.IsCreated()) {
        m_toolTip.Create();
        return;
    }
    const Point cursor = GetCursorPos();
    const int offset = GetScreenRect().bottom < cursor.y + kSmallIconHeight + 105 ? -30 : kSmallIconHeight + 5;
    m_toolTip.Show(text, {cursor.x, cursor.y + offset});
}

void CSkinListBase::SetButtonStates(int row, int rowState)
{
    for (int i = 0; i < GetItemCount(); ++i)
        if (ListRowState* r = RecordAt(i))
            r->nState = i == row ? rowState : 0;
}

bool CSkinListBase::PressRowButton(Point p)
{
    const CellHit hit = HitTestCell(p);
    if (!hit.record || !hit.record->rcButton.Contains(p))
        return false;
    SetButtonStates(hit.row, 2);
    Invalidate(false);
    return true;
}

bool CSkinListBase::ReleaseRowButton(Point p, int* row)
{
    const CellHit hit = HitTestCell(p);
    if (!hit.record || !hit.record->rcButton.Contains(p))
        return false;
    hit.record->nState = 2;
    if (row)
        *row = hit.row;
    Invalidate(false);
    return true;
}

const MessageMap* CSkinListBase::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(ListCtrl::GetMessageMap(), {
        M::On(WM_PAINT, &CSkinListBase::OnPaint),
        M::On(WM_ERASEBKGND, &CSkinListBase::OnEraseBkgnd),
        M::On(WM_SIZE, &CSkinListBase::OnSize),
        M::On(WM_MOUSEWHEEL, &CSkinListBase::OnMouseWheel),
        M::On(WM_KEYDOWN, &CSkinListBase::OnKeyDown),
        M::On(WM_KEYUP, &CSkinListBase::OnKeyUp),
        M::On(WM_VSCROLL, &CSkinListBase::OnVScroll),
        M::On(WM_TIMER, &CSkinListBase::OnTimer),
        M::On(WM_MOUSEMOVE, &CSkinListBase::OnMouseMove),
        M::On(WM_MOUSELEAVE, &CSkinListBase::OnMouseLeave),
    });
    return &map;
}

LRESULT CSkinListBase::OnPaint(const Message&)
{
    PaintDC dc(*this);
    CMemDC mem(&dc, GetClientRect());
    mem.FillSolidRect(dc.GetClipRegion().Bounds(), kBackground);
    mem.SetBkColor(kBackground);
    m_scrollbar.UpdateThumb();
    PaintRows(mem);
    return 0;
}

LRESULT CSkinListBase::OnEraseBkgnd(const Message&)
{
    m_scrollbar.UpdateThumb();
    return 0;
}

LRESULT CSkinListBase::OnSize(const Message& m)
{
    const LRESULT r = Default();
    const int width = LOWORD(static_cast<WPARAM>(m.lParam));
    SetColumnWidth(0, width - kTextColumnMargin);
    SetColumnWidth(1, kTimeColumnWidth);
    SetColumnWidth(2, 1);
    Invalidate(false);
    return r;
}

LRESULT CSkinListBase::OnMouseWheel(const Message&)
{
    m_scrollbar.UpdateThumb();
    Invalidate(false);
    const LRESULT r = Default();
    m_scrollbar.UpdateThumb();
    return r;
}

LRESULT CSkinListBase::OnKeyDown(const Message& m)
{
    m_scrollbar.UpdateThumb();
    if (m.wParam == VK_DELETE)
        OnDeleteKey();
    return Default();
}

LRESULT CSkinListBase::OnKeyUp(const Message&)
{
    m_scrollbar.UpdateThumb();
    return Default();
}

LRESULT CSkinListBase::OnVScroll(const Message&)
{
    const LRESULT r = Default();
    Invalidate(false);
    return r;
}

LRESULT CSkinListBase::OnTimer(const Message&)
{
    KillTimer(1);
    return Default();
}

LRESULT CSkinListBase::OnMouseMove(const Message& m)
{
    const Point p = PointFromLParam(m.lParam);
    const CellHit hit = HitTestCell(p);
    if (hit.record && hit.record->rcButton.Contains(p)) {
        SetButtonStates(hit.row, 1);
        ShowToolTip({});
    } else {
        SetButtonStates(-1, 0);
        if (hit.record && hit.col == 0 && hit.record->bTextCut)
            ShowToolTip(GetItemText(hit.row, 0));
        else
            ShowToolTip({});
    }
    // The tip and the hover look go when the pointer leaves the list.
    TrackMouseEvent(TME_LEAVE);
    Invalidate(false);
    return Default();
}

LRESULT CSkinListBase::OnMouseLeave(const Message&)
{
    SetButtonStates(-1, 0);
    ShowToolTip({});
    Invalidate(false);
    return 0;
}
