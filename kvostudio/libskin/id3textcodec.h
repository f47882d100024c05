#pragma once
// Text conversions for tag frames. The program's texts are UTF-8; tags
// carry UTF-16 in either byte order, UTF-8, or single-byte legacy text.

#include <cstddef>
#include <cstdint>
#include <string>

namespace id3 {

// UTF-16 code units from p (units * 2 bytes), to the first zero unit.
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const uint8_t* p, size_t units, bool bigEndian);
// UTF-8 bytes to the first zero byte; invalid sequences become U+FFFD.
std::string CleanUtf8(const uint8_t* p, size_t n);
// Single-byte text to the first zero byte: kept when it already is valid
// UTF-8 (what this program writes), else read as ISO-8859-1, the legacy
// encoding of tags.
std::string LegacyToUtf8(const uint8_t* p, size_t n);
// UTF-8 text as UTF-16 units, without a terminator.
std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace id3
