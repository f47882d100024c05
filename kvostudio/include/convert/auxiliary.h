#pragma once
// Readers of the .kvo music container that the recording engine and the
// play list use: the song's tag block (KvoTagInfo) and the splitter that
// cuts a container into its two MP3 streams (CKvoParse).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The container's head: signature area, 16-bit field, chunk count and the
// payload size of every chunk.
struct KvoHead {
    uint8_t signature[6] = {};
    uint16_t field = 0;
    uint32_t count = 0;
    std::vector<uint32_t> sizes;
};

class KvoTagInfo {
public:
    struct Frame {
        char id[5] = {};
        uint32_t size = 0;
        uint16_t flags = 0;
        std::vector<uint8_t> data;
    };

    KvoTagInfo() = default;

    // Reads the tag block (chunk 0) of the container at path into the fields
    // below. False, with every field empty, when the file cannot be opened
    // or is not a container whose head and tag block lie inside the file.
    bool Load(const char* path);

    // The song's numeric file id on the service, as text; null when the tag
    // block has no file id frame.
    const char* FileId() const { return hasFileId_ ? fileId : nullptr; }

    // Zero-terminated texts (UTF-8), cut to fit.
    char length[64] = {};
    char title[1024] = {};
    char artist[1024] = {};
    char album[1024] = {};
    char year[64] = {};
    char track[64] = {};
    char comment[1024] = {};
    char lyrics[10000] = {};
    char genre[64] = {};
    char fileId[256] = {};

    // The cover picture: the JPEG data from its start marker to the frame end.
    std::vector<uint8_t> picture;

    // Every frame of the tag block in file order.
    std::vector<Frame> frames;

private:
    void Clear();
    void TakeFrame(const Frame& frame);

    bool hasFileId_ = false;
};

class CKvoParse {
public:
    CKvoParse() = default;

    // Writes the payloads of the even-numbered chunks (the tag block, then
    // the accompaniment pieces) to firstOut and, when secondOut is not null,
    // those of the odd-numbered chunks (the vocal head block, then the vocal
    // pieces) to secondOut. The outputs are created even when the input
    // cannot be read. False when the input cannot be opened or is not a
    // whole container (a chunk count below 2 or past the file, a chunk that
    // runs past the end); the outputs then stay empty.
    bool Split(const char* input, const char* firstOut, const char* secondOut);

    // What the last Split read and wrote.
    KvoHead head;
    uint64_t evenBytes = 0;
    uint64_t oddBytes = 0;
};

// Reads the head from the start of the open file of fileSize bytes. False
// when the file is shorter than the head or the size table, or has fewer
// than the two head chunks; the table is never allocated before its size
// was checked against the file.
bool ReadKvoHead(std::FILE* file, uint64_t fileSize, KvoHead* head);
