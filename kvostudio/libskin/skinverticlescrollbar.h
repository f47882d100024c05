#pragma once
// The bitmap scrollbar that stands beside a skinned list and drives it:
// its arrows step the list a line (repeating while held), a click on the
// span pages it towards the click, and dragging the thumb scrolls the list
// directly. The list tells the bar to refresh its thumb after everything
// that moves it (keys, wheel, scrolling, painting).

#include <cstdint>

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

// What the bar needs of the list it drives; the list controls implement it.
class CScrollBarClient {
public:
    virtual ~CScrollBarClient() = default;
    // The list's window: it gets WM_VSCROLL (SB_LINEUP .. SB_PAGEDOWN,
    // lParam 0) for each step and is repainted after a thumb drag.
    virtual platform::Window* GetScrollWindow() = 0;
    // The vertical scroll position and its largest value (0: nothing to
    // scroll), in rows.
    virtual int GetVScrollPos() const = 0;
    virtual int GetVScrollLimit() const = 0;
    // The height of row 0's rectangle, in pixels.
    virtual int GetRowHeight() const = 0;
    // Scrolls the rows by dy pixels (the list keeps itself in range).
    virtual void ScrollBy(int dy) = 0;
};

class CSkinVerticleScrollbar : public platform::Window {
public:
    static constexpr int kWidth = 9;
    static constexpr int kArrowHeight = 18;
    static constexpr int kThumbHeight = 17;
    // The pointer counts as on a part within this width, wider than the bar.
    static constexpr int kHitWidth = 12;
    static constexpr int kControlId = 0xFFFF;
    static constexpr uintptr_t kRepeatTimer = 1;
    static constexpr uintptr_t kDelayTimer = 2;
    static constexpr unsigned kDelayMs = 250;
    static constexpr unsigned kRepeatMs = 50;
    static constexpr platform::COLORREF kBackground = platform::RGB(70, 69, 74);

    CSkinVerticleScrollbar() = default;

    // A visible child of 'parent' with an empty rectangle (the list places
    // it) and the id 0xFFFF.
    bool Create(platform::Window* parent);
    void Bind(CScrollBarClient* list) { list_ = list; }
    // Loads the arrow, span and thumb images; false when one is missing
    // (what did load is still drawn).
    bool LoadBitmaps();

    // Places the thumb from the list's position and paints the bar.
    void UpdateThumb();
    // Paints the bar on its window now.
    void Draw();
    // Paints the bar into a context of its client size.
    void Render(platform::DC& dc) const;

    void LineUp() { Step(platform::SB_LINEUP); }
    void LineDown() { Step(platform::SB_LINEDOWN); }
    void PageUp() { Step(platform::SB_PAGEUP); }
    void PageDown() { Step(platform::SB_PAGEDOWN); }

    int GetThumbTop() const { return thumbTop_; }
    bool IsDragging() const { return dragging_; }

    // Where the thumb's top goes for a bar of height h with the list at
    // pos of limit (18 when nothing scrolls), kept on the span.
    static int ThumbTopFor(int h, int pos, int limit);

    const platform::MessageMap* GetMessageMap() const override;

private:
    void Step(platform::WPARAM request);
    bool HasThumb() const;
    static int ClampThumb(int top, int h);
    platform::Rect UpArrowHit() const;
    platform::Rect DownArrowHit() const;
    platform::Rect ThumbHit() const;

    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnLButtonUp(const platform::Message& m);
    platform::LRESULT OnMouseMove(const platform::Message& m);
    platform::LRESULT OnTimer(const platform::Message& m);

    CScrollBarClient* list_ = nullptr;
    bool upPressed_ = false;
    bool downPressed_ = false;
    bool dragging_ = false;
    int thumbTop_ = kArrowHeight;
    platform::Bitmap upArrow_;
    platform::Bitmap span_;
    platform::Bitmap downArrow_;
    platform::Bitmap thumb_;
};
