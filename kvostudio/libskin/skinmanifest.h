#pragma once
// The skin's manifest: the name and size of every bitmap in the skin
// folder, and where the sheet images hold the parts the sliders copy. The
// windows take their file names from here and the skin generator draws
// from the same table, so a name cannot drift between the two.

#include <cstddef>
#include <cstdint>

#include "platform/draw/geometry.h"

namespace skin {

// What the generator draws for an entry.
enum class Art : uint8_t {
    Body, PersonalBar, PersonalStrip,
    VolumeSheet, VolumeFill, VolumeThumb, PlaylineSheet, PlaylineFill, PlaybarThumb,
    BarSheet, BarFill,
    Close, Minimise, Play, Pause, Stop, Next, Previous, Record, RecordGray,
    RepeatAll, RepeatOne, RepeatOff, Shuffle, Lyrics, SmallLabel,
    Volume1, Volume2, Volume3, PullDown, PullDownSignedOut, MenuItem,
    ScrollUp, ScrollSpan, ScrollDown, ScrollThumb,
    CaptionStrip, Separator, IconClose, IconDown, DialogButton, Listen,
};

// Normal, under the mouse, pressed (or open), and the alternative image
// of a two-state control (muted, blinking, pausing).
enum class Look : uint8_t { Normal, Over, Press, Alt };

struct BitmapSpec {
    const char* name;
    int width;
    int height;
    Art art;
    Look look;
    const char* label;
};

#define SKIN_BITMAP(id, file, w, h, art, look, label) inline constexpr const char* id = file;
#include "kvostudio/libskin/skinmanifest.def"
#undef SKIN_BITMAP

inline constexpr BitmapSpec kBitmaps[] = {
#define SKIN_BITMAP(id, file, w, h, art, look, label) {file, w, h, Art::art, Look::look, label},
#include "kvostudio/libskin/skinmanifest.def"
#undef SKIN_BITMAP
};
inline constexpr size_t kBitmapCount = sizeof(kBitmaps) / sizeof(kBitmaps[0]);

// A slider copies its background at its own place in its parent, so the
// background images are sheets that hold each bar's track where that bar
// sits. These are the places (parent coordinates).
inline constexpr platform::Rect kVolumeBarPlaces[] = {
    {262, 124, 319, 128}, {262, 139, 319, 143}, {262, 153, 319, 157}};
inline constexpr platform::Rect kPositionBarPlace{18, 97, 320, 103};
// The progress window's bar without and with a file name, and the re-mix
// window's position bar.
inline constexpr platform::Rect kBarPlaces[] = {
    {46, 109, 295, 114}, {46, 159, 295, 164}, {100, 156, 349, 161}};
// The red "done" strip inside bg_bar_gray.bmp that a bar copies over the
// part before its thumb (its fill source).
inline constexpr platform::Rect kBarDoneStrip{0, 0, 249, 5};

// The main window's see-through outline: body.bmp is cut away outside a
// rounded rectangle with this corner radius.
inline constexpr int kBodyCornerRadius = 7;

}  // namespace skin
