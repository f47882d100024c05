// Buttons: transport glyphs, toggles, labelled buttons, menu items, icons.
#include "tools/skingen/art.h"

#include "tools/skingen/pixelfont.h"

namespace skingen {

using namespace palette;
using skin::Art;
using skin::Look;

namespace {

Colour Background(Art art)
{
    switch (art) {
    case Art::Close:
    case Art::Minimise:
    case Art::MenuItem:
        return kStrip;
    case Art::SmallLabel:
    case Art::ScrollUp:
    case Art::ScrollSpan:
    case Art::ScrollDown:
    case Art::ScrollThumb:
    case Art::IconClose:
    case Art::IconDown:
        return kPanel;
    case Art::DialogButton:
        return kDialog;
    case Art::Listen:
        return kLight;
    default:
        return kPanelDark;
    }
}

// A pressed glyph sits one pixel lower and to the right.
int Shift(Look look) { return look == Look::Press ? 1 : 0; }

void Cross(Canvas& c, int x0, int y0, int x1, int y1, Colour col)
{
    c.Line(x0, y0, x1, y1, col);
    c.Line(x0 + 1, y0, x1, y1 - 1, col);
    c.Line(x1, y0, x0, y1, col);
    c.Line(x1 - 1, y0, x0, y1 - 1, col);
}

void RoundFrame(Canvas& c, Colour edge, Colour fill)
{
    c.FillRoundRect(0, 0, c.Width(), c.Height(), 3, edge);
    c.FillRoundRect(1, 1, c.Width() - 2, c.Height() - 2, 2, fill);
}

void DrawRepeat(Canvas& c, Look look, const char* mark)
{
    const int s = Shift(look);
    const Colour col = look == Look::Normal ? kDim : GlyphColour(look == Look::Over ? Look::Over : look);
    // A loop: a rounded outline with an arrow head, and the mode's mark.
    c.FillRoundRect(3 + s, 5 + s, 15, 11, 4, col);
    c.FillRoundRect(5 + s, 7 + s, 11, 7, 3, Background(Art::RepeatAll));
    c.FillTriangle(13 + s, 2 + s, 13 + s, 8 + s, 17 + s, 5 + s, col);
    DrawLabel(c, 8 + s, 7 + s, mark, col);
}

void DrawVolume(Canvas& c, Look look, int level)
{
    const Colour col = look == Look::Alt ? kDim : kGold;
    // A speaker with one to three bars.
    c.FillRect(0, 3, 2, 3, col);
    c.FillTriangle(1, 4, 3, 1, 3, 7, col);
    for (int i = 0; i < level; ++i)
        c.VLine(4 + i, 4 - i, 4 + i, col);
    if (look == Look::Alt)
        c.Line(0, 8, 6, 0, kRed);
}

}  // namespace

void DrawButton(Canvas& c, const skin::BitmapSpec& spec)
{
    const Look look = spec.look;
    const Colour bg = Background(spec.art);
    const Colour col = GlyphColour(look);
    const int s = Shift(look);
    const int w = c.Width();
    const int h = c.Height();
    c.FillRect(0, 0, w, h, bg);
    switch (spec.art) {
    case Art::Close:
        Cross(c, 2 + s, 2 + s, 8 + s, 8 + s, col);
        break;
    case Art::Minimise:
        c.FillRect(2 + s, 7 + s, 7, 2, col);
        break;
    case Art::Play:
        c.FillTriangle(1 + s, 3 + s, 1 + s, 14 + s, 10 + s, 8 + s, col);
        break;
    case Art::Pause:
        c.FillRect(2 + s, 3 + s, 4, 12, col);
        c.FillRect(8 + s, 3 + s, 4, 12, col);
        break;
    case Art::Stop:
        c.FillRect(1 + s, 3 + s, 11, 11, col);
        break;
    case Art::Next:
        c.FillTriangle(1 + s, 3 + s, 1 + s, 14 + s, 8 + s, 8 + s, col);
        c.FillTriangle(7 + s, 3 + s, 7 + s, 14 + s, 14 + s, 8 + s, col);
        c.FillRect(14 + s, 3 + s, 2, 12, col);
        break;
    case Art::Previous:
        c.FillRect(1 + s, 3 + s, 2, 12, col);
        c.FillTriangle(9 + s, 3 + s, 9 + s, 14 + s, 2 + s, 8 + s, col);
        c.FillTriangle(15 + s, 3 + s, 15 + s, 14 + s, 8 + s, 8 + s, col);
        break;
    case Art::Record: {
        Colour dot = look == Look::Over ? Colour{240, 80, 80} : look == Look::Press ? Colour{150, 30, 30} : kRed;
        c.FillCircle(18 + 2 * s, 18 + 2 * s, 15, dot);
        DrawLabel(c, 0, 19, "REC", col);
        break;
    }
    case Art::RecordGray:
        // The blinking pair: grey while recording, red on the other beat.
        c.FillCircle(18, 18, 15, look == Look::Alt ? kRed : kDim);
        DrawLabel(c, 0, 19, "REC", kDim);
        break;
    case Art::RepeatAll:
        DrawRepeat(c, look, "A");
        break;
    case Art::RepeatOne:
        DrawRepeat(c, look, "1");
        break;
    case Art::RepeatOff:
        DrawRepeat(c, Look::Normal, "");
        break;
    case Art::Shuffle:
        c.Line(3 + s, 5 + s, 15 + s, 15 + s, col);
        c.Line(3 + s, 15 + s, 15 + s, 5 + s, col);
        c.FillTriangle(13 + s, 3 + s, 18 + s, 3 + s, 18 + s, 8 + s, col);
        c.FillTriangle(13 + s, 17 + s, 18 + s, 17 + s, 18 + s, 12 + s, col);
        break;
    case Art::Lyrics:
        for (int i = 0; i < 4; ++i)
            c.FillRect(4 + s, 5 + 3 * i + s, i % 2 ? 9 : 13, 2, col);
        break;
    case Art::SmallLabel:
        RoundFrame(c, look == Look::Over ? kGold : kStripLight, look == Look::Press ? kPanelDark : kPanel);
        DrawLabelCentred(c, s, s, w, h, spec.label, col);
        break;
    case Art::Volume1:
        DrawVolume(c, look, 1);
        break;
    case Art::Volume2:
        DrawVolume(c, look, 2);
        break;
    case Art::Volume3:
        DrawVolume(c, look, 3);
        break;
    case Art::PullDown:
    case Art::PullDownSignedOut: {
        Colour frame = spec.art == Art::PullDown ? kStripLight : kStrip;
        RoundFrame(c, look == Look::Over ? kGold : frame, bg);
        c.FillTriangle(4 + s, 6 + s, 10 + s, 6 + s, 7 + s, 10 + s, col);
        break;
    }
    case Art::MenuItem:
        if (look == Look::Press) {
            c.FillRect(0, 3, w, h - 6, kGold);
            DrawLabelCentred(c, 0, 0, w, h, spec.label, kPanelDark);
        } else {
            DrawLabelCentred(c, 0, 0, w, h, spec.label, look == Look::Over ? kGold : kText);
        }
        break;
    case Art::ScrollUp:
        c.FillTriangle(1, 11, 7, 11, 4, 6, kText);
        break;
    case Art::ScrollDown:
        c.FillTriangle(1, 6, 7, 6, 4, 11, kText);
        break;
    case Art::ScrollSpan:
        c.FillRect(0, 0, w, h, kPanelDark);
        c.VLine(4, 0, h - 1, kStrip);
        break;
    case Art::ScrollThumb:
        c.FillRoundRect(1, 0, 7, h, 3, kDim);
        break;
    case Art::IconClose:
        Cross(c, 2 + s, 2 + s, 9 + s, 9 + s, look == Look::Press ? kGold : kCaptionText);
        break;
    case Art::IconDown:
        c.FillRect(2 + s, 8 + s, 8, 2, look == Look::Press ? kGold : kCaptionText);
        break;
    case Art::DialogButton:
        c.FillRoundRect(0, 0, w, h, 4, kBorder);
        c.FillRoundRect(1, 1, w - 2, h - 2, 3, Colour{120, 120, 124});
        c.HLine(3, w - 4, 2, Colour{150, 150, 154});
        DrawLabelCentred(c, 0, 0, w, h, spec.label, kWhite);
        break;
    case Art::Listen:
        c.FillCircle(32, 40, 28, kDim);
        if (look == Look::Alt) {
            c.FillRect(11, 14, 4, 12, kLight);
            c.FillRect(18, 14, 4, 12, kLight);
        } else {
            c.FillTriangle(12, 13, 12, 27, 23, 20, kLight);
        }
        DrawLabelCentred(c, 0, 34, w, 9, look == Look::Alt ? "STOP" : "PLAY", kDim);
        break;
    default:
        break;
    }
}

}  // namespace skingen
