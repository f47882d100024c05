#pragma once
// The desktop's file and folder choosers: open one or many files, save a
// file, or pick a folder. On the desktop it is GTK's file chooser over its
// owner; without a display nothing can be chosen and the answer is a
// cancel. Tests install a handler that answers in the chooser's place.

#include <functional>
#include <string>
#include <vector>

#include "platform/window/messages.h"

namespace platform {

class Window;

// One entry of a chooser's file-type list. Patterns match names without
// regard to letter case, as the program's filters are written.
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;  // e.g. "*.mp3"
};

enum class FileDialogKind { Open, Save, Folder };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    WindowHandle owner = 0;
    std::string title;
    std::vector<FileFilter> filters;
    bool multiple = false;          // Open: more than one file may be chosen
    bool confirmOverwrite = false;  // Save: ask before choosing a file that exists
    std::string initialFolder;      // empty: the chooser's own choice
    std::string initialName;        // Save: the name proposed
};

struct FileDialogAnswer {
    bool ok = false;
    // Absolute paths, in the order the user chose them; one for Save and
    // Folder.
    std::vector<std::string> paths;
};

using FileDialogHandler = std::function<FileDialogAnswer(const FileDialogRequest&)>;

// Replaces how choosers are shown (an empty handler restores the desktop's);
// returns the previous handler.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);

// Shows the chooser modally; the owner's window is disabled meanwhile. UI
// thread only.
FileDialogAnswer ShowFileDialog(Window* owner, FileDialogRequest request);

// Reads a filter text written "Name|pattern;pattern|Name|pattern|" (blanks
// around names and patterns are not part of them; a trailing '|' may end
// it). A name without patterns is dropped.
std::vector<FileFilter> ParseFileFilterText(const std::string& text);

}  // namespace platform
