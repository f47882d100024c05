#pragma once
// The lyrics window: the current song's lyrics in a text field, with a help
// text below, in the skinned dialog frame. The main window creates it once,
// docks it on its right side, fills it and shows or hides it with its
// lyrics button; the window's own close button tells the main window
// (ID_CMD_LYRICS_CLOSED) so that the button's look follows.

#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "kvostudio/lyricsview.h"
#include "kvostudio/resizingdialog.h"
#include "platform/draw/bitmap.h"
#include "platform/window/static_text.h"

class CLyricsDlg : public CResizingDialog {
public:
    enum { IDD = 162 };
    static constexpr int kLyricsId = 1019;
    static constexpr int kHelpId = 1022;
    static constexpr int kCloseId = 2;  // IDCANCEL
    static constexpr platform::Size kWindowSize{392, 253};
    static constexpr platform::COLORREF kBodyColour = platform::RGB(88, 89, 91);
    static constexpr platform::COLORREF kFrameColour = platform::RGB(54, 55, 55);
    static constexpr platform::COLORREF kTitleColour = platform::RGB(210, 211, 211);
    static const char kHelpText[];

    explicit CLyricsDlg(platform::Window* parent);

    void SetLyricsText(const std::string& text);
    const std::string& GetLyricsText() const { return m_lyrics.GetText(); }
    const std::string& GetHelpText() const { return m_helpText; }
    CLyricsView& LyricsField() { return m_lyrics; }
    platform::StaticText& HelpField() { return m_help; }
    CImageButton& CloseButton() { return m_closeButton; }

    const platform::MessageMap* GetMessageMap() const override;

protected:
    bool OnInitDialog() override;
    void OnCancel() override;

private:
    void PlaceControls();
    int HelpTextHeight(int width) const;
    platform::LRESULT OnSize(const platform::Message& m);
    platform::LRESULT OnPaint(const platform::Message& m);
    platform::LRESULT OnEraseBkgnd(const platform::Message& m);
    platform::LRESULT OnLButtonDown(const platform::Message& m);

    platform::Bitmap m_top;
    CImageButton m_closeButton;
    std::string m_helpText;
    CLyricsView m_lyrics;
    platform::StaticText m_help;
    platform::Window* m_parent;
};
