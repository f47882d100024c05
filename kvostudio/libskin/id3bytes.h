#pragma once
// Byte-level pieces of the ID3v2 format: sync-safe integers and the
// unsynchronisation scheme that keeps a tag from looking like MPEG sync.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace id3 {

// Four 7-bit groups, most significant first; the top bit of each byte is ignored.
uint32_t ReadSyncSafe(const uint8_t* p);
// The low 28 bits of value as four 7-bit groups.
void WriteSyncSafe(uint32_t value, uint8_t* out);

uint32_t ReadBigEndian(const uint8_t* p, int bytes);
void WriteBigEndian(uint32_t value, int bytes, uint8_t* out);

// Inserts a zero after every 0xFF that is followed by 0x00 or a byte of
// 0xE0 or more.
std::vector<uint8_t> Unsynchronise(const uint8_t* p, size_t n);
// Removes every zero that directly follows a 0xFF.
std::vector<uint8_t> RemoveUnsynchronisation(const uint8_t* p, size_t n);

}  // namespace id3
