#pragma once
// A tooltip its owner moves and shows itself: the window shows a text at a
// screen point at once and stays there until it is hidden or moved (the
// lists show the whole text of a row cut short this way while the pointer
// is over it). Unlike ToolTip it keeps no tools and no timers; both show
// the same popup (tip_window.h).

#include <memory>
#include <string>

#include "platform/draw/geometry.h"

namespace platform {

class TipWindow;

class TrackingTip {
public:
    TrackingTip();
    ~TrackingTip();
    TrackingTip(const TrackingTip&) = delete;
    TrackingTip& operator=(const TrackingTip&) = delete;

    // The tip's window, made on first call; false when it cannot be made.
    bool Create();
    bool IsCreated() const;
    void Destroy();

    // Shows the text with the tip's top-left at 'screen' (creates the
    // window when needed).
    void Show(const std::string& text, Point screen);
    void Hide();

    bool IsShown() const;
    std::string Text() const;
    Point Position() const;

private:
    std::unique_ptr<TipWindow> tip_;
};

}  // namespace platform
