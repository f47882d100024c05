#pragma once
// What the online flows' workers (sign-in, upload, phone download) need of
// the window that owns them: a way to post their result, and a progress
// window they can drive from their threads. The main window implements
// ServiceOwner over its message queue (ServiceProgressWindow gives it the
// progress window); tests implement both without windows.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The command codes the online workers post (wParam of the player command
// message); the lParam each carries is given beside it.
inline constexpr unsigned ID_CMD_UPLOAD_DONE = 33770;          // UploadResult*
inline constexpr unsigned ID_CMD_UPLOAD_FAILED = 33772;        // UploadResult*
inline constexpr unsigned ID_CMD_RELAY_UPLOAD_DONE = 33775;    // UploadResult*
inline constexpr unsigned ID_CMD_RELAY_UPLOAD_FAILED = 33776;  // UploadResult*
inline constexpr unsigned ID_CMD_SIGNED_IN = 33780;            // the pending command
inline constexpr unsigned ID_CMD_SIGNIN_FAILED = 33781;        // the pending command

// The progress window of one transfer. Created, set up, shown and
// destroyed (by deleting it) on the user-interface thread; the Post calls
// come from a worker and reach the window on the user-interface thread in
// the order they were made; posts still queued when it is deleted are
// dropped.
class ServiceProgress {
public:
    virtual ~ServiceProgress() = default;

    // User-interface thread.
    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetFileName(const std::string& text) = 0;
    // What the window says when the user closes it.
    virtual void SetMessageText(const std::string& text) = 0;
    // A close button for the task that can be given up: pressing it (or
    // Escape, or the desktop's close) hides the window and calls 'cancel'.
    virtual void SetCancel(std::function<void()> cancel) { (void)cancel; }
    virtual void Show() = 0;

    // Any thread. 100 finishes the bar.
    virtual void PostTargetPercent(int percent, int tick) = 0;
    virtual void PostHide() = 0;
};

class ServiceOwner {
public:
    virtual ~ServiceOwner() = default;

    // Any thread: queues the command for the user-interface thread. False
    // when it could not be queued (the window is gone); what lParam points
    // to then stays the caller's.
    virtual bool PostCommand(unsigned code, intptr_t lParam) = 0;

    // User-interface thread: a new modeless progress window parented to the
    // owner, not shown yet. Null when none can be made; the flow then runs
    // without one.
    virtual std::unique_ptr<ServiceProgress> CreateProgressWindow() = 0;
};
