// Backgrounds, sheets, strips and the main window's body.
#include "tools/skingen/art.h"

#include "tools/skingen/pixelfont.h"

namespace skingen {

using namespace palette;
using skin::Art;
using skin::Look;

Colour GlyphColour(Look look)
{
    switch (look) {
    case Look::Over:
        return kGold;
    case Look::Press:
        return kDim;
    case Look::Alt:
        return kDim;
    case Look::Normal:
        break;
    }
    return kText;
}

namespace {

void DrawTrack(Canvas& c, const platform::Rect& r, Colour fill)
{
    c.FillRect(r.left, r.top, r.Width(), r.Height(), fill);
}

void DrawBody(Canvas& c)
{
    // Title area with the menu bar, the display, the controls and the frame
    // the playlist window sits in.
    c.FillRect(0, 0, c.Width(), 27, kStrip);
    c.HLine(0, c.Width() - 1, 27, kStripLight);
    DrawLabel(c, 12, 10, "KVO", kGold);
    c.FillRect(0, 28, c.Width(), c.Height() - 28, kPanel);
    // Display and spectrum.
    c.FillRoundRect(16, 56, 302, 44, 3, kLcd);
    c.FrameRect(67, 57, 248, 40, kStrip);
    // Position bar groove.
    c.FillRect(16, 95, 306, 10, kPanelDark);
    // Transport and level area.
    c.FillRoundRect(12, 114, 314, 58, 4, kPanelDark);
    for (int i = 0; i < 3; ++i) {
        const platform::Rect& r = skin::kVolumeBarPlaces[i];
        c.FillRect(r.left - 1, r.top - 1, r.Width() + 2, r.Height() + 2, kStrip);
    }
    // Playlist frame: a lighter rim around the list's dark panel.
    c.FillRect(9, 175, 321, 144, kPanel);
    c.FrameRect(9, 175, 321, 144, kStripLight);
    c.FrameRect(10, 176, 319, 142, kStrip);
    // The window's outline: rounded corners cut away, then a rim.
    c.CutCorners(skin::kBodyCornerRadius, kKey);
}

void DrawCaptionStrip(Canvas& c)
{
    c.FillRect(0, 0, c.Width(), c.Height(), kPanel);
    c.HLine(0, c.Width() - 1, c.Height() - 1, kStrip);
    c.FillRect(7, 9, 4, 9, kGold);
}

}  // namespace

Canvas Draw(const skin::BitmapSpec& spec)
{
    Canvas c(spec.width, spec.height, kPanel);
    switch (spec.art) {
    case Art::Body:
        DrawBody(c);
        break;
    case Art::PersonalBar:
        c.FillRect(0, 0, c.Width(), c.Height(), kStrip);
        c.FillRoundRect(0, 5, c.Width(), 18, 4, kPanelDark);
        c.VLine(80, 7, 20, kStripLight);
        break;
    case Art::PersonalStrip:
        c.FillRect(0, 0, c.Width(), c.Height(), kStrip);
        c.VLine(1, 5, 22, kStripLight);
        break;
    case Art::VolumeSheet:
        for (const platform::Rect& r : skin::kVolumeBarPlaces)
            DrawTrack(c, r, kRed);
        break;
    case Art::VolumeFill:
        c.FillRect(0, 0, c.Width(), c.Height(), kDim);
        c.HLine(0, c.Width() - 1, 0, kText);
        break;
    case Art::PlaylineSheet:
        DrawTrack(c, skin::kPositionBarPlace, kRed);
        break;
    case Art::PlaylineFill:
        c.FillRect(0, 0, c.Width(), c.Height(), kPanelDark);
        c.FillRect(0, 2, c.Width(), 2, kLight);
        break;
    case Art::BarSheet:
        c.FillRect(0, 0, c.Width(), c.Height(), kLight);
        for (const platform::Rect& r : skin::kBarPlaces)
            DrawTrack(c, r, kText);
        DrawTrack(c, skin::kBarDoneStrip, kRed);
        break;
    case Art::BarFill:
        // Drawn over the whole track; the red strip of the sheet is copied
        // over the part before the thumb, so this is the track still to go.
        c.FillRect(0, 0, c.Width(), c.Height(), kTrack);
        c.HLine(0, c.Width() - 1, 0, kText);
        break;
    case Art::VolumeThumb:
    case Art::PlaybarThumb:
        c.FillRect(0, 0, c.Width(), c.Height(), kPanelDark);
        c.FillRoundRect(0, 0, c.Width(), c.Height(), c.Height() / 2, spec.look == Look::Normal ? kLight : kGold);
        break;
    case Art::CaptionStrip:
        DrawCaptionStrip(c);
        break;
    case Art::Separator:
        c.HLine(0, c.Width() - 1, 0, kStrip);
        c.HLine(0, c.Width() - 1, 1, kStripLight);
        break;
    default:
        DrawButton(c, spec);
        break;
    }
    return c;
}

}  // namespace skingen
