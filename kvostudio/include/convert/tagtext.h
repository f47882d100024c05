#pragma once
// Texts of the container's tag frames, decoded by their encoding byte into
// fixed zero-terminated UTF-8 fields. A field is always terminated and never
// ends inside a character.

#include <cstddef>
#include <cstdint>

// A text frame: encoding byte, then the text. Encoding 0 bytes are copied
// as they are up to a zero; 1 is UTF-16 with a byte-order mark (little-
// endian when it has none); 2 UTF-16 big-endian; 3 UTF-8.
void TagTextToField(const uint8_t* data, size_t size, char* field, size_t fieldSize);

// A lyrics or comment frame: encoding byte, 3-byte language, a description
// ended by a zero of its encoding, then the text.
void TagCommentToField(const uint8_t* data, size_t size, char* field, size_t fieldSize);
