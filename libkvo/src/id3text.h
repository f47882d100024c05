#pragma once
// Texts of the tags the players read, turned into the program's UTF-8:
// frame texts by their encoding byte, comment frames, the ID3v1 genre
// names and the "(n)" genre references, and unsynchronised bytes undone.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The name of ID3v1 genre number n; null for 148 and above.
const char* Id3GenreName(unsigned n);

// A "(n)" reference of 1 to 3 digits at the start of a genre text longer
// than 3 bytes becomes the genre's name when n is below 148; any other
// text is returned as it is.
std::string ResolveGenreReference(const std::string& text);

// Text of 'n' bytes in a frame's encoding (0 single-byte, 1 UTF-16 with an
// optional byte-order mark, 2 UTF-16 big-endian, 3 UTF-8, other single-
// byte), up to its terminator.
std::string DecodeTagText(uint8_t encoding, const uint8_t* p, size_t n);

// A text frame's content: the encoding byte, then the text. One byte or
// less gives an empty text.
std::string TextFrameContent(const uint8_t* content, size_t n);

// A comment frame's content (encoding, 3-byte language, short description
// and its terminator, text): the description when it is not empty, else
// the text. Contents of 5 bytes or less give an empty text.
std::string CommentFrameContent(const uint8_t* content, size_t n);

// Every 0x00 that directly follows a 0xFF is dropped.
std::vector<uint8_t> RemoveUnsynchronisation(const uint8_t* p, size_t n);
