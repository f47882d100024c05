#pragma once
// Standard text controls drawn by the window service itself: a one-line
// edit field (plain or masked for passwords) and a check box. They are
// lightweight child windows like every other control here, so they work
// the same on the desktop and in memory: typing reaches the focused field
// as WM_CHAR and WM_KEYDOWN, a click gives it the focus.
//
// The edit field keeps its text as UTF-8, inserts typed characters at the
// caret, and handles Backspace, Delete, Left, Right, Home and End. It
// scrolls its text sideways to keep the caret in view. Both are tab stops;
// with the focus they are framed in the desktop's accent colour, and Space
// turns the check box over.

#include <string>

#include "platform/draw/colour.h"
#include "platform/draw/font.h"
#include "platform/window/button.h"
#include "platform/window/window.h"

namespace platform {

class EditBox : public Window {
public:
    enum : uint32_t { kPassword = 0x1 };

    // A password field overwrites its text's memory whenever it lets go of
    // it (replaced, grown, erased, destroyed); GetText's copy is the
    // caller's to wipe.
    ~EditBox() override;

    bool Create(uint32_t style, const Rect& rect, Window* parent, int id, uint32_t options = 0);

    std::string GetText() const { return text_; }
    void SetText(const std::string& text);
    // Characters beyond this many bytes are refused (0: no limit).
    void SetLimitText(size_t bytes) { limit_ = bytes; }
    size_t GetCaret() const { return caret_; }
    bool IsPassword() const { return (options_ & kPassword) != 0; }
    // What the field shows: the text, or one '*' per character.
    std::string ShownText() const;
    void SetFontFace(const std::string& face) { font_ = Font(face, -12, 400); }
    // The whole font: a face with a character set, say.
    void SetFont(const Font& font) { font_ = font; }

    const MessageMap* GetMessageMap() const override;

private:
    LRESULT OnChar(const Message& m);
    LRESULT OnKeyDown(const Message& m);
    LRESULT OnLButtonDown(const Message& m);
    LRESULT OnPaint(const Message& m);
    LRESULT OnEraseBkgnd(const Message& m);
    void Insert(uint32_t codePoint);
    // Removes bytes [from, to) of the text.
    void Erase(size_t from, size_t to);
    size_t PreviousBoundary(size_t at) const;
    size_t NextBoundary(size_t at) const;

    std::string text_;
    size_t caret_ = 0;
    size_t limit_ = 0;
    uint32_t options_ = 0;
    Font font_;
};

// Pressed by the pointer or by Space as a push button is; each press turns
// it over before its parent hears BN_CLICKED.
class CheckBox : public OwnerDrawButton {
public:
    bool Create(const std::string& text, uint32_t style, const Rect& rect, Window* parent, int id);
    bool GetCheck() const { return checked_; }
    void SetCheck(bool checked);

protected:
    void Clicked() override;
    void DrawItem(DC& dc, const DrawItemInfo& info) override;

private:
    bool checked_ = false;
};

}  // namespace platform
