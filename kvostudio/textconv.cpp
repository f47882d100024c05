#include "kvostudio/textconv.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr size_t kMaxUtf8Units = 200;

// Decodes UTF-8; every byte that does not start a well-formed character
// (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut
// short) becomes one U+FFFD, so the output is always valid text.
std::vector<char32_t> DecodeUtf8(const char* text, size_t length)
{
    std::vector<char32_t> out;
    out.reserve(length);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < length) {
        unsigned char b = s[i];
        int extra = 0;
        char32_t cp = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, minimum = 0x10000;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        bool ok = i + static_cast<size_t>(extra) < length;
        for (int k = 1; ok && k <= extra; ++k) {
            unsigned char c = s[i + static_cast<size_t>(k)];
            if ((c & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (c & 0x3F);
        }
        if (ok && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

size_t Utf16Units(char32_t cp) { return cp >= 0x10000 ? 2 : 1; }

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

int AnsiToUtf8(const char* text, char* out)
{
    if (text == nullptr || out == nullptr) return 0;
    std::vector<char32_t> chars = DecodeUtf8(text, std::strlen(text));
    size_t units = 0;
    for (char32_t cp : chars) units += Utf16Units(cp);
    if (units > kMaxUtf8Units) return 0;
    std::string utf8;
    for (char32_t cp : chars) AppendUtf8(utf8, cp);
    if (utf8.size() > kMaxUtf8Units) return 0;
    std::memcpy(out, utf8.data(), utf8.size());
    out[utf8.size()] = '\0';
    return static_cast<int>(utf8.size());
}

char16_t* AnsiToWide(const char* text)
{
    if (text == nullptr) return nullptr;
    size_t length = std::strlen(text);
    // Each byte gives at most one unit (a four-byte character gives two),
    // so length + 2 always holds the text and its zero.
    char16_t* wide = new char16_t[length + 2]();
    size_t n = 0;
    for (char32_t cp : DecodeUtf8(text, length)) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide[n++] = static_cast<char16_t>(0xD800 | (cp >> 10));
            wide[n++] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
        } else {
            wide[n++] = static_cast<char16_t>(cp);
        }
    }
    return wide;
}
