#include "kvostudio/libskin/id3tagv2.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "kvostudio/global.h"
#include "kvostudio/libskin/id3bytes.h"
#include "kvostudio/libskin/id3frametext.h"
#include "platform/filemap/regular_file.h"
#include "platform/text/unicode.h"

namespace {

// ID3v2.2 frame IDs and the four-character IDs they are kept under.
constexpr const char* kV22Ids[][2] = {
    {"TT2", "TIT2"}, {"TRK", "TRCK"}, {"TP1", "TPE1"}, {"TAL", "TALB"}, {"TYE", "TYER"}, {"TCO", "TCON"},
    {"COM", "COMM"}, {"TCM", "TCOM"}, {"TOA", "TOPE"}, {"TCR", "TCOP"}, {"WXX", "WXXX"}, {"TSS", "TSSE"},
    {"TEN", "TENC"}, {"ULT", "USLT"}, {"PIC", "APIC"}, {"TXX", "TXXX"},
};

bool MapV22Id(const uint8_t* p, char id[4]) {
    for (const auto& entry : kV22Ids) {
        if (std::memcmp(p, entry[0], 3) == 0) {
            std::memcpy(id, entry[1], 4);
            return true;
        }
    }
    return false;
}

// A frame ID given as text, cut or zero-padded to four bytes.
void CopyId(const char* text, char id[4]) {
    std::memset(id, 0, 4);
    for (int i = 0; text && i < 4 && text[i]; ++i) id[i] = text[i];
}

bool ReadAt(int fd, void* out, size_t n, uint64_t offset) {
    auto* p = static_cast<uint8_t*>(out);
    while (n > 0) {
        const ssize_t got = pread(fd, p, n, off_t(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        n -= size_t(got);
        offset += uint64_t(got);
    }
    return true;
}

struct FdCloser {
    int fd;
    ~FdCloser() { if (fd >= 0) close(fd); }
};

// 2.4 keeps per-frame extras in front of the data: undone here so the text
// reads as written. Compressed or encrypted data stays as stored.
std::vector<uint8_t> V24FrameData(std::vector<uint8_t> data, uint16_t flags, bool tagUnsynchronised) {
    if (tagUnsynchronised || (flags & 0x0002)) data = id3::RemoveUnsynchronisation(data.data(), data.size());
    if (flags & 0x000C) return data;
    size_t skip = 0;
    if (flags & 0x0040) skip += 1;   // group identifier
    if (flags & 0x0001) skip += 4;   // data length indicator
    data.erase(data.begin(), data.begin() + std::min(skip, data.size()));
    return data;
}

}  // namespace

uint32_t Id3FrameKey(const char id[4]) {
    return uint32_t(uint8_t(id[0])) | uint32_t(uint8_t(id[1])) << 8 | uint32_t(uint8_t(id[2])) << 16 |
           uint32_t(uint8_t(id[3])) << 24;
}

CId3Frame::CId3Frame(const char frameId[4], std::vector<uint8_t> bytes, uint16_t frameFlags)
    : data(std::move(bytes)), flags(frameFlags) {
    std::memcpy(id, frameId, 4);
}

CId3tagv2::CId3tagv2() { Clear(); }

void CId3tagv2::Clear() {
    present_ = 0;
    std::memset(header_, 0, sizeof header_);
    std::memcpy(header_, "ID3", 3);
    std::memset(v1_, 0, sizeof v1_);
    std::memcpy(v1_, "TAG", 3);
    version_ = 0x0300;
    frames_.clear();
}

int CId3tagv2::Read(const char* path) {
    Clear();
    // A reused object must not report the previous file's length.
    audio_ = mpeg::AudioInfo{};
    if (!path) return EINVAL;
    const int fd = platform::OpenRegularFile(path);
    if (fd < 0) return errno;
    FdCloser closer{fd};
    struct stat st {};
    if (fstat(fd, &st) != 0) return errno;
    const uint64_t fileSize = uint64_t(st.st_size);

    uint8_t head[10];
    if (fileSize < sizeof head || !ReadAt(fd, head, sizeof head, 0)) return -1;
    if (std::memcmp(head, "ID3", 3) != 0) {
        ReadV1(fd, fileSize);
        ReadAudioInfo(fd, 0);
        return -1;
    }
    const uint16_t version = uint16_t(head[3] << 8 | head[4]);
    if (version != 0x0200 && version != 0x0300 && version != 0x0301 && version != 0x0400) return -1;
    version_ = version == 0x0301 ? 0x0400 : version;

    const uint32_t size = id3::ReadSyncSafe(head + 6);
    if (size > fileSize - sizeof head) return -1;   // the tag claims more than the file holds
    std::vector<uint8_t> tag;
    try {
        tag.resize(size);
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    if (!ReadAt(fd, tag.data(), tag.size(), sizeof head)) return -1;

    const bool unsynchronised = (head[5] & 0x80) != 0;
    unsync_ = unsynchronised ? 1 : 0;
    try {
        // 2.4 unsynchronises frame by frame (its sizes count the inserted
        // bytes); earlier versions the tag as a whole.
        if (unsynchronised && version_ < 0x0400) tag = id3::RemoveUnsynchronisation(tag.data(), tag.size());
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }

    size_t start = 0;
    if (version_ != 0x0200 && (head[5] & 0x40)) {
        if (tag.size() >= 4) {
            // 2.3 counts the extended header without its size field, 2.4 with it.
            const uint32_t extended = id3::ReadSyncSafe(tag.data());
            start = version_ >= 0x0400 ? size_t(extended) : size_t(extended) + 4;
        }
        start = std::min(start, tag.size());
    }
    ParseFrames(tag, start);

    ReadAudioInfo(fd, sizeof head + uint64_t(size));
    std::memcpy(header_, head, sizeof head);
    header_[5] &= uint8_t(~0x40);
    present_ = 1;
    return 0;
}

void CId3tagv2::ParseFrames(const std::vector<uint8_t>& tag, size_t pos) {
    const bool v22 = version_ < 0x0300;
    const bool v24 = version_ >= 0x0400;
    const bool tagUnsynchronised = unsync_ != 0;
    const size_t headerLength = v22 ? 6 : 10;
    encoding_ = 0;
    while (pos < tag.size()) {
        const size_t left = tag.size() - pos;
        if (left < headerLength) break;
        const uint8_t* h = tag.data() + pos;
        char id[4];
        uint32_t size;
        uint16_t flags = 0;
        if (v22) {
            if (!MapV22Id(h, id)) break;
            size = id3::ReadBigEndian(h + 3, 3);
        } else {
            if (h[0] == 0 && h[1] == 0 && h[2] == 0 && h[3] == 0) break;   // padding
            std::memcpy(id, h, 4);
            size = v24 ? id3::ReadSyncSafe(h + 4) : id3::ReadBigEndian(h + 4, 4);
            flags = uint16_t(id3::ReadBigEndian(h + 8, 2));
        }
        if (size > left - headerLength) break;
        try {
            std::vector<uint8_t> data(h + headerLength, h + headerLength + size);
            if (v24) data = V24FrameData(std::move(data), flags, tagUnsynchronised);
            if (!data.empty() && data[0] >= 1 && data[0] <= 3) encoding_ = data[0];
            InsertFrame(id, std::move(data), flags);
        } catch (const std::bad_alloc&) {
            break;   // the frames read so far stay
        }
        pos += headerLength + size;
    }
}

void CId3tagv2::InsertFrame(const char id[4], std::vector<uint8_t> data, uint16_t flags) {
    frames_.try_emplace(Id3FrameKey(id), id, std::move(data), flags);
}

void CId3tagv2::ReadV1(int fd, uint64_t fileSize) {
    uint8_t record[128];
    if (fileSize < sizeof record || !ReadAt(fd, record, sizeof record, fileSize - sizeof record)) return;
    if (std::memcmp(record, "TAG", 3) != 0) return;
    std::memcpy(v1_, record, sizeof record);
    version_ = 0x0100;
}

std::string CId3tagv2::V1Field(int offset) const { return platform::LegacyToUtf8(v1_ + offset, 30); }

int CId3tagv2::ReadAudioInfo(int fd, uint64_t start) {
    audio_ = mpeg::AudioInfo{};
    struct stat st {};
    if (fstat(fd, &st) != 0) return 0;
    const uint64_t fileSize = uint64_t(st.st_size);
    if (start > fileSize) return 0;
    audio_.audioBytes = uint32_t(std::min<uint64_t>(fileSize - start, UINT32_MAX));

    std::vector<uint8_t> block(64 * 1024);
    uint64_t pos = start;
    uint64_t found = UINT64_MAX;
    while (found == UINT64_MAX && fileSize - pos >= 4) {
        const size_t want = size_t(std::min<uint64_t>(block.size(), fileSize - pos));
        if (!ReadAt(fd, block.data(), want, pos)) break;
        for (size_t i = 0; i + 4 <= want; ++i) {
            const uint32_t word = id3::ReadBigEndian(block.data() + i, 4);
            if (mpeg::IsValidHeader(word)) {
                audio_.header = word;
                found = pos + i;
                break;
            }
        }
        pos += want - 3;   // the last three bytes start the next block's words
    }
    if (found == UINT64_MAX) return 0;

    uint8_t xing[12];
    if (ReadAt(fd, xing, sizeof xing, found + mpeg::XingOffset(audio_.header)) && std::memcmp(xing, "Xing", 4) == 0) {
        audio_.vbr = 1;
        audio_.vbrFrames = (xing[7] & 1) ? int32_t(id3::ReadBigEndian(xing + 8, 4)) : -1;
    }
    return 1;
}

std::string CId3tagv2::GetFrameText(const char* idText) const {
    char id[4];
    CopyId(idText, id);
    const auto it = frames_.find(Id3FrameKey(id));
    if (it == frames_.end() || it->second.Size() == 0) return {};
    try {
        return id3::DecodeFrameText(id, it->second.data);
    } catch (...) {
        WriteLog("Catch...");
        return {};
    }
}

void CId3tagv2::SetFrameText(const char* idText, const char* text) {
    char id[4];
    CopyId(idText, id);
    const uint32_t key = Id3FrameKey(id);
    if (!text || !*text) {
        frames_.erase(key);
        return;
    }
    auto data = id3::EncodeFrameText(id, encoding_, text);
    if (!data) return;
    const auto it = frames_.find(key);
    if (it != frames_.end()) it->second.data = std::move(*data);
    else InsertFrame(id, std::move(*data), 0);
}

std::string CId3tagv2::GetTitle() const { return version_ == 0x0100 ? V1Field(3) : GetFrameText("TIT2"); }
std::string CId3tagv2::GetArtist() const { return version_ == 0x0100 ? V1Field(33) : GetFrameText("TPE1"); }
std::string CId3tagv2::GetLyrics() const { return GetFrameText("USLT"); }
std::string CId3tagv2::GetUserText() const { return GetFrameText("TXXX"); }
void CId3tagv2::SetUserText(const char* text) { SetFrameText("TXXX", text); }
uint32_t CId3tagv2::GetDurationSeconds() const { return mpeg::DurationSeconds(audio_); }
uint32_t CId3tagv2::GetBitrateKbps() const { return mpeg::BitrateKbps(audio_); }
