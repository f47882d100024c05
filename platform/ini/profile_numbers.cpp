#include "platform/ini/profile_numbers.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace platform::ini {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int ParseInt(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long magnitude = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

std::string FormatInt(int value) { return std::to_string(value); }

std::optional<std::string> FormatReal(double value)
{
    if (!std::isfinite(value)) return std::nullopt;
    // to_chars never looks at the locale, so a comma-decimal user still
    // writes a file that every reader takes.
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec != std::errc()) return std::nullopt;
    return std::string(buffer, end);
}

float ParseReal(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    text.remove_prefix(i);
    // from_chars takes a '-' but not a '+'; strtod-style readers take both.
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    // Only plain decimal numbers are settings; a leading letter (inf, nan)
    // or a second sign is not one.
    if (text.empty() || !(IsDigit(text[0]) || text[0] == '.')) return 0.0f;
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    (void)ptr;
    if (ec != std::errc() || !std::isfinite(value)) return 0.0f;
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) return 0.0f;
    float result = static_cast<float>(value);
    return negative ? -result : result;
}

}  // namespace platform::ini
