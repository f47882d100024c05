#pragma once
// Files dropped on a window from the desktop (a file manager's drag and
// drop). A window that accepts files gets WM_DROPFILES with the local paths
// of the drop; a drop on a child that does not accept files goes to its
// nearest ancestor that does.
//
// On the desktop a top-level window becomes a drop target for "text/uri-list"
// as soon as one of its windows accepts files; only file: addresses of this
// computer are passed on. Tests hand drops in with DeliverDroppedFiles.

#include <string>
#include <vector>

#include "platform/draw/geometry.h"
#include "platform/window/messages.h"

namespace platform {

class Window;

// wParam: const DroppedFiles*, valid while the message is handled; lParam 0.
inline constexpr UINT WM_DROPFILES = 0x0233;

struct DroppedFiles {
    std::vector<std::string> paths;
    Point point;  // where the files were let go, in the receiver's client coordinates
};

// UI thread only.
void DragAcceptFiles(Window& window, bool accept);
bool AcceptsDroppedFiles(const Window& window);

// Sends WM_DROPFILES to the window that takes a drop at 'client' (client
// coordinates of the top-level 'top'). False when the list is empty or no
// window there accepts files.
bool DeliverDroppedFiles(Window& top, Point client, std::vector<std::string> paths);

// The local paths a text/uri-list names, in order: one address per line
// (CR LF or LF), '#' lines are comments, "file:" addresses with an empty or
// "localhost" host are decoded from their %XX escapes. Addresses of other
// schemes or hosts, and escapes that are malformed or decode to a zero
// byte, are left out.
std::vector<std::string> PathsFromUriList(const std::string& text);

}  // namespace platform
