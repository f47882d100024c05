#include "kvostudio/include/convert/tagtext.h"

#include <cstring>
#include <string>

#include "platform/text/unicode.h"

namespace {

enum class Encoding { Bytes, Utf16Le, Utf16Be, Utf8 };

// UTF-16 up to a zero unit or the end; a mark at the start is dropped and
// unpaired surrogates become U+FFFD.
std::string Utf16Text(const uint8_t* p, size_t size, bool bigEndian)
{
    const bool marked = size >= 2 && (bigEndian ? (p[0] == 0xFE && p[1] == 0xFF) : (p[0] == 0xFF && p[1] == 0xFE));
    if (marked) p += 2, size -= 2;
    return platform::Utf16ToUtf8(p, size / 2, bigEndian);
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
        return Utf16Text(p, size, true);
    case Encoding::Utf16Le:
        return Utf16Text(p, size, false);
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
