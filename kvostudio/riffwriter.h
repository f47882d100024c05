#pragma once
// Writes a RIFF file chunk by chunk: a chunk is created with a size, data
// is written into it, and leaving it fixes its size field to the bytes
// actually written (odd sizes get their pad byte). The recorder writes its
// WAV files through this.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class RiffWriter {
public:
    RiffWriter() = default;
    ~RiffWriter();
    RiffWriter(const RiffWriter&) = delete;
    RiffWriter& operator=(const RiffWriter&) = delete;

    // Creates (or empties) the file for writing.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }

    // "RIFF", a size fixed when the chunk is left, and the form type.
    bool CreateRiff(const char formType[4]);
    // A chunk inside the current one, with the size it claims until left.
    bool CreateChunk(const char id[4], uint32_t size);
    // Appends to the innermost chunk. Refused when the chunk would outgrow
    // the 32-bit size field.
    bool Write(const void* bytes, size_t count);
    // Leaves the innermost chunk and fixes its size.
    bool Ascend();
    // Closes the file; chunks not left keep the sizes they were created
    // with. False when anything written since Open failed to reach the file.
    bool Close();

private:
    struct OpenChunk {
        int64_t sizeField;   // file offset of the size
        int64_t dataStart;   // file offset of the first byte after the header
        uint32_t claimed;    // size written at creation
    };
    bool PutHeader(const char id[4], uint32_t size);
    bool PutU32At(int64_t offset, uint32_t value);

    FILE* file_ = nullptr;
    int64_t position_ = 0;   // end of what was written
    std::vector<OpenChunk> chunks_;
    bool failed_ = false;
};
