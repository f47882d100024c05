#pragma once
// What the play list and the download list share: the dark owner-drawn
// report list with its skinned scrollbar beside it, the row height, the
// column sizing, the hit-testing by cell with the row buttons, the text
// cut short with "..." and the tooltip that then shows the whole text, the
// separator lines, and painting through one memory surface.
//
// Each row's item data is a record that begins with ListRowState
// (playlistitem.h); the derived list owns the records.

#include <string>

#include "kvostudio/libskin/playlistitem.h"
#include "kvostudio/libskin/skinverticlescrollbar.h"
#include "platform/draw/colour.h"
#include "platform/draw/font.h"
#include "platform/window/listctrl.h"
#include "platform/window/tracking_tip.h"

class CSkinListBase : public platform::ListCtrl, public CScrollBarClient {
public:
    // The lists' dark palette.
    static constexpr platform::COLORREF kBackground = platform::RGB(70, 69, 74);
    static constexpr platform::COLORREF kSelectFill = platform::RGB(58, 58, 60);
    static constexpr platform::COLORREF kCurrentText = platform::RGB(255, 225, 154);
    static constexpr platform::COLORREF kText = platform::RGB(167, 167, 167);
    static constexpr platform::COLORREF kDimText = platform::RGB(107, 107, 107);
    static constexpr platform::COLORREF kSeparatorDark = platform::RGB(58, 57, 63);
    static constexpr platform::COLORREF kSeparatorLight = platform::RGB(88, 87, 91);
    // Per text line of a row: 4 px of space and 18 of text.
    static constexpr int kLineHeight = 4 + 18;
    static constexpr int kTimeColumnWidth = 60;
    static constexpr int kTextColumnMargin = 66;
    // The cut text keeps this much room to the cell's right edge.
    static constexpr int kFitMargin = 5;

    struct CellHit {
        int row = -1;
        int col = -1;
        ListRowState* record = nullptr;
    };

    // A child list at 'rect' of 'parent' (parent client coordinates).
    bool Create(const platform::Rect& rect, platform::Window* parent, int id);

    // The scrollbar in a 9-pixel strip right of the list, thumb updated.
    void PlaceScrollbar();
    CSkinVerticleScrollbar& GetScrollbar() { return m_scrollbar; }
    platform::TrackingTip& GetToolTip() { return m_toolTip; }

    // The row and column under a point, with the row's record.
    CellHit HitTestCell(platform::Point p) const;
    ListRowState* RecordAt(int row) const;

    // The text as it fits 'width' pixels less the margin in the selected
    // font: whole, or cut at a character and ended with "...".
    static std::string FitText(platform::DC& dc, const std::string& text, int width, bool* cut);

    // CScrollBarClient
    platform::Window* GetScrollWindow() override { return this; }
    int GetVScrollPos() const override { return GetTopIndex(); }
    int GetVScrollLimit() const override { return GetScrollLimit(); }
    int GetRowHeight() const override { return ListCtrl::GetRowHeight(); }
    void ScrollBy(int dy) override { Scroll(dy); }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    // The steps both lists' Init take: font, scrollbar, drops and wheel.
    void InitList();
    int MeasureItem() override;
    // A row's band (selected or plain, with its separators) in the row
    // font; DrawRow then draws the cells on it.
    void DrawItem(platform::DC& dc, const platform::ListItemDraw& item) final;
    virtual void DrawRow(platform::DC& dc, const platform::ListItemDraw& item, ListRowState& record) = 0;
    // Draws the text cut to the cell and records whether it was cut.
    static void DrawFittedText(platform::DC& dc, const std::string& text, const platform::Rect& cell, int* cutFlag);

    // Shows the whole text of a row near the pointer; empty hides it. The
    // first call only makes the tip.
    void ShowToolTip(const std::string& text);
    // Every row's button state to 'state', except 'row' which gets 'rowState'.
    void SetButtonStates(int row, int rowState);
    // Left or right press and release on a row button: true when the point
    // was on one (its row in *row).
    bool PressRowButton(platform::Point p);
    bool ReleaseRowButton(platform::Point p, int* row);

    // The Delete key.
    virtual void OnDeleteKey() {}

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnSize(const platform::Message& m);
    platform::LRESULT OnMouseWheel(const platform::Message& m);
    platform::LRESULT OnKeyDown(const platform::Message& m);
    platform::LRESULT OnKeyUp(const platform::Message& m);
    platform::LRESULT OnVScroll(const platform::Message& m);
    platform::LRESULT OnTimer(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnMouseLeave(const platform::Message& m);

    int m_nLines = 0;
    platform::COLORREF m_clrSelect = kSelectFill;
    platform::Font m_font;
    CSkinVerticleScrollbar m_scrollbar;
    platform::TrackingTip m_toolTip;
};
