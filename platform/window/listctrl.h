#pragma once
// A report-style list: rows of texts in columns, every row the same height,
// each row carrying one number of item data. It keeps the rows, their
// selection and the scroll position, and paints the rows that show by
// calling DrawItem for each (owner drawing); it draws no column header.
//
// What it does on its own (the "default handling" a derived class gets
// through Window::Default()): a left click selects the row under the
// pointer (Ctrl toggles, Shift extends from the anchor, a click below the
// rows clears the selection) and takes the focus, without scrolling, so a
// row cut by the bottom edge stays under the pointer; a right click on a row
// that is not selected selects it alone; the arrow, Home, End, Page Up and
// Page Down keys move the focused row and the selection; WM_VSCROLL
// (SB_LINEUP .. SB_PAGEDOWN) and the wheel (three rows a notch) scroll.
//
// UI thread only, like every window.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/draw/colour.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

namespace platform {

enum : uint32_t { LVIS_FOCUSED = 0x0001, LVIS_SELECTED = 0x0002 };
enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1, LVCFMT_CENTER = 2 };

struct ListItemDraw {
    int row = -1;
    Rect rect;  // the row across all columns, client coordinates
    bool selected = false;
    bool focused = false;
    uintptr_t data = 0;
};

class ListCtrl : public Window {
public:
    static constexpr int kWheelRows = 3;

    bool Create(uint32_t style, const Rect& rect, Window* parent, int id);

    // --- columns ---
    // Inserts before 'col' (appends when col >= count); the new index, or
    // -1 for a negative index or width.
    int InsertColumn(int col, const std::string& heading, int format, int width);
    int GetColumnCount() const { return static_cast<int>(columns_.size()); }
    int GetColumnWidth(int col) const;
    bool SetColumnWidth(int col, int width);
    // Sum of all column widths: how wide a row is.
    int GetTotalWidth() const;

    // --- rows ---
    int GetItemCount() const { return static_cast<int>(rows_.size()); }
    // Inserts a row with its column-0 text before 'row' (appends when row
    // >= count); the new index, or -1 for a negative index.
    int InsertItem(int row, const std::string& text);
    bool DeleteItem(int row);
    bool DeleteAllItems();
    bool SetItemText(int row, int col, const std::string& text);
    std::string GetItemText(int row, int col) const;
    bool SetItemData(int row, uintptr_t data);
    uintptr_t GetItemData(int row) const;  // 0 for a row that does not exist

    // Sets the bits of 'mask' to those of 'state'; row -1 means every row.
    bool SetItemState(int row, uint32_t state, uint32_t mask);
    uint32_t GetItemState(int row, uint32_t mask) const;
    // The first selected row after 'after' (-1: from the top), or -1.
    int GetNextSelected(int after = -1) const;

    // --- geometry and scrolling ---
    int GetRowHeight() const { return rowHeight_; }
    int GetTopIndex() const { return top_; }
    // Whole rows the client area shows.
    int GetCountPerPage() const;
    // The largest top index (0 when every row shows).
    int GetScrollLimit() const;
    bool GetItemRect(int row, Rect* r) const;
    // A column's part of a row.
    bool GetSubItemRect(int row, int col, Rect* r) const;
    // The row whose cells hold the point, or -1.
    int HitTest(Point p) const;
    // Scrolls as little as needed for the row to show whole.
    bool EnsureVisible(int row);
    // Scrolls by dy pixels, in whole rows (rounded towards zero), kept in
    // range; true when the top row changed.
    bool Scroll(int dy);

    void SetBkColor(COLORREF c) { bkColour_ = c; }
    void SetTextColor(COLORREF c) { textColour_ = c; }

    // The list's own painting: the background in the list's colour and
    // DrawItem for every row that shows.
    void PaintRows(DC& dc);

    // Asks MeasureItem for the row height again.
    void RemeasureItems();

    const MessageMap* GetMessageMap() const override;

protected:
    // The row height in pixels (asked at creation and by RemeasureItems).
    virtual int MeasureItem();
    // Draws one row; the default draws column texts in the text colour.
    virtual void DrawItem(DC& dc, const ListItemDraw& item);
    bool WantsDoubleClicks() const override { return true; }

private:
    struct Column {
        std::string heading;
        int format;
        int width;
    };
    struct Row {
        std::vector<std::string> texts;
        uintptr_t data = 0;
        uint32_t state = 0;
    };

    void ClampTop();
    // Focus and selection to one row (with Shift: the range from the
    // anchor), scrolled into view when 'scroll' says so.
    void MoveFocusTo(int row, bool extend, bool scroll = true);
    int FocusedRow() const;

    LRESULT OnPaint(const Message& m);
    LRESULT OnSize(const Message& m);
    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnRButtonDown(const Message& m);
    LRESULT OnKeyDown(const Message& m);
    LRESULT OnVScroll(const Message& m);
    LRESULT OnMouseWheel(const Message& m);

    std::vector<Column> columns_;
    std::vector<Row> rows_;
    int top_ = 0;
    int anchor_ = -1;
    int rowHeight_ = 16;
    COLORREF bkColour_ = RGB(255, 255, 255);
    COLORREF textColour_ = RGB(0, 0, 0);
    int wheelRest_ = 0;
};

}  // namespace platform
