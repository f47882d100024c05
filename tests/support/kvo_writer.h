// A test-only writer of .kvo music containers (the program itself never
// writes them): the head with its chunk-size table, the tag chunk, the head
// chunk of the vocal stream, then type-1/type-2 pairs of equal payload
// length. Switches produce the malformed variants readers must refuse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct KvoContent {
    std::vector<uint8_t> tag;      // chunk 0: the song's ID3v2 tag block
    std::vector<uint8_t> head;     // chunk 1: the head block of the vocal stream
    std::vector<uint8_t> stream1;  // accompaniment
    std::vector<uint8_t> stream2;  // vocal
    size_t pieceSize = 4096;       // payload length of every pair but the last
};

enum class KvoFault {
    None,
    WrongTypeAtPair,      // the pair's first chunk has type 3 instead of 1
    WrongSecondType,      // the pair's second chunk has type 1 instead of 2
    UnequalPairLengths,   // the pair's type-2 chunk is one byte shorter
    TruncatedInsidePair,  // the file ends in the middle of the pair's type-2 payload
    CountBelowTwo,        // the chunk count is `faultValue` (0 or 1), the table as long
    HugeCount,            // the chunk count is `faultValue` (default 0x40000000), far past the file
    SizeTablePastEnd,     // size[0] in the table is `faultValue` (default 0x7FFFFFF0)
    ChunkLengthPastEnd,   // the pair's type-1 chunk header claims `faultValue` bytes (default 0x7FFFFFF0)
};

struct KvoFaultSpec {
    KvoFault fault = KvoFault::None;
    size_t pair = 0;          // which pair (0 = the first audio pair) the fault hits
    uint32_t faultValue = 0;  // 0: the fault's default
};

// The pieces the writer cuts the streams into. Both streams give the same
// number of pieces with equal lengths: the shorter stream is padded with
// zero bytes, so that every pair carries equal payloads.
struct KvoPieces {
    std::vector<std::vector<uint8_t>> stream1;
    std::vector<std::vector<uint8_t>> stream2;
};
KvoPieces CutPieces(const KvoContent& content);

// The container's bytes.
std::vector<uint8_t> WriteKvo(const KvoContent& content, const KvoFaultSpec& fault = {});

// What a splitter must produce from a well-formed container: the tag block
// followed by the (padded) accompaniment pieces, and the head block followed
// by the vocal pieces.
std::vector<uint8_t> ExpectedEvenStream(const KvoContent& content);
std::vector<uint8_t> ExpectedOddStream(const KvoContent& content);

// A small ID3v2.3 tag block as containers carry it. Text frames (TIT2,
// TPE1, TFID) hold encoding 0 text and have sync-safe sizes; USLT holds
// UTF-16LE text (encoding 1, language, the FF FE mark and an empty
// description, then the text with its own FF FE mark) and has a plain
// big-endian size, as the container readers expect.
struct KvoTagFields {
    std::string title;
    std::string artist;
    std::u16string lyrics;   // empty: no USLT frame
    std::string fileId;      // empty: no TFID frame
    std::vector<uint8_t> extraFrames;  // appended after the others, as is
};
std::vector<uint8_t> MakeKvoTag(const KvoTagFields& fields);

// One frame with a 10-byte header. syncSafeSize picks how the size is written.
std::vector<uint8_t> MakeTagFrame(const char id[4], const std::vector<uint8_t>& data, bool syncSafeSize);

}  // namespace testsupport
