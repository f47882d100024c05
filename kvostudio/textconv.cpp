#include "kvostudio/textconv.h"

#include <cstring>
#include <string>

#include "platform/text/unicode.h"

namespace {

constexpr size_t kMaxUtf8Units = 200;

}  // namespace

int AnsiToUtf8(const char* text, char* out)
{
    if (text == nullptr || out == nullptr) return 0;
    const size_t length = std::strlen(text);
    // The limit holds for the text as UTF-16 units and as UTF-8 bytes.
    if (platform::Utf8ToUtf16(std::string_view(text, length)).size() > kMaxUtf8Units) return 0;
    const std::string utf8 = platform::CleanUtf8(reinterpret_cast<const uint8_t*>(text), length);
    if (utf8.size() > kMaxUtf8Units) return 0;
    std::memcpy(out, utf8.data(), utf8.size());
    out[utf8.size()] = '\0';
    return static_cast<int>(utf8.size());
}

char16_t* AnsiToWide(const char* text)
{
    if (text == nullptr) return nullptr;
    const size_t length = std::strlen(text);
    // Each byte gives at most one unit (a four-byte character gives two),
    // so length + 2 always holds the text and its zero.
    char16_t* wide = new char16_t[length + 2]();
    const std::u16string units = platform::Utf8ToUtf16(std::string_view(text, length));
    std::memcpy(wide, units.data(), units.size() * sizeof(char16_t));
    return wide;
}
