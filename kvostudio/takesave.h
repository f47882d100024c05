#pragma once
// Puts a finished recording where the user asked for it without ever
// leaving a half-written file in its place: the recording is written into
// a new file beside the target, synced to the disk, and only then renamed
// over the target. Until that rename an existing file of that name stays
// as it was; a failed write deletes only the new file. The window's "save
// to PC" and the kvorecord tool save through it.
//
// Begin checks the target before anything is recorded or copied: its
// folder must exist and take a new file, and the target must not be a
// folder, a write-protected file or the song the take was sung over.

#include <string>

class TakeSave {
public:
    TakeSave() = default;
    ~TakeSave();   // a new file not yet committed is deleted
    TakeSave(const TakeSave&) = delete;
    TakeSave& operator=(const TakeSave&) = delete;

    // Checks the target and creates the new file beside it. False, with
    // the reason, when the target cannot be written; nothing is changed
    // then. songPath may be empty.
    bool Begin(const std::string& target, const std::string& songPath, std::string& reason);
    // Copies the recording into the new file, syncs it and renames it over
    // the target. False, with the reason, when any step fails: the target
    // is then as it was and the new file is gone.
    bool Commit(const std::string& recordingPath, std::string& reason);

    const std::string& Target() const { return target_; }

private:
    void Abort();

    std::string target_;
    std::string temp_;
    int fd_ = -1;
    unsigned mode_ = 0666;
};
