#pragma once
// Why a song file cannot be listed or played, in words a user understands,
// and the text of the message that names such files (the window shows it
// in a box: userboxes.h). The players keep their own error texts
// ("Name->reason") for their callers; the window, kvoplay and kvorecord
// show these words instead.

#include <string>
#include <vector>

struct FileProblem {
    std::string path;
    std::string reason;  // plain words, e.g. "file not found"
};

// Why 'path' cannot be listed or played: "file not found", "empty file",
// "not an MP3 file", "damaged container" and the like, found by looking at
// the file and opening it with the player for its type. When the file
// itself is sound, playerError (the text of the player that failed, if
// any) says what else went wrong, for example that the sound device could
// not be opened. Never empty. Any thread.
std::string FileFailureReason(const std::string& path, const std::string& playerError = "");

// What the file's entry alone tells, without opening it: "file not found",
// "a folder, not a file", "not a regular file" (a FIFO or a device, which a
// reader would wait on), "no permission to read the file" or "empty file";
// empty when none of these. Never waits on the file, so the UI thread may
// ask it. Any thread.
std::string FileProblemUnopened(const std::string& path);

// Whether a reason FileFailureReason gave is the sound device's, not the
// file's.
bool IsSoundDeviceReason(const std::string& reason);

// Whether a reason FileFailureReason gave (without a player's text) is the
// file's own: false when the file itself looked sound.
bool IsFileProblem(const std::string& reason);

// A player's error text in plain words; 'container' tells which player
// gave it. Never empty.
std::string PlainPlayerError(const std::string& playerError, bool container);

// The text of the message for these files, one line per file with its
// reason, the first few files named and the rest counted ("and 72 more"),
// a long path cut in its middle, so that the message fits on the screen;
// empty for none.
std::string FileProblemsText(const std::vector<FileProblem>& problems);
