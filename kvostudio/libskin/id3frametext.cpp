#include "kvostudio/libskin/id3frametext.h"

#include <cstring>

#include "platform/text/unicode.h"

namespace id3 {

namespace {

using Bytes = std::vector<uint8_t>;

bool Has(const Bytes& d, size_t at, uint8_t a, uint8_t b) { return d.size() >= at + 2 && d[at] == a && d[at + 1] == b; }

std::string Utf16From(const Bytes& d, size_t at, bool bigEndian) {
    if (at >= d.size()) return {};
    return platform::Utf16ToUtf8(d.data() + at, (d.size() - at) / 2, bigEndian);
}

// Offset just behind the 2-byte zero unit that ends a UTF-16 description
// starting at 'at'; 0 when there is none.
size_t SkipUtf16Description(const Bytes& d, size_t at) {
    for (size_t p = at; p + 1 < d.size(); p += 2)
        if (d[p] == 0 && d[p + 1] == 0) return p + 2;
    return 0;
}

// Offset just behind the zero byte that ends a single-byte description.
size_t SkipByteDescription(const Bytes& d, size_t at) {
    for (size_t p = at; p < d.size(); ++p)
        if (d[p] == 0) return p + 1;
    return 0;
}

// After the encoding byte (and the language for COMM and USLT), at 'at':
// a description and then the text, in the frame's encoding.
std::string DescribedText(const Bytes& d, size_t at, bool markedUtf16) {
    switch (d[0]) {
    case 1: {
        if (!markedUtf16) return {};
        const bool bigEndian = d[at] == 0xFE;
        const size_t end = SkipUtf16Description(d, at + 2);
        if (end == 0) return {};
        if (!Has(d, end, bigEndian ? 0xFE : 0xFF, bigEndian ? 0xFF : 0xFE)) return {};
        return Utf16From(d, end + 2, bigEndian);
    }
    case 2: {
        const size_t end = SkipUtf16Description(d, at);
        return end == 0 ? std::string() : Utf16From(d, end, true);
    }
    case 3: {
        const size_t end = SkipByteDescription(d, at);
        return end == 0 ? std::string() : platform::CleanUtf8(d.data() + end, d.size() - end);
    }
    case 0: {
        const size_t end = SkipByteDescription(d, at);
        return end == 0 ? std::string() : platform::LegacyToUtf8(d.data() + end, d.size() - end);
    }
    }
    return {};
}

void Append(Bytes& out, std::initializer_list<uint8_t> bytes) { out.insert(out.end(), bytes); }

void AppendText(Bytes& out, int encoding, const std::string& text) {
    if (encoding == 0 || encoding == 3) {
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(0);
        return;
    }
    const bool bigEndian = encoding == 2;
    for (char16_t u : platform::Utf8ToUtf16(text)) {
        const uint8_t hi = uint8_t(u >> 8), lo = uint8_t(u & 0xFF);
        if (bigEndian) Append(out, {hi, lo});
        else Append(out, {lo, hi});
    }
    Append(out, {0, 0});
}

}  // namespace

std::string DecodeFrameText(const char id[4], const std::vector<uint8_t>& d) {
    const size_t n = d.size();
    if (n == 0) return {};
    if (id[0] == 'T') {
        if (n >= 4 && Has(d, 0, 1, 0xFF) && d[2] == 0xFE) return Utf16From(d, 3, false);
        if (n >= 4 && Has(d, 0, 1, 0xFE) && d[2] == 0xFF) return Utf16From(d, 3, true);
        if (d[0] == 2) return Utf16From(d, 1, true);
        if (d[0] == 3) return platform::CleanUtf8(d.data() + 1, n - 1);
        if (d[0] == 0) return platform::LegacyToUtf8(d.data() + 1, n - 1);
        return {};
    }
    if (std::memcmp(id, "COMM", 4) == 0 || std::memcmp(id, "USLT", 4) == 0) {
        // Encoding byte, three bytes of language, then description and text.
        if (d[0] == 1) {
            const bool marked = n >= 10 && (Has(d, 4, 0xFF, 0xFE) || Has(d, 4, 0xFE, 0xFF));
            return marked ? DescribedText(d, 4, true) : std::string();
        }
        return n >= 5 ? DescribedText(d, 4, false) : std::string();
    }
    if (id[0] == 'W') {
        if (d[0] == 1) {
            const bool marked = n >= 4 && (Has(d, 1, 0xFF, 0xFE) || Has(d, 1, 0xFE, 0xFF));
            return marked ? DescribedText(d, 1, true) : std::string();
        }
        if (d[0] == 0 && n < 2) return {};
        return DescribedText(d, 1, false);
    }
    return {};
}

std::optional<std::vector<uint8_t>> EncodeFrameText(const char id[4], int encoding, const std::string& text) {
    if (encoding < 0 || encoding > 3) encoding = 0;
    const uint8_t e = uint8_t(encoding);
    Bytes out;
    if (id[0] == 'T') {
        out.push_back(e);
        if (e == 1) Append(out, {0xFF, 0xFE});
    } else if (id[0] == 'W' || std::memcmp(id, "COMM", 4) == 0) {
        out.push_back(e);
        if (id[0] == 'C') Append(out, {'e', 'n', 'g'});
        // An empty description, then the text's own mark where UTF-16 has one.
        switch (e) {
        case 0: case 3: Append(out, {0}); break;
        case 1: Append(out, {0xFF, 0xFE, 0, 0, 0xFF, 0xFE}); break;
        case 2: Append(out, {0, 0}); break;
        }
    } else {
        return std::nullopt;
    }
    AppendText(out, e, text);
    return out;
}

}  // namespace id3

