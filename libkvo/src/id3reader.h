#pragma once
// The players' own tag reader. It pulls the seven main text fields out of
// a stream's trailing ID3v1 record or its leading ID3v2 tag (2.2, 2.3 or
// 2.4) and hands them back as UTF-8. Pure functions over the bytes in
// memory; every size read from the tag is checked against what is there.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// In the order of ID3_INFO.
enum Id3Field { kId3Title, kId3Artist, kId3Album, kId3Year, kId3Comment, kId3Track, kId3Genre, kId3FieldCount };
using Id3Texts = std::array<std::string, kId3FieldCount>;

constexpr size_t kId3v1Size = 128;

// Fills the texts from a 128-byte ID3v1 record (beginning with "TAG").
void ReadId3v1(const uint8_t* record, Id3Texts& texts);

// Fills the texts from the ID3v2 tag at the start of 'data'. False for a
// missing or damaged tag, an unknown version or a frame that does not fit;
// texts read before the failure stay in 'texts'.
bool ReadId3v2(const uint8_t* data, size_t size, Id3Texts& texts);

// Bytes of the ID3v2 tag at the start of 'data' (header, body and a footer
// when it has one), or 0 when none is there or it does not fit in 'size'.
size_t Id3v2TagBytes(const uint8_t* data, size_t size);
