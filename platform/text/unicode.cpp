#include "platform/text/unicode.h"

#include <cstring>

namespace platform {

namespace {

bool IsScalarValue(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

size_t UpToZero(const uint8_t* p, size_t n)
{
    const void* zero = n ? std::memchr(p, 0, n) : nullptr;
    return zero ? size_t(static_cast<const uint8_t*>(zero) - p) : n;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp)
{
    if (!IsScalarValue(cp)) cp = kReplacementCharacter;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

size_t DecodeUtf8Sequence(const uint8_t* p, size_t n, char32_t& cp)
{
    const uint8_t b = p[0];
    size_t len;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4, cp = b & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (len > n) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    // Overlong forms would let one character hide behind several spellings.
    if (cp < min || !IsScalarValue(cp)) return 0;
    return len;
}

std::string Utf16ToUtf8(const uint8_t* p, size_t units, bool bigEndian)
{
    std::string out;
    auto unitAt = [&](size_t k) -> char32_t {
        const uint8_t a = p[2 * k], b = p[2 * k + 1];
        return bigEndian ? char32_t(a) << 8 | b : char32_t(b) << 8 | a;
    };
    for (size_t k = 0; k < units; ++k) {
        const char32_t u = unitAt(k);
        if (u == 0) break;
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < units) {
            const char32_t low = unitAt(k + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++k;
                continue;
            }
        }
        AppendUtf8(out, u);  // a lone surrogate comes out as U+FFFD
    }
    return out;
}

std::string CleanUtf8(const uint8_t* p, size_t n)
{
    n = UpToZero(p, n);
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        char32_t cp;
        const size_t len = DecodeUtf8Sequence(p + i, n - i, cp);
        if (len == 0) {
            AppendUtf8(out, kReplacementCharacter);
            ++i;
        } else {
            out.append(reinterpret_cast<const char*>(p + i), len);
            i += len;
        }
    }
    return out;
}

std::string LegacyToUtf8(const uint8_t* p, size_t n)
{
    n = UpToZero(p, n);
    for (size_t i = 0; i < n;) {
        char32_t cp;
        const size_t len = DecodeUtf8Sequence(p + i, n - i, cp);
        if (len == 0) {
            // One stray byte means the whole text is the legacy encoding.
            std::string out;
            for (size_t k = 0; k < n; ++k) AppendUtf8(out, p[k]);
            return out;
        }
        i += len;
    }
    return std::string(reinterpret_cast<const char*>(p), n);
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    const auto* p = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        char32_t cp;
        size_t len = DecodeUtf8Sequence(p + i, n - i, cp);
        if (len == 0) {
            cp = kReplacementCharacter;
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

}  // namespace platform
