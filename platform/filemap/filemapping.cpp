#include "platform/filemap/filemapping.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filemap/regular_file.h"

namespace platform {

FileMapping::~FileMapping()
{
    Close();
}

FileMapping::Status FileMapping::OpenFile(const std::string& path)
{
    Close();
    fd_ = OpenRegularFile(path);
    if (fd_ < 0)
        return Status::CantOpen;
    struct stat st;
    if (::fstat(fd_, &st) != 0) {
        Close();
        return Status::CantOpen;
    }
    size_ = static_cast<uint64_t>(st.st_size);
    return Status::Ok;
}

FileMapping::Status FileMapping::Map()
{
    if (fd_ < 0 || size_ == 0)
        return Status::CantMap;
    void* p = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (p == MAP_FAILED)
        return Status::CantMap;
    data_ = static_cast<const uint8_t*>(p);
    return Status::Ok;
}

void FileMapping::Close()
{
    if (data_)
        ::munmap(const_cast<uint8_t*>(data_), size_);
    data_ = nullptr;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

}  // namespace platform
