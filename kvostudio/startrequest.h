#pragma once
// What a start of the program asks for on its command line: "/open PATH",
// "/play PATH", or a file alone (as desktop launchers pass it), which is
// opened as "/open" would. The path is made absolute against the folder
// the start was made from, so that the running copy, whose folder may be
// another, finds the same file.

#include <string>

struct StartRequest {
    std::string option;  // "/open", "/play", or empty: no file asked for
    std::string path;    // absolute (or empty, as given)

    // A switch without its file: nothing to open, and nothing for a
    // running copy to name.
    bool LacksItsFile() const { return !option.empty() && path.empty(); }
};

// What a start that asks wrongly is told in its terminal.
constexpr char kStartUsage[] = "usage: kvostudio [/open PATH | /play PATH | PATH]\n";

// arg1 and arg2 are the first two arguments; workingFolder is the start's
// own current folder.
StartRequest ReadStartRequest(const std::string& arg1, const std::string& arg2, const std::string& workingFolder);

// The start's current folder (empty when it cannot be had).
std::string CurrentWorkingFolder();
