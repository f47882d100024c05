#pragma once
// The main window's text panel. Four strings (title, artist, elapsed time,
// total time) are drawn in pale colours straight onto the slice of the
// parent's skin that lies underneath. The panel decides nothing: the main
// window feeds it strings and asks for a repaint, and pressing on it moves
// the main window.

#include <string>

#include "platform/draw/bitmap.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

class CLCDWnd : public platform::Window {
public:
    static constexpr platform::Rect kWindowRect{67, 57, 315, 97};
    static constexpr platform::Rect kTitleRect{0, 6, 183, 20};
    static constexpr platform::Rect kArtistRect{0, 21, 183, 34};
    static constexpr platform::Rect kPositionRect{183, 23, 213, 35};
    static constexpr platform::Rect kLengthRect{213, 23, 248, 35};
    static constexpr platform::COLORREF kTitleColour = 0xFFFEFE;
    static constexpr platform::COLORREF kArtistColour = 0x99E2FF;
    static constexpr platform::COLORREF kPositionColour = 0xFFFFFE;
    static constexpr platform::COLORREF kLengthColour = 0x686AFE;

    // Creates the display as a visible child of 'parent' at kWindowRect.
    // 'background' is the parent's skin image (may be null; it must
    // outlive the display).
    CLCDWnd(platform::Window* parent, const platform::Bitmap* background);

    // The setters do not repaint; the caller invalidates.
    void SetTitleText(const std::string& text) { texts_[0] = text; }
    void SetArtistText(const std::string& text) { texts_[1] = text; }
    // "mm:ss", minutes counted on past the hour ("61:05").
    void SetPositionTime(unsigned seconds);
    // "/ mm:ss", the same way.
    void SetLengthTime(unsigned seconds);

    // Line 1 title, 2 artist, 3 position, 4 length.
    const std::string& GetText(int line) const { return texts_[line - 1]; }
    // Paints the display into a context of its client size.
    void Render(platform::DC& dc) const;

    const platform::MessageMap* GetMessageMap() const override;

private:
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    platform::Rect rects_[4] = {};
    std::string texts_[4];
    platform::Window* parent_;
    const platform::Bitmap* background_;
};
