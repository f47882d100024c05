#pragma once
// INI text as a private-profile file holds it: "[section]" lines, then
// "key=value" lines. Section and key names compare without regard to ASCII
// case; blanks (spaces, tabs) around names and values are not part of them;
// a value wrapped in a matching pair of quotes reads without them. The first
// matching section and key win. Lines the reader does not understand are
// kept as they are.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ini {

// The value stored under section/key; nullopt when there is none. A key
// that is present with nothing after '=' reads as an empty value.
std::optional<std::string> FindValue(std::string_view text, std::string_view section, std::string_view key);

// The text with section/key set to value: an existing key line is replaced
// in place, a new key goes after the last entry of its section, a new
// section is appended at the end. Every other line keeps its bytes and its
// place; all lines end with CRLF in the result. The caller checks the
// names and value with CanStore first.
std::string SetValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value);

// Whether the names and value can be stored and read back as they are: no
// line breaks or zero bytes anywhere, non-empty names, no ']' in the
// section, no '=' in the key and no key that would read as a section line.
bool CanStore(std::string_view section, std::string_view key, std::string_view value);

// Copies value into buffer (size bytes) followed by a zero, cut to size - 1
// bytes and never in the middle of a UTF-8 character. Returns the number of
// bytes copied; nothing is written when size is 0.
size_t CopyTruncated(std::string_view value, char* buffer, size_t size);

}  // namespace platform::ini
