#pragma once
// Conversions between the program's UTF-8 texts and the encodings that
// files, tags and libraries hand it. Everything that is not valid text
// comes out as U+FFFD, so a result is always valid UTF-8 (or UTF-16).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends cp as UTF-8. A value that is not a Unicode scalar value (a
// surrogate, or above U+10FFFF) is written as U+FFFD.
void AppendUtf8(std::string& out, char32_t cp);

// The length of the UTF-8 sequence at p (n bytes available, n > 0) and its
// code point in cp; 0 when the bytes there are not a complete, shortest-
// form sequence of a scalar value (cp is then unspecified).
size_t DecodeUtf8Sequence(const uint8_t* p, size_t n, char32_t& cp);

// UTF-16 code units from p (units * 2 bytes) in the given byte order, to
// the first zero unit. Surrogate pairs are joined; an unpaired surrogate
// becomes U+FFFD. A byte-order mark is not treated specially.
std::string Utf16ToUtf8(const uint8_t* p, size_t units, bool bigEndian);

// UTF-8 bytes to the first zero byte (or n). Valid sequences are kept as
// they are; each byte that does not start one becomes U+FFFD.
std::string CleanUtf8(const uint8_t* p, size_t n);

// Single-byte text to the first zero byte (or n): kept as it is when the
// whole of it is valid UTF-8 (what this program writes), else every byte
// is read as ISO-8859-1, the legacy encoding of tags.
std::string LegacyToUtf8(const uint8_t* p, size_t n);

// UTF-8 text as UTF-16 units, without a terminator; embedded zeros are
// kept. Each byte that does not start a valid sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace platform
