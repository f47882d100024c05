#pragma once
// What the recording engine needs of the window that owns it: a way to post
// its result, and a progress window it can show while it mixes and encodes.
// The main window implements both over its message queue and CProgressDlg;
// tests and the command-line tool implement them without windows.

#include <cstdint>
#include <memory>
#include <string>

// The command codes the engine posts (wParam of the player command message).
inline constexpr unsigned ID_CMD_RECORDING_DONE = 33769;
inline constexpr unsigned ID_CMD_RECORDING_FAILED = 33771;
// The input went away while the take ran: the owner ends the take, which
// is then mixed from what was recorded until then.
inline constexpr unsigned ID_CMD_RECORDING_INPUT_GONE = 33773;

// The progress window of one mix and encode. Created, shown and destroyed
// (by deleting it) on the user-interface thread; the Post calls come from
// the engine's worker and must reach the window on the user-interface
// thread, in the order they were made and before any command the owner
// posts afterwards; posts still queued when the window is deleted are
// dropped.
class RecordingProgress {
public:
    virtual ~RecordingProgress() = default;

    // User-interface thread.
    virtual void SetCaption(const std::string& text) = 0;
    virtual void Show() = 0;

    // Any thread. A non-zero tick is the bar's animation period in ms;
    // 100 finishes the bar.
    virtual void PostTargetPercent(int percent, int tick) = 0;
    virtual void PostHide() = 0;
};

class RecordingOwner {
public:
    virtual ~RecordingOwner() = default;

    // Any thread: queues the command for the user-interface thread.
    virtual void PostCommand(unsigned code, intptr_t lParam) = 0;

    // User-interface thread: a new modeless progress window parented to the
    // owner, not shown yet. Null when none can be made; the engine then
    // works without one.
    virtual std::unique_ptr<RecordingProgress> CreateProgressWindow() = 0;
};
