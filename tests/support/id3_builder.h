// ID3 tags built byte by byte for tests, following the ID3 formats on
// their own (not the program's reader): ID3v1/v1.1 records, and ID3v2.2,
// 2.3 and 2.4 tags with every text encoding, unsynchronisation, extended
// headers, the 2.4 footer and data length indicators, plus ways to lie
// about sizes for tests of hostile tags.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// The encoding byte of text frames. Texts are given as UTF-8; Latin1
// converts them (characters beyond U+00FF become '?').
enum class Id3Text : uint8_t { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3 };

// One string in an encoding: a byte-order mark for Utf16 (FF FE, or FE FF
// when bigEndianMark), and a terminator when asked.
std::vector<uint8_t> Id3String(Id3Text encoding, const std::string& text, bool terminate,
                               bool bigEndianMark = false);

// Frame data of a plain text frame (T...): encoding byte and the text.
std::vector<uint8_t> Id3TextData(Id3Text encoding, const std::string& text, bool bigEndianMark = false);
// Frame data of COMM and USLT: encoding, language, description, text.
std::vector<uint8_t> Id3CommentData(Id3Text encoding, const std::string& language, const std::string& description,
                                    const std::string& text, bool bigEndianMark = false);
// Frame data of TXXX: encoding, description, value.
std::vector<uint8_t> Id3UserTextData(Id3Text encoding, const std::string& description, const std::string& value);
// Frame data of WXXX: encoding, description, then the URL in ISO-8859-1.
std::vector<uint8_t> Id3UrlData(Id3Text encoding, const std::string& description, const std::string& url);

class Id3v2Builder {
public:
    // major 2, 3 or 4.
    explicit Id3v2Builder(int major, int revision = 0);

    // A frame with its ID (three characters for 2.2) and data; flags are
    // written as given (2.3 and 2.4). claimedSize replaces the true size in
    // the frame header.
    Id3v2Builder& Frame(const std::string& id, std::vector<uint8_t> data, uint16_t flags = 0,
                        std::optional<uint32_t> claimedSize = std::nullopt);
    Id3v2Builder& Text(const std::string& id, Id3Text encoding, const std::string& text, bool bigEndianMark = false);

    // Unsynchronisation: of the whole tag body for 2.2 and 2.3; for 2.4 of
    // each frame, with the frame flag set too.
    Id3v2Builder& Unsynchronised(bool on = true);
    Id3v2Builder& ExtendedHeader(bool on = true);
    Id3v2Builder& Footer(bool on = true);                    // 2.4 only
    Id3v2Builder& DataLengthIndicators(bool on = true);      // 2.4 only
    Id3v2Builder& Padding(size_t bytes);
    // Written as the tag size instead of the true one.
    Id3v2Builder& ClaimedTagSize(uint32_t size);

    std::vector<uint8_t> Build() const;

private:
    struct Entry {
        std::string id;
        std::vector<uint8_t> data;
        uint16_t flags;
        std::optional<uint32_t> claimedSize;
    };
    std::vector<uint8_t> FrameBytes(const Entry& entry) const;

    int major_;
    int revision_;
    std::vector<Entry> frames_;
    bool unsynchronised_ = false;
    bool extended_ = false;
    bool footer_ = false;
    bool lengthIndicators_ = false;
    size_t padding_ = 0;
    std::optional<uint32_t> claimedTagSize_;
};

struct Id3v1Fields {
    std::string title, artist, album, year, comment;   // ISO-8859-1 bytes, cut to their fields
    int track = 0;                                     // 1..255 makes a v1.1 record
    uint8_t genre = 255;
};
// The 128-byte record that ends a file.
std::vector<uint8_t> BuildId3v1(const Id3v1Fields& fields);

// Sync-safe and unsynchronisation helpers of the format, for tests that
// craft tags by hand.
void PutSyncSafe(uint32_t value, uint8_t* out);
std::vector<uint8_t> Unsynchronise(const std::vector<uint8_t>& bytes);

}  // namespace testsupport
