#include <algorithm>
#include <cstring>
#include <memory>

#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/byteorder.h"
#include "kvostudio/include/convert/tagtext.h"
#include "kvostudio/include/convert/wavedata.h"
#include "platform/filemap/regular_file.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The container's tag writer combines the four size bytes 7 bits apart
// without masking their top bits; read them back the same way (in 64 bits,
// so that no combination can wrap).
uint64_t SyncSafe(const uint8_t* p)
{
    return uint64_t(p[0]) << 21 | uint64_t(p[1]) << 14 | uint64_t(p[2]) << 7 | uint64_t(p[3]);
}

bool PlainSized(const char* id) { return std::memcmp(id, "USLT", 4) == 0 || std::memcmp(id, "APIC", 4) == 0; }

bool LooksLikeFrameId(const uint8_t* p)
{
    return std::all_of(p, p + 4, [](uint8_t c) { return c >= '0' && c <= 'Z'; });
}

// The frames of the tag body, in file order. Junk between frames is stepped
// over one byte at a time until something that looks like a frame header
// whose size fits the rest of the block.
std::vector<KvoTagInfo::Frame> ScanFrames(const std::vector<uint8_t>& body)
{
    std::vector<KvoTagInfo::Frame> frames;
    const uint64_t total = body.size();
    uint64_t p = 0;
    while (p < total) {
        while (p + 8 <= total && !(LooksLikeFrameId(&body[p]) && SyncSafe(&body[p + 4]) < total - p)) ++p;
        if (p + 10 > total) break;
        KvoTagInfo::Frame f;
        std::memcpy(f.id, &body[p], 4);
        const uint64_t size = PlainSized(f.id) ? Be32(&body[p + 4]) : SyncSafe(&body[p + 4]);
        f.flags = static_cast<uint16_t>(body[p + 8] << 8 | body[p + 9]);
        p += 10;
        // A plain-sized frame is not covered by the check above; one that
        // claims more than the block holds ends the scan instead of reading
        // past the block.
        if (size > total - p) break;
        f.size = static_cast<uint32_t>(size);
        f.data.assign(body.begin() + static_cast<ptrdiff_t>(p), body.begin() + static_cast<ptrdiff_t>(p + size));
        p += size;
        frames.push_back(std::move(f));
    }
    return frames;
}

const uint8_t kJpegStart[4] = {0xFF, 0xD8, 0xFF, 0xE0};

}  // namespace

void KvoTagInfo::Clear()
{
    for (char* field : {length, year, track, genre}) std::memset(field, 0, 64);
    for (char* field : {title, artist, album, comment}) std::memset(field, 0, 1024);
    std::memset(lyrics, 0, sizeof lyrics);
    std::memset(fileId, 0, sizeof fileId);
    picture.clear();
    frames.clear();
    hasFileId_ = false;
}

void KvoTagInfo::TakeFrame(const Frame& f)
{
    struct TextField {
        const char* id;
        char* field;
        size_t size;
    };
    const TextField texts[] = {
        {"TLEN", length, sizeof length}, {"TIT2", title, sizeof title},   {"TPE1", artist, sizeof artist},
        {"TALB", album, sizeof album},   {"TYER", year, sizeof year},     {"TRCK", track, sizeof track},
        {"TCON", genre, sizeof genre},   {"TFID", fileId, sizeof fileId},
    };
    for (const TextField& t : texts) {
        if (std::memcmp(f.id, t.id, 4) == 0) {
            TagTextToField(f.data.data(), f.data.size(), t.field, t.size);
            if (t.field == fileId) hasFileId_ = true;
            return;
        }
    }
    if (std::memcmp(f.id, "USLT", 4) == 0) {
        // Lyrics are stored as UTF-16 only; a frame in the single-byte
        // encoding leaves the field empty, as the play list expects.
        if (!f.data.empty() && f.data[0] != 0) TagCommentToField(f.data.data(), f.data.size(), lyrics, sizeof lyrics);
    } else if (std::memcmp(f.id, "COMM", 4) == 0) {
        if (!f.data.empty() && f.data[0] != 0) TagCommentToField(f.data.data(), f.data.size(), comment, sizeof comment);
    } else if (std::memcmp(f.id, "APIC", 4) == 0) {
        auto at = std::search(f.data.begin(), f.data.end(), kJpegStart, kJpegStart + 4);
        if (at != f.data.end()) picture.assign(at, f.data.end());
    }
}

bool KvoTagInfo::Load(const char* path)
{
    Clear();
    File in(path ? platform::OpenRegularFileStream(path) : nullptr);
    if (!in) return false;
    const int64_t fileSize = OpenFileSize(in.get());
    KvoHead head;
    if (fileSize < 0 || !ReadKvoHead(in.get(), static_cast<uint64_t>(fileSize), &head)) return false;

    // Chunk 0 follows the size table: an 8-byte chunk header, then the
    // ID3v2 block with its 10-byte header.
    uint8_t header[18];
    if (std::fread(header, 1, sizeof header, in.get()) != sizeof header) return false;
    const uint64_t chunkStart = 12 + uint64_t(head.count) * 4;
    const uint64_t chunkLength = Le32(header + 4);
    // The chunk must lie inside the file, and the block is read no further
    // than its chunk.
    if (chunkLength < 10 || chunkStart + 8 > uint64_t(fileSize) || chunkLength > uint64_t(fileSize) - chunkStart - 8)
        return false;
    const uint64_t tagSize = std::min(SyncSafe(header + 14), chunkLength - 10);

    std::vector<uint8_t> body(static_cast<size_t>(tagSize));
    if (!body.empty() && std::fread(body.data(), 1, body.size(), in.get()) != body.size()) return false;

    frames = ScanFrames(body);
    for (const Frame& f : frames) TakeFrame(f);
    return true;
}
