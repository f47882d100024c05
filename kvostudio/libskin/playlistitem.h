#pragma once
// The records the two skinned lists keep behind their rows. Both begin with
// the same head (row-button state, id, cut-text flag, button rectangle), so
// the hit-testing, tooltip and painting they share can read either.

#include <string>

#include "platform/draw/geometry.h"

struct ListRowState {
    int nState = 0;    // row button: 0 normal, 1 under the pointer, 2 pressed
    int nId = 0;       // unique for the life of the list
    int bTextCut = 0;  // 1 when the last paint cut the column-0 text
    platform::Rect rcButton;  // client coordinates; empty: no button
};

// One song of the play list.
struct PlayListItem : ListRowState {
    std::string strPath;
    std::string strTitle;
    std::string strArtist;
    std::string strLabel;  // "artist - title", one of them, or the file name
    std::string strLyrics;
    int nFormat = 0;  // 1 container (.kvo), 0 MP3
};
