#pragma once
// The frame the skinned dialogs (recording, upload, sign-in, the phone's
// files, progress) share: the client filled in one grey, the "bg_top.bmp"
// caption strip at the top, a one-pixel border, the window text as the
// caption in the UI font, and the close and minimise-look buttons at the
// caption's right end.

#include <string>

#include "kvostudio/libskin/imagebutton.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/colour.h"
#include "platform/draw/dc.h"
#include "platform/window/window.h"

namespace skinframe {

inline constexpr platform::COLORREF kFill = platform::RGB(0x58, 0x59, 0x5B);
inline constexpr platform::COLORREF kBorder = platform::RGB(0x36, 0x37, 0x37);
inline constexpr platform::COLORREF kCaption = platform::RGB(0xD2, 0xD4, 0xD3);
inline constexpr platform::COLORREF kBodyText = platform::RGB(0xBD, 0xBE, 0xBF);
inline constexpr platform::COLORREF kPanel = platform::RGB(0xED, 0xED, 0xED);
inline constexpr platform::Size kCaptionStripSize{393, 27};
inline constexpr platform::Rect kCaptionRect{17, 5, 220, 30};
inline constexpr char kTitle[] = "KVO Studio";

// How the caption strip meets a dialog wider than the strip: drawn once at
// its own size, or stretched over the client's width.
enum class StripFit { Natural, Stretched };

// The UI font face every text of these dialogs uses.
std::string FontFace();

// Fill, caption strip (when it loaded), border and caption text.
void DrawFrame(platform::DC& dc, platform::Window& window, const platform::Bitmap& captionStrip,
               StripFit fit = StripFit::Natural);

// Text in the UI font at the given height and weight, in one colour. It
// shows whole: where the face in use runs wider than the one the rectangle
// was laid out for, it is drawn smaller (DT_SHRINKTOFIT).
void DrawTextIn(platform::DC& dc, const std::string& text, const platform::Rect& rect, platform::COLORREF colour,
                int height, int weight, uint32_t format);

// The close button (id 2) alone at the right end of a caption 'width'
// pixels wide.
void CreateCloseButton(platform::Window& parent, CImageButton& close, int width = kCaptionStripSize.cx);

// The close (id 2) and minimise-look buttons at the right end of a
// caption 'width' pixels wide.
void CreateCaptionButtons(platform::Window& parent, CImageButton& close, CImageButton& minimise, unsigned minimiseId,
                          int width = kCaptionStripSize.cx);

// Moves the window with the pointer from a press at 'client', as a press
// on a caption would.
void DragWindow(platform::Window& window, platform::Point client);

// A press on the caption strip moves the window. True when the press was
// there.
bool DragByCaption(platform::Window& window, platform::Point client);

}  // namespace skinframe
