// Fuzz inputs as files: the readers under test open paths, so each input is
// written to an in-memory file and handed over by its /proc path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class FuzzFile {
public:
    FuzzFile() : fd_(memfd_create("fuzz-input", 0)) {}
    ~FuzzFile() {
        if (fd_ >= 0) close(fd_);
    }
    FuzzFile(const FuzzFile&) = delete;
    FuzzFile& operator=(const FuzzFile&) = delete;

    // The path of a file holding exactly the bytes; empty on failure.
    std::string Hold(const uint8_t* data, size_t size) {
        if (fd_ < 0 || ftruncate(fd_, 0) != 0) return {};
        size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd_, data + done, size - done, off_t(done));
            if (n <= 0) return {};
            done += size_t(n);
        }
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};
