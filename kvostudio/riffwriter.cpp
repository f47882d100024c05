#include "kvostudio/riffwriter.h"

#include <cstring>
#include <limits>

namespace {

void EncodeU32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(v >> (8 * i));
}

}  // namespace

RiffWriter::~RiffWriter() { Close(); }

bool RiffWriter::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "wb");
    position_ = 0;
    chunks_.clear();
    failed_ = false;
    return file_ != nullptr;
}

bool RiffWriter::PutHeader(const char id[4], uint32_t size) {
    uint8_t header[8];
    std::memcpy(header, id, 4);
    EncodeU32(header + 4, size);
    if (std::fwrite(header, 1, 8, file_) != 8) {
        failed_ = true;
        return false;
    }
    chunks_.push_back({position_ + 4, position_ + 8, size});
    position_ += 8;
    return true;
}

bool RiffWriter::CreateRiff(const char formType[4]) {
    if (!file_) return false;
    if (!PutHeader("RIFF", 0)) return false;
    return Write(formType, 4);
}

bool RiffWriter::CreateChunk(const char id[4], uint32_t size) {
    if (!file_) return false;
    return PutHeader(id, size);
}

bool RiffWriter::Write(const void* bytes, size_t count) {
    if (!file_) return false;
    for (const OpenChunk& chunk : chunks_) {
        const uint64_t grown = uint64_t(position_ - chunk.dataStart) + count;
        if (grown > std::numeric_limits<uint32_t>::max() - 1) return false;
    }
    if (count > 0 && std::fwrite(bytes, 1, count, file_) != count) {
        failed_ = true;
        return false;
    }
    position_ += int64_t(count);
    return true;
}

bool RiffWriter::PutU32At(int64_t offset, uint32_t value) {
    uint8_t bytes[4];
    EncodeU32(bytes, value);
    if (fseeko(file_, offset, SEEK_SET) != 0 || std::fwrite(bytes, 1, 4, file_) != 4 ||
        fseeko(file_, position_, SEEK_SET) != 0) {
        failed_ = true;
        return false;
    }
    return true;
}

bool RiffWriter::Ascend() {
    if (!file_ || chunks_.empty()) return false;
    const OpenChunk chunk = chunks_.back();
    const uint32_t size = uint32_t(position_ - chunk.dataStart);
    if (size % 2 != 0) {
        const uint8_t pad = 0;
        if (std::fwrite(&pad, 1, 1, file_) != 1) {
            failed_ = true;
            return false;
        }
        ++position_;
    }
    chunks_.pop_back();
    if (size != chunk.claimed) return PutU32At(chunk.sizeField, size);
    return true;
}

bool RiffWriter::Close() {
    if (!file_) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    chunks_.clear();
    return closed && !failed_;
}
