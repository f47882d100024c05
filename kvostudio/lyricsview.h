#pragma once
// The lyrics window's text field: the lyrics on a white field in lines
// broken at the line ends and wrapped at the field's width, scrolled by the
// wheel and the Page Up and Page Down keys once it has the focus. The user
// may type in it: characters go in at the caret, Return starts a new line,
// Backspace and Delete remove, the arrows, Home and End move the caret, and
// a click puts the caret where it points.

#include <string>
#include <vector>

#include "platform/draw/dc.h"
#include "platform/window/window.h"

class CLyricsView : public platform::Window {
public:
    static constexpr int kLineHeight = 16;
    static constexpr int kMargin = 4;
    static constexpr int kWheelLines = 3;

    // A shown line: where it starts in the text and how many bytes it has.
    struct LineRange {
        size_t start;
        size_t length;
    };

    bool Create(const platform::Rect& rect, platform::Window* parent, int id);
    // Keeps the text as given; shows it from the top, the caret at its start.
    void SetText(const std::string& text);
    const std::string& GetText() const { return text_; }
    // The caret as a byte offset into the text.
    size_t GetCaret() const { return caret_; }

    // The lines as shown at the field's width (the text's own line ends
    // and the wraps).
    const std::vector<std::string>& Lines();
    int GetTopLine() const { return top_; }
    void ScrollLines(int count);
    void SetFontFace(const std::string& face) { face_ = face; wrappedWidth_ = -1; }

    // Breaks the text into lines no wider than 'width' in the context's
    // font: at line ends ("\r\n", "\n" or "\r"), then between words, and
    // inside a word only when the word alone is wider. The blanks where a
    // line is wrapped belong to no line.
    static std::vector<LineRange> WrapRanges(platform::DC& dc, const std::string& text, int width);

    const platform::MessageMap* GetMessageMap() const override;

private:
    int VisibleLines() const;
    // The line the caret is on, and its offset in that line.
    size_t CaretLine();
    // The offset in the text nearest to x pixels into shown line 'line'.
    size_t OffsetAt(size_t line, int x);
    int TextWidth(const std::string& text) const;
    void Insert(const std::string& bytes);
    void MoveCaret(size_t to);
    void ShowCaretLine();
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnMouseWheel(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);
    platform::LRESULT OnKeyDown(const platform::Message& m);
    platform::LRESULT OnChar(const platform::Message& m);
    platform::LRESULT OnSize(const platform::Message& m);

    std::string text_;
    std::string face_ = "Sans";
    std::vector<std::string> lines_;
    std::vector<LineRange> ranges_;
    int wrappedWidth_ = -1;
    int top_ = 0;
    size_t caret_ = 0;
};
