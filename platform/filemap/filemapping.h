#pragma once
// A whole file mapped read-only into memory.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

class FileMapping {
public:
    enum class Status { Ok, CantOpen, CantMap };

    FileMapping() = default;
    ~FileMapping();
    FileMapping(const FileMapping&) = delete;
    FileMapping& operator=(const FileMapping&) = delete;

    // Opens the file and takes its size (CantOpen when either fails, and
    // at once for anything but a regular file).
    Status OpenFile(const std::string& path);
    // Maps the opened file (CantMap on failure; an empty file maps to
    // nothing and fails too).
    Status Map();
    void Close();

    uint64_t FileSize() const { return size_; }
    const uint8_t* Data() const { return data_; }

private:
    int fd_ = -1;
    uint64_t size_ = 0;
    const uint8_t* data_ = nullptr;
};

}  // namespace platform
