#include "kvostudio/libskin/id3textcodec.h"

namespace id3 {

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | cp >> 6));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | cp >> 12));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | cp >> 18));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at p[i..n); returns its length, or 0 when it
// is not a valid, shortest-form sequence of a scalar value.
size_t DecodeUtf8(const uint8_t* p, size_t i, size_t n, uint32_t& cp) {
    const uint8_t b = p[i];
    size_t len;
    uint32_t min;
    if (b < 0x80) { cp = b; return 1; }
    if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; min = 0x80; }
    else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; min = 0x800; }
    else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; min = 0x10000; }
    else return 0;
    if (n - i < len) return 0;
    for (size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

size_t TextLength(const uint8_t* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len] != 0) ++len;
    return len;
}

}  // namespace

std::string Utf16ToUtf8(const uint8_t* p, size_t units, bool bigEndian) {
    std::string out;
    auto unitAt = [&](size_t k) -> uint32_t {
        const uint8_t a = p[2 * k], b = p[2 * k + 1];
        return bigEndian ? uint32_t(a) << 8 | b : uint32_t(b) << 8 | a;
    };
    for (size_t k = 0; k < units; ++k) {
        uint32_t u = unitAt(k);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const uint32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
    }
    return out;
}

std::string CleanUtf8(const uint8_t* p, size_t n) {
    n = TextLength(p, n);
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        const size_t len = DecodeUtf8(p, i, n, cp);
        if (len == 0) {
            AppendUtf8(out, kReplacement);
            ++i;
        } else {
            out.append(reinterpret_cast<const char*>(p + i), len);
            i += len;
        }
    }
    return out;
}

std::string LegacyToUtf8(const uint8_t* p, size_t n) {
    n = TextLength(p, n);
    bool valid = true;
    for (size_t i = 0; i < n && valid;) {
        uint32_t cp;
        const size_t len = DecodeUtf8(p, i, n, cp);
        valid = len != 0;
        i += len;
    }
    if (valid) return std::string(reinterpret_cast<const char*>(p), n);
    std::string out;
    for (size_t i = 0; i < n; ++i) AppendUtf8(out, p[i]);
    return out;
}

std::u16string Utf8ToUtf16(const std::string& text) {
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        uint32_t cp;
        size_t len = DecodeUtf8(p, i, n, cp);
        if (len == 0) {
            cp = kReplacement;
            len = 1;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

}  // namespace id3
