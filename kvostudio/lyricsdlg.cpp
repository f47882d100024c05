#include "kvostudio/lyricsdlg.h"

#include <algorithm>

#include "kvostudio/lang.h"
#include "kvostudio/libskin/memdc.h"
#include "kvostudio/libskin/skinbitmap.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "kvostudio/windowcommands.h"
#include "kvostudio/playercommand.h"
#include "platform/draw/font.h"
#include "platform/window/paint_dc.h"

using namespace platform;

const char CLyricsDlg::kHelpText[] =
    "You can personally type the lyric in this window and see the typed-in lyric from PELLAM KVO STUDIO "
    "(Mobile Version) as well as from KVO STUDIO (PC Version). If you want to see the lyric from PELLAM KVO "
    "STUDIO (Mobile Version), you need to transfer the lyric-typed-in KVO file to PELLAM KVO STUDIO (Mobile "
    "Version) via Transfer KVO > To Mobile menu.";

namespace {

constexpr Rect kCloseRect{320, 8, 332, 20};
constexpr Rect kTitleRect{17, 5, 220, 30};
constexpr COLORREF kHelpTextColour = RGB(191, 190, 189);

}  // namespace

CLyricsDlg::CLyricsDlg(Window* parent) : CResizingDialog(IDD, parent), m_parent(parent) {}

const MessageMap* CLyricsDlg::GetMessageMap() const
{
    using M = MessageMap;
    static const M map(CResizingDialog::GetMessageMap(), {
        M::On(WM_SIZE, &CLyricsDlg::OnSize),
        M::On(WM_PAINT, &CLyricsDlg::OnPaint),
        M::On(WM_ERASEBKGND, &CLyricsDlg::OnEraseBkgnd),
        M::On(WM_LBUTTONDOWN, &CLyricsDlg::OnLButtonDown),
    });
    return &map;
}

bool CLyricsDlg::OnInitDialog()
{
    CResizingDialog::OnInitDialog();
    SetWindowText("KVO Studio");
    const Rect now = GetWindowRect();
    m_lyrics.Create({}, this, kLyricsId);
    m_help.Create("", WS_VISIBLE, {}, this, kHelpId);
    m_help.SetColours(kHelpTextColour, kBodyColour);
    m_help.SetFontFace(g_LanguageSettings.GetLanguageFontName());
    m_lyrics.SetFontFace(g_LanguageSettings.GetLanguageFontName());
    SetWindowPos(now.left, now.top, kWindowSize.cx, kWindowSize.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceControls();
    m_closeButton.Create(kCloseRect, this, kCloseId, skin::kIcoCloseOn, skin::kIcoCloseOn, skin::kIcoClosePush, "");
    m_top = LoadSkinBitmap(skin::kCaptionStrip);
    if (m_top.IsNull())
        return false;
    m_helpText = kHelpText;
    m_help.SetText(m_helpText);
    PlaceControls();
    return true;
}

void CLyricsDlg::SetLyricsText(const std::string& text)
{
    m_lyrics.SetText(text);
}

void CLyricsDlg::OnCancel()
{
    // The main window hears of it before the window goes, so its lyrics
    // button shows the window closed.
    if (m_parent && m_parent->IsWindow())
        m_parent->SendMessage(WM_PLAYER_COMMAND, ID_CMD_LYRICS_CLOSED, 0);
    CResizingDialog::OnCancel();
}

int CLyricsDlg::HelpTextHeight(int width) const
{
    Bitmap probe(1, 1);
    DC measure(probe);
    const Font font(g_LanguageSettings.GetLanguageFontName(), -12, 400);
    measure.SelectFont(&font);
    return measure.CalcTextRect(m_helpText, {0, 0, width, 0}, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX).Height();
}

void CLyricsDlg::PlaceControls()
{
    const Rect client = GetClientRect();
    const int w = client.Width();
    const int h = client.Height();
    // The help text gets the height its wrapped lines need (at least the
    // usual 80 pixels), so that its last line is not cut off; the lyrics
    // field takes the rest.
    const int help = std::max(80, HelpTextHeight(w - 20));
    if (m_lyrics.IsWindow()) {
        m_lyrics.MoveWindow({10, 33, w - 10, std::max(33, h - 10 - help)});
        m_lyrics.Invalidate(false);
    }
    if (m_help.IsWindow()) {
        m_help.MoveWindow({10, h - 5 - help, w - 10, h - 5});
        m_help.Invalidate(false);
    }
}

LRESULT CLyricsDlg::OnSize(const Message&)
{
    const LRESULT result = Default();
    PlaceControls();
    // A new size is a new surface: every control paints itself again.
    for (Window* child : GetChildren())
        child->Invalidate(false);
    return result;
}

LRESULT CLyricsDlg::OnEraseBkgnd(const Message&)
{
    return 1;
}

LRESULT CLyricsDlg::OnPaint(const Message&)
{
    PaintDC dc(*this);
    const Rect client = GetClientRect();
    CMemDC mem(&dc, client);
    mem.SetBkMode(TRANSPARENT);
    mem.FillSolidRect(client, kBodyColour);
    if (!m_top.IsNull())
        mem.BitBlt(0, 0, 393, 27, m_top, 0, 0);
    mem.DrawLine({client.left, client.top}, {client.right, client.top}, kFrameColour);
    mem.DrawLine({client.left, client.top}, {client.left, client.bottom}, kFrameColour);
    mem.DrawLine({client.left, client.bottom - 1}, {client.right, client.bottom - 1}, kFrameColour);
    mem.DrawLine({client.right - 1, client.bottom}, {client.right - 1, client.top}, kFrameColour);
    const Font font(g_LanguageSettings.GetLanguageFontName(), -12, 700);
    mem.SelectFont(&font);
    mem.SetTextColor(kTitleColour);
    mem.DrawText(GetWindowText(), kTitleRect, DT_SINGLELINE | DT_VCENTER);
    mem.SelectFont(nullptr);
    return 0;
}

LRESULT CLyricsDlg::OnLButtonDown(const Message& m)
{
    // A press anywhere in the body drags the window.
    PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(ClientToScreen(PointFromLParam(m.lParam))));
    return Default();
}
