#pragma once
// The text inside the text-bearing frames (T..., W..., COMM, USLT), read
// in every encoding and written in the tag's encoding, in the layouts the
// program reads and writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace id3 {

// The frame's text as UTF-8; empty for frames of other kinds and for any
// layout that does not hold together (missing terminator or mark, unknown
// encoding byte). Never reads outside data.
std::string DecodeFrameText(const char id[4], const std::vector<uint8_t>& data);

// The frame data for text in encoding 0..3 (0 writes the program's own
// text bytes). Nothing for frames other than T..., W... and COMM.
std::optional<std::vector<uint8_t>> EncodeFrameText(const char id[4], int encoding, const std::string& text);

}  // namespace id3
