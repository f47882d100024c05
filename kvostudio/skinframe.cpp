#include "kvostudio/skinframe.h"

#include "kvostudio/lang.h"
#include "kvostudio/libskin/skinmanifest.h"
#include "platform/draw/font.h"

using namespace platform;

namespace skinframe {

std::string FontFace()
{
    return g_LanguageSettings.GetLanguageFontName();
}

void DrawFrame(DC& dc, Window& window, const Bitmap& captionStrip, StripFit fit)
{
    const Rect client = window.GetClientRect();
    dc.FillSolidRect(client, kFill);
    if (!captionStrip.IsNull()) {
        const Rect strip{0, 0, kCaptionStripSize.cx, kCaptionStripSize.cy};
        if (fit == StripFit::Stretched)
            dc.StretchBlt({0, 0, client.right, strip.bottom}, captionStrip, strip);
        else
            dc.BitBlt(0, 0, strip.right, strip.bottom, captionStrip, 0, 0);
    }
    dc.FrameRect(client, kBorder);
    DrawTextIn(dc, window.GetWindowText(), kCaptionRect, kCaption, -12, 700,
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void DrawTextIn(DC& dc, const std::string& text, const Rect& rect, COLORREF colour, int height, int weight,
                uint32_t format)
{
    if (text.empty())
        return;
    const Font font(FontFace(), height, weight);
    dc.SelectFont(&font);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(colour);
    dc.DrawText(text, rect, format | DT_NOPREFIX | DT_SHRINKTOFIT);
    dc.SelectFont(nullptr);
}

// 12-pixel icons, 8 from the caption's right end and 20 apart.
void CreateCloseButton(Window& parent, CImageButton& close, int width)
{
    close.Create({width - 20, 8, width - 8, 20}, &parent, IDCANCEL, skin::kIcoCloseOn, skin::kIcoCloseOn,
                 skin::kIcoClosePush, "");
}

void CreateCaptionButtons(Window& parent, CImageButton& close, CImageButton& minimise, unsigned minimiseId,
                          int width)
{
    CreateCloseButton(parent, close, width);
    minimise.Create({width - 40, 8, width - 28, 20}, &parent, minimiseId, skin::kIcoDownOn, skin::kIcoDownOn,
                    skin::kIcoDownPush, "");
}

void DragWindow(Window& window, Point client)
{
    window.PostMessage(WM_NCLBUTTONDOWN, HTCAPTION, LParamFromPoint(window.ClientToScreen(client)));
}

bool DragByCaption(Window& window, Point client)
{
    if (client.y < 0 || client.y >= kCaptionStripSize.cy)
        return false;
    DragWindow(window, client);
    return true;
}

}  // namespace skinframe
