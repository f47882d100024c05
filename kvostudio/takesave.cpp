#include "kvostudio/takesave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ErrorText(int error) { return std::strerror(error ? error : EIO); }

bool WriteAll(int fd, const uint8_t* p, size_t n, int& error) {
    while (n > 0) {
        const ssize_t put = write(fd, p, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            error = put < 0 ? errno : ENOSPC;
            return false;
        }
        p += put;
        n -= size_t(put);
    }
    return true;
}

// Syncs the folder so the rename itself survives a crash; a folder that
// cannot be opened for it costs nothing but that.
void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

TakeSave::~TakeSave() { Abort(); }

void TakeSave::Abort() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temp_.empty()) unlink(temp_.c_str());
    temp_.clear();
}

bool TakeSave::Begin(const std::string& target, const std::string& songPath, std::string& reason) {
    Abort();
    target_ = target;
    if (target.empty()) {
        reason = "No file name was given.";
        return false;
    }
    const fs::path path(target);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : std::string(".");
    // What the system said when it could not even look: a folder it may
    // not enter, or a path it cannot follow, is no missing folder.
    std::error_code error;
    const fs::file_status folderStatus = fs::status(folder, error);
    if (!fs::status_known(folderStatus)) {
        reason = "The folder " + folder + " cannot be reached: " + ErrorText(error.value());
        return false;
    }
    if (!fs::exists(folderStatus)) {
        reason = "The folder " + folder + " does not exist.";
        return false;
    }
    if (!fs::is_directory(folderStatus)) {
        reason = folder + " is not a folder.";
        return false;
    }
    const fs::file_status status = fs::status(path, error);
    if (!fs::status_known(status)) {
        reason = target + " cannot be reached: " + ErrorText(error.value());
        return false;
    }
    if (fs::exists(status)) {
        if (fs::is_directory(status)) {
            reason = target + " is a folder.";
            return false;
        }
        if (!fs::is_regular_file(status)) {
            reason = target + " is not a file that can be replaced.";
            return false;
        }
        if (!songPath.empty() && fs::equivalent(path, songPath, error)) {
            reason = target + " is the song itself; it is never written over.";
            return false;
        }
        // Write-protected means "keep it", whoever is asking.
        if ((unsigned(status.permissions()) & 0222) == 0 || access(target.c_str(), W_OK) != 0) {
            reason = target + " is write-protected.";
            return false;
        }
        mode_ = unsigned(status.permissions()) & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode_ = 0666 & ~unsigned(mask);
    }

    std::string temp = folder + "/." + path.filename().string() + ".XXXXXX";
    fd_ = mkstemp(temp.data());
    if (fd_ < 0) {
        reason = "Nothing can be written in the folder " + folder + ": " + ErrorText(errno);
        return false;
    }
    temp_ = temp;
    return true;
}

bool TakeSave::Commit(const std::string& recordingPath, std::string& reason) {
    if (fd_ < 0) {
        reason = "The file was not prepared.";
        return false;
    }
    int error = 0;
    bool ok = true;
    const int in = open(recordingPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        error = errno;
        reason = "The recording " + recordingPath + " could not be read: " + ErrorText(error);
        Abort();
        return false;
    }
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        const ssize_t got = read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            error = errno;
            ok = false;
            reason = "The recording could not be read: " + ErrorText(error);
            break;
        }
        if (got == 0) break;
        if (!WriteAll(fd_, buffer.data(), size_t(got), error)) {
            ok = false;
            reason = target_ + " could not be written: " + ErrorText(error);
            break;
        }
    }
    close(in);
    if (ok) {
        fchmod(fd_, mode_t(mode_));
        if (fsync(fd_) != 0) {
            ok = false;
            reason = target_ + " could not be written: " + ErrorText(errno);
        }
    }
    if (ok) {
        const int fd = fd_;
        fd_ = -1;
        if (close(fd) != 0) {
            ok = false;
            reason = target_ + " could not be written: " + ErrorText(errno);
        }
    }
    if (ok && std::rename(temp_.c_str(), target_.c_str()) != 0) {
        ok = false;
        reason = target_ + " could not be replaced: " + ErrorText(errno);
    }
    if (!ok) {
        Abort();
        return false;
    }
    temp_.clear();
    const fs::path path(target_);
    SyncFolder(path.has_parent_path() ? path.parent_path().string() : std::string("."));
    return true;
}
