#include <cstring>
#include <memory>
#include <vector>

#include "kvostudio/include/convert/auxiliary.h"
#include "kvostudio/include/convert/byteorder.h"
#include "kvostudio/include/convert/wavedata.h"
#include "platform/filemap/regular_file.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// One chunk as the walk finds it: where its payload is and how long it is.
struct Piece {
    uint64_t offset;
    uint32_t length;
};

// Walks the chunks after the head, checking each against the file, before a
// single byte is written: a malformed container leaves both outputs empty
// instead of half an accompaniment that the mix would take as whole.
bool WalkChunks(std::FILE* f, uint64_t fileSize, const KvoHead& head, std::vector<Piece>* pieces)
{
    uint64_t at = 12 + uint64_t(head.count) * 4;
    // Each chunk needs at least its 8-byte header: a count the rest of the
    // file cannot hold is refused before anything is reserved for it.
    if (uint64_t(head.count) * 8 > fileSize - at) return false;
    pieces->reserve(head.count);
    for (uint32_t i = 0; i < head.count; ++i) {
        uint8_t header[8];
        if (at + 8 > fileSize || fseeko(f, static_cast<off_t>(at), SEEK_SET) != 0 ||
            std::fread(header, 1, 8, f) != 8)
            return false;
        const uint32_t length = Le32(header + 4);
        if (length > fileSize - at - 8) return false;
        pieces->push_back({at + 8, length});
        at += 8 + uint64_t(length);
    }
    return true;
}

bool CopyPiece(std::FILE* in, std::FILE* out, const Piece& p, std::vector<uint8_t>& buffer)
{
    if (fseeko(in, static_cast<off_t>(p.offset), SEEK_SET) != 0) return false;
    uint64_t left = p.length;
    while (left > 0) {
        const size_t n = left < buffer.size() ? static_cast<size_t>(left) : buffer.size();
        if (std::fread(buffer.data(), 1, n, in) != n) return false;
        if (std::fwrite(buffer.data(), 1, n, out) != n) return false;
        left -= n;
    }
    return true;
}

}  // namespace

bool CKvoParse::Split(const char* input, const char* firstOut, const char* secondOut)
{
    head = KvoHead{};
    evenBytes = oddBytes = 0;
    File in(input ? platform::OpenRegularFileStream(input) : nullptr);
    File even(firstOut ? std::fopen(firstOut, "wb") : nullptr);
    File odd(secondOut ? std::fopen(secondOut, "wb") : nullptr);
    if (!in || !even || (secondOut && !odd)) return false;

    const int64_t size = OpenFileSize(in.get());
    std::vector<Piece> pieces;
    if (size < 0 || !ReadKvoHead(in.get(), static_cast<uint64_t>(size), &head) ||
        !WalkChunks(in.get(), static_cast<uint64_t>(size), head, &pieces))
        return false;

    std::vector<uint8_t> buffer(1 << 16);
    for (size_t i = 0; i < pieces.size(); ++i) {
        std::FILE* out = (i % 2 == 0) ? even.get() : odd.get();
        if (!out) continue;
        if (!CopyPiece(in.get(), out, pieces[i], buffer)) return false;
        (i % 2 == 0 ? evenBytes : oddBytes) += pieces[i].length;
    }
    std::FILE* e = even.release();
    std::FILE* o = odd.release();
    bool ok = std::fclose(e) == 0;
    if (o && std::fclose(o) != 0) ok = false;
    return ok;
}
