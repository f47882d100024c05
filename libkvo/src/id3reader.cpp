#include "libkvo/src/id3reader.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "libkvo/src/id3text.h"
#include "platform/text/unicode.h"

namespace {

constexpr uint8_t kUnsynchronised = 0x80;
constexpr uint8_t kExtendedHeader = 0x40;  // 2.2: compression, which cannot be read

uint32_t BigEndian(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = (v << 8) | p[i];
    return v;
}

// Four 7-bit groups; false when a byte is above 128.
bool SyncSafe(const uint8_t* p, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (p[i] > 128)
            return false;
        value = (value << 7) | (p[i] & 0x7F);
    }
    return true;
}

std::string TrimmedField(const uint8_t* p, size_t n)
{
    std::string text = platform::LegacyToUtf8(p, n);
    const size_t end = text.find_last_not_of(' ');
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// Where a frame's text goes, by frame id; -1 for frames not read.
int FieldOf(std::string_view id, int version)
{
    if (version == 2) {
        static const std::pair<const char*, int> kIds[] = {{"TP1", kId3Artist}, {"TT2", kId3Title},
                                                           {"TAL", kId3Album},  {"TRK", kId3Track},
                                                           {"TYE", kId3Year},   {"TCO", kId3Genre},
                                                           {"COM", kId3Comment}};
        for (const auto& [name, field] : kIds) {
            if (id == name)
                return field;
        }
        return -1;
    }
    static const std::pair<const char*, int> kIds[] = {{"TPE1", kId3Artist}, {"TIT2", kId3Title},
                                                       {"TALB", kId3Album},  {"TRCK", kId3Track},
                                                       {"TCON", kId3Genre},  {"COMM", kId3Comment}};
    for (const auto& [name, field] : kIds) {
        if (id == name)
            return field;
    }
    if (id == (version == 3 ? "TYER" : "TDRC"))
        return kId3Year;
    return -1;
}

void TakeFrame(int field, const uint8_t* content, size_t n, Id3Texts& texts)
{
    if (field < 0)
        return;
    if (field == kId3Comment) {
        texts[field] = CommentFrameContent(content, n);
        return;
    }
    texts[field] = TextFrameContent(content, n);
    if (field == kId3Genre)
        texts[field] = ResolveGenreReference(texts[field]);
}

bool Walk22(const uint8_t* p, size_t n, uint8_t flags, Id3Texts& texts)
{
    if (flags & kExtendedHeader)
        return false;
    std::vector<uint8_t> plain;
    if (flags & kUnsynchronised) {
        plain = RemoveUnsynchronisation(p, n);
        p = plain.data();
        n = plain.size();
    }
    while (n > 6 && p[0] != 0) {
        // Frame sizes of 2.2 are plain 24-bit numbers.
        const uint32_t size = BigEndian(p + 3, 3);
        if (size > n - 6)
            return false;
        TakeFrame(FieldOf(std::string_view(reinterpret_cast<const char*>(p), 3), 2), p + 6, size, texts);
        p += 6 + size;
        n -= 6 + size;
    }
    return true;
}

bool Walk23(const uint8_t* p, size_t n, uint8_t flags, Id3Texts& texts)
{
    std::vector<uint8_t> plain;
    if (flags & kUnsynchronised) {
        plain = RemoveUnsynchronisation(p, n);
        p = plain.data();
        n = plain.size();
    }
    if (flags & kExtendedHeader) {
        // The size field does not count its own four bytes.
        if (n < 4)
            return false;
        const uint32_t size = BigEndian(p, 4);
        if (size > n - 4)
            return false;
        p += 4 + size;
        n -= 4 + size;
    }
    while (n > 10 && p[0] != 0) {
        // Frame sizes of 2.3 are plain 32-bit numbers.
        const uint32_t size = BigEndian(p + 4, 4);
        if (size == 0 || size > n - 10)
            return false;
        // Compressed, encrypted or grouped frames hold no plain text.
        if ((p[9] & 0xE0) == 0)
            TakeFrame(FieldOf(std::string_view(reinterpret_cast<const char*>(p), 4), 3), p + 10, size, texts);
        p += 10 + size;
        n -= 10 + size;
    }
    return true;
}

void TakeFrame24(const uint8_t* header, const uint8_t* content, size_t n, Id3Texts& texts)
{
    const uint8_t format = header[9];
    if (format & 0x0C)  // compressed or encrypted
        return;
    const int field = FieldOf(std::string_view(reinterpret_cast<const char*>(header), 4), 4);
    if (field < 0)
        return;
    std::vector<uint8_t> plain;
    if (format & 0x02) {
        plain = RemoveUnsynchronisation(content, n);
        content = plain.data();
        n = plain.size();
    }
    // A group id byte, then a 4-byte data length, come before the text.
    const size_t extra = ((format & 0x40) ? 1 : 0) + ((format & 0x01) ? 4 : 0);
    if (extra > n)
        return;
    TakeFrame(field, content + extra, n - extra, texts);
}

bool Walk24(const uint8_t* p, size_t n, uint8_t flags, uint32_t tagSize, Id3Texts& texts)
{
    if (flags & kExtendedHeader) {
        uint32_t size = 0;
        if (n < 4 || !SyncSafe(p, size) || size < 6 || size > tagSize || size > n)
            return false;
        p += size;
        n -= size;
    }
    while (n >= 11 && p[0] != 0) {
        uint32_t size = 0;
        if (!SyncSafe(p + 4, size) || size == 0 || size > n - 10)
            return false;
        TakeFrame24(p, p + 10, size, texts);
        p += 10 + size;
        n -= 10 + size;
    }
    return true;
}

}  // namespace

void ReadId3v1(const uint8_t* record, Id3Texts& texts)
{
    texts[kId3Title] = TrimmedField(record + 3, 30);
    texts[kId3Artist] = TrimmedField(record + 33, 30);
    texts[kId3Album] = TrimmedField(record + 63, 30);
    texts[kId3Year] = TrimmedField(record + 93, 4);
    texts[kId3Comment] = platform::LegacyToUtf8(record + 97, 30);
    // ID3v1.1: a zero at comment byte 28 makes byte 29 the track.
    texts[kId3Track] = std::to_string(record[125] == 0 ? record[126] : 0);
    const char* genre = Id3GenreName(record[127]);
    texts[kId3Genre] = genre ? genre : "";
}

size_t Id3v2TagBytes(const uint8_t* data, size_t size)
{
    if (data == nullptr || size <= 9 || std::memcmp(data, "ID3", 3) != 0)
        return 0;
    uint32_t tagSize = 0;
    if (!SyncSafe(data + 6, tagSize))
        return 0;
    const size_t footer = (data[5] & 0x10) ? 10 : 0;
    const size_t total = size_t(tagSize) + 10 + footer;
    return total <= size ? total : 0;
}

bool ReadId3v2(const uint8_t* data, size_t size, Id3Texts& texts)
{
    for (std::string& text : texts)
        text.clear();
    const size_t total = Id3v2TagBytes(data, size);
    if (total == 0 || data[3] == 0xFF || data[4] == 0xFF)
        return false;
    const uint8_t flags = data[5];
    const uint32_t tagSize = uint32_t(total - 10);
    const uint8_t* frames = data + 10;
    switch (data[3]) {
    case 2:
        return Walk22(frames, tagSize, flags, texts);
    case 3:
        return Walk23(frames, tagSize, flags, texts);
    case 4:
        return Walk24(frames, tagSize, flags, tagSize, texts);
    default:
        return false;
    }
}
