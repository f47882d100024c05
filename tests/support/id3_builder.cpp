#include "tests/support/id3_builder.h"

#include <stdexcept>

namespace testsupport {

namespace {

// Code points of a UTF-8 text (the tests' own, so assumed valid).
std::vector<uint32_t> CodePoints(const std::string& text) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < text.size();) {
        const uint8_t b = uint8_t(text[i]);
        int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : 4;
        uint32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        for (int k = 1; k < len && i + k < text.size(); ++k) cp = cp << 6 | (uint8_t(text[i + k]) & 0x3F);
        out.push_back(cp);
        i += size_t(len);
    }
    return out;
}

void PutUnit(std::vector<uint8_t>& out, uint16_t unit, bool bigEndian) {
    if (bigEndian) {
        out.push_back(uint8_t(unit >> 8));
        out.push_back(uint8_t(unit));
    } else {
        out.push_back(uint8_t(unit));
        out.push_back(uint8_t(unit >> 8));
    }
}

void PutBigEndian(uint32_t value, int bytes, std::vector<uint8_t>& out) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

void PutSyncSafeTo(uint32_t value, std::vector<uint8_t>& out) {
    uint8_t b[4];
    PutSyncSafe(value, b);
    out.insert(out.end(), b, b + 4);
}

}  // namespace

void PutSyncSafe(uint32_t value, uint8_t* out) {
    if (value >= (1u << 28)) throw std::invalid_argument("value does not fit a sync-safe integer");
    for (int i = 0; i < 4; ++i) out[i] = uint8_t((value >> (7 * (3 - i))) & 0x7F);
}

std::vector<uint8_t> Unsynchronise(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        const bool last = i + 1 == bytes.size();
        // A trailing 0xFF also gets its zero, so nothing that follows the
        // data can complete a false sync.
        if (bytes[i] == 0xFF && (last || bytes[i + 1] == 0x00 || (bytes[i + 1] & 0xE0) == 0xE0)) out.push_back(0x00);
    }
    return out;
}

std::vector<uint8_t> Id3String(Id3Text encoding, const std::string& text, bool terminate, bool bigEndianMark) {
    std::vector<uint8_t> out;
    switch (encoding) {
    case Id3Text::Latin1:
        for (uint32_t cp : CodePoints(text)) out.push_back(cp <= 0xFF ? uint8_t(cp) : uint8_t('?'));
        if (terminate) out.push_back(0);
        break;
    case Id3Text::Utf8:
        out.assign(text.begin(), text.end());
        if (terminate) out.push_back(0);
        break;
    case Id3Text::Utf16:
    case Id3Text::Utf16BE: {
        const bool bigEndian = encoding == Id3Text::Utf16BE || bigEndianMark;
        if (encoding == Id3Text::Utf16) PutUnit(out, 0xFEFF, bigEndian);
        for (uint32_t cp : CodePoints(text)) {
            if (cp >= 0x10000) {
                PutUnit(out, uint16_t(0xD800 + ((cp - 0x10000) >> 10)), bigEndian);
                PutUnit(out, uint16_t(0xDC00 + ((cp - 0x10000) & 0x3FF)), bigEndian);
            } else {
                PutUnit(out, uint16_t(cp), bigEndian);
            }
        }
        if (terminate) PutUnit(out, 0, bigEndian);
        break;
    }
    }
    return out;
}

std::vector<uint8_t> Id3TextData(Id3Text encoding, const std::string& text, bool bigEndianMark) {
    std::vector<uint8_t> out{uint8_t(encoding)};
    const auto s = Id3String(encoding, text, false, bigEndianMark);
    out.insert(out.end(), s.begin(), s.end());
    return out;
}

std::vector<uint8_t> Id3CommentData(Id3Text encoding, const std::string& language, const std::string& description,
                                    const std::string& text, bool bigEndianMark) {
    std::vector<uint8_t> out{uint8_t(encoding)};
    for (int i = 0; i < 3; ++i) out.push_back(i < int(language.size()) ? uint8_t(language[i]) : uint8_t(' '));
    const auto d = Id3String(encoding, description, true, bigEndianMark);
    const auto t = Id3String(encoding, text, false, bigEndianMark);
    out.insert(out.end(), d.begin(), d.end());
    out.insert(out.end(), t.begin(), t.end());
    return out;
}

std::vector<uint8_t> Id3UserTextData(Id3Text encoding, const std::string& description, const std::string& value) {
    std::vector<uint8_t> out{uint8_t(encoding)};
    const auto d = Id3String(encoding, description, true);
    const auto v = Id3String(encoding, value, false);
    out.insert(out.end(), d.begin(), d.end());
    out.insert(out.end(), v.begin(), v.end());
    return out;
}

std::vector<uint8_t> Id3UrlData(Id3Text encoding, const std::string& description, const std::string& url) {
    std::vector<uint8_t> out{uint8_t(encoding)};
    const auto d = Id3String(encoding, description, true);
    out.insert(out.end(), d.begin(), d.end());
    out.insert(out.end(), url.begin(), url.end());
    return out;
}

Id3v2Builder::Id3v2Builder(int major, int revision) : major_(major), revision_(revision) {
    if (major < 2 || major > 4) throw std::invalid_argument("ID3v2 major version must be 2, 3 or 4");
}

Id3v2Builder& Id3v2Builder::Frame(const std::string& id, std::vector<uint8_t> data, uint16_t flags,
                                  std::optional<uint32_t> claimedSize) {
    if (id.size() != (major_ == 2 ? 3u : 4u)) throw std::invalid_argument("frame ID of the wrong length: " + id);
    frames_.push_back({id, std::move(data), flags, claimedSize});
    return *this;
}

Id3v2Builder& Id3v2Builder::Text(const std::string& id, Id3Text encoding, const std::string& text, bool bigEndianMark) {
    return Frame(id, Id3TextData(encoding, text, bigEndianMark));
}

Id3v2Builder& Id3v2Builder::Unsynchronised(bool on) { unsynchronised_ = on; return *this; }
Id3v2Builder& Id3v2Builder::ExtendedHeader(bool on) { extended_ = on; return *this; }
Id3v2Builder& Id3v2Builder::Footer(bool on) { footer_ = on; return *this; }
Id3v2Builder& Id3v2Builder::DataLengthIndicators(bool on) { lengthIndicators_ = on; return *this; }
Id3v2Builder& Id3v2Builder::Padding(size_t bytes) { padding_ = bytes; return *this; }
Id3v2Builder& Id3v2Builder::ClaimedTagSize(uint32_t size) { claimedTagSize_ = size; return *this; }

std::vector<uint8_t> Id3v2Builder::FrameBytes(const Entry& entry) const {
    std::vector<uint8_t> data = entry.data;
    uint16_t flags = entry.flags;
    if (major_ == 4) {
        if (lengthIndicators_) {
            std::vector<uint8_t> withLength;
            PutSyncSafeTo(uint32_t(data.size()), withLength);
            withLength.insert(withLength.end(), data.begin(), data.end());
            data = std::move(withLength);
            flags |= 0x0001;
        }
        if (unsynchronised_) {
            data = Unsynchronise(data);
            flags |= 0x0002;
        }
    }
    const uint32_t size = entry.claimedSize.value_or(uint32_t(data.size()));
    std::vector<uint8_t> out(entry.id.begin(), entry.id.end());
    if (major_ == 2) {
        PutBigEndian(size, 3, out);
    } else {
        if (major_ == 3) PutBigEndian(size, 4, out);
        else PutSyncSafeTo(size, out);
        PutBigEndian(flags, 2, out);
    }
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<uint8_t> Id3v2Builder::Build() const {
    std::vector<uint8_t> body;
    if (extended_ && major_ == 3) {
        PutBigEndian(6, 4, body);               // size, not counting these four bytes
        PutBigEndian(0, 2, body);               // flags: no CRC
        PutBigEndian(uint32_t(padding_), 4, body);
    } else if (extended_ && major_ == 4) {
        PutSyncSafeTo(6, body);                 // size, counting itself
        body.push_back(1);                      // one flag byte
        body.push_back(0);                      // no flags set
    }
    for (const Entry& entry : frames_) {
        const auto bytes = FrameBytes(entry);
        body.insert(body.end(), bytes.begin(), bytes.end());
    }
    body.insert(body.end(), padding_, 0);
    if (unsynchronised_ && major_ < 4) body = Unsynchronise(body);

    uint8_t flags = 0;
    if (unsynchronised_) flags |= 0x80;
    if (extended_ && major_ > 2) flags |= 0x40;
    if (footer_ && major_ == 4) flags |= 0x10;
    std::vector<uint8_t> out{'I', 'D', '3', uint8_t(major_), uint8_t(revision_), flags};
    PutSyncSafeTo(claimedTagSize_.value_or(uint32_t(body.size())), out);
    out.insert(out.end(), body.begin(), body.end());
    if (footer_ && major_ == 4) {
        out.insert(out.end(), {'3', 'D', 'I', uint8_t(major_), uint8_t(revision_), flags});
        PutSyncSafeTo(claimedTagSize_.value_or(uint32_t(body.size())), out);
    }
    return out;
}

std::vector<uint8_t> BuildId3v1(const Id3v1Fields& fields) {
    std::vector<uint8_t> out(128, 0);
    out[0] = 'T';
    out[1] = 'A';
    out[2] = 'G';
    auto put = [&](const std::string& text, size_t at, size_t width) {
        for (size_t i = 0; i < width && i < text.size(); ++i) out[at + i] = uint8_t(text[i]);
    };
    put(fields.title, 3, 30);
    put(fields.artist, 33, 30);
    put(fields.album, 63, 30);
    put(fields.year, 93, 4);
    if (fields.track > 0) {
        put(fields.comment, 97, 28);
        out[125] = 0;
        out[126] = uint8_t(fields.track);
    } else {
        put(fields.comment, 97, 30);
    }
    out[127] = fields.genre;
    return out;
}

}  // namespace testsupport
