#include "kvostudio/include/convert/tagtext.h"

#include <cstring>
#include <string>

namespace {

enum class Encoding { Bytes, Utf16Le, Utf16Be, Utf8 };

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// UTF-16 up to a zero unit or the end; a mark at the start is dropped and
// unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const uint8_t* p, size_t size, bool bigEndian)
{
    std::string out;
    const size_t units = size / 2;
    auto unit = [&](size_t i) -> uint32_t {
        return bigEndian ? (uint32_t(p[2 * i]) << 8 | p[2 * i + 1]) : (uint32_t(p[2 * i + 1]) << 8 | p[2 * i]);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = unit(i);
        if (u == 0) break;
        if (i == 0 && u == 0xFEFF) continue;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? 0xFFFD : u);
    }
    return out;
}

std::string BytesToZero(const uint8_t* p, size_t size)
{
    const void* zero = std::memchr(p, 0, size);
    return std::string(reinterpret_cast<const char*>(p), zero ? static_cast<const uint8_t*>(zero) - p : size);
}

std::string Decode(Encoding enc, const uint8_t* p, size_t size)
{
    switch (enc) {
    case Encoding::Bytes:
    case Encoding::Utf8:
        return BytesToZero(p, size);
    case Encoding::Utf16Be:
        return Utf16ToUtf8(p, size, true);
    case Encoding::Utf16Le:
        return Utf16ToUtf8(p, size, false);
    }
    return std::string();
}

// The encoding of UTF-16 text at p by its mark; little-endian without one.
Encoding Utf16ByMark(const uint8_t* p, size_t size)
{
    return (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) ? Encoding::Utf16Be : Encoding::Utf16Le;
}

void Store(const std::string& text, char* field, size_t fieldSize)
{
    if (!field || fieldSize == 0) return;
    size_t n = text.size() < fieldSize - 1 ? text.size() : fieldSize - 1;
    // Back off to the start of a UTF-8 sequence when the cut falls inside one.
    if (n < text.size())
        while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) --n;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

}  // namespace

void TagTextToField(const uint8_t* data, size_t size, char* field, size_t fieldSize)
{
    if (!field || fieldSize == 0) return;
    field[0] = '\0';
    if (!data || size == 0) return;
    const uint8_t enc = data[0];
    const uint8_t* text = data + 1;
    const size_t len = size - 1;
    std::string s;
    if (enc == 0) s = Decode(Encoding::Bytes, text, len);
    else if (enc == 2) s = Decode(Encoding::Utf16Be, text, len);
    else if (enc == 3) s = Decode(Encoding::Utf8, text, len);
    else if (enc == 1 || (len >= 2 && text[0] == 0xFF && text[1] == 0xFE)) s = Decode(Utf16ByMark(text, len), text, len);
    Store(s, field, fieldSize);
}

void TagCommentToField(const uint8_t* data, size_t size, char* field, size_t fieldSize)
{
    if (!field || fieldSize == 0) return;
    field[0] = '\0';
    if (!data || size < 4) return;
    const uint8_t enc = data[0];
    const bool wide = enc == 1 || enc == 2;
    // Step over the description and its terminator.
    size_t at = 4;
    if (wide) {
        while (at + 1 < size && !(data[at] == 0 && data[at + 1] == 0)) at += 2;
        at += 2;
    } else {
        while (at < size && data[at] != 0) ++at;
        at += 1;
    }
    if (at >= size) return;
    const uint8_t* text = data + at;
    const size_t len = size - at;
    Encoding e = Encoding::Bytes;
    if (enc == 1) e = Utf16ByMark(text, len);
    else if (enc == 2) e = Encoding::Utf16Be;
    else if (enc == 3) e = Encoding::Utf8;
    else if (enc != 0) return;
    Store(Decode(e, text, len), field, fieldSize);
}
