#include "platform/ini/ini_text.h"

#include <cstring>
#include <vector>

namespace platform::ini {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

// Splits on LF, dropping one CR before it, so files written with either
// line end read alike. A text ending with a line end has no empty last line.
std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

// The section name when the line is a section line.
std::optional<std::string_view> SectionName(std::string_view line)
{
    std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[') return std::nullopt;
    t.remove_prefix(1);
    size_t close = t.find(']');
    if (close != std::string_view::npos) t = t.substr(0, close);
    return Trim(t);
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> KeyLine(std::string_view line)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view v)
{
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v.remove_prefix(1);
        v.remove_suffix(1);
    }
    return v;
}

std::string_view WithoutBom(std::string_view text)
{
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) text.remove_prefix(kUtf8Bom.size());
    return text;
}

}  // namespace

std::optional<std::string> FindValue(std::string_view text, std::string_view section, std::string_view key)
{
    section = Trim(section);
    key = Trim(key);
    bool inSection = false;
    for (std::string_view line : SplitLines(WithoutBom(text))) {
        if (auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection) continue;
        if (auto entry = KeyLine(line); entry && SameName(entry->key, key))
            return std::string(Unquote(entry->value));
    }
    return std::nullopt;
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view key, std::string_view value)
{
    section = Trim(section);
    key = Trim(key);
    const bool hasBom = text.substr(0, kUtf8Bom.size()) == kUtf8Bom;
    std::vector<std::string_view> lines = SplitLines(WithoutBom(text));

    // Find the key's line, or else where a new key goes: behind the last
    // non-blank line of the first matching section.
    std::optional<size_t> keyLine;
    std::optional<size_t> insertAfter;
    bool inSection = false;
    bool sectionSeen = false;
    for (size_t i = 0; i < lines.size() && !keyLine; ++i) {
        if (auto name = SectionName(lines[i])) {
            if (sectionSeen && inSection) break;  // the first matching section has ended
            inSection = SameName(*name, section);
            if (inSection) {
                sectionSeen = true;
                insertAfter = i;
            }
            continue;
        }
        if (!inSection) continue;
        if (auto entry = KeyLine(lines[i]); entry && SameName(entry->key, key)) keyLine = i;
        else if (!Trim(lines[i]).empty()) insertAfter = i;
    }

    std::string result;
    if (hasBom) result.append(kUtf8Bom);
    auto emit = [&result](std::string_view line) {
        result.append(line);
        result.append("\r\n");
    };
    // An existing key keeps the spelling the file gives it.
    std::string replacement(keyLine ? KeyLine(lines[*keyLine])->key : key);
    replacement += "=";
    replacement += value;

    for (size_t i = 0; i < lines.size(); ++i) {
        if (keyLine && i == *keyLine) {
            emit(replacement);
            continue;
        }
        emit(lines[i]);
        if (!keyLine && insertAfter && i == *insertAfter) emit(replacement);
    }
    if (!keyLine && !insertAfter) {
        emit("[" + std::string(section) + "]");
        emit(replacement);
    }
    return result;
}

bool CanStore(std::string_view section, std::string_view key, std::string_view value)
{
    auto hasBreak = [](std::string_view s) {
        return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
    };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value)) return false;
    std::string_view s = Trim(section);
    std::string_view k = Trim(key);
    if (s.empty() || k.empty()) return false;
    if (s.find(']') != std::string_view::npos) return false;
    if (k.find('=') != std::string_view::npos || k.front() == '[') return false;
    return true;
}

size_t CopyTruncated(std::string_view value, char* buffer, size_t size)
{
    if (size == 0 || buffer == nullptr) return 0;
    size_t n = value.size();
    if (n > size - 1) {
        n = size - 1;
        // Step back over continuation bytes so the cut falls between
        // characters; a lead byte whose character did not fit goes too.
        size_t cut = n;
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
        n = cut;
    }
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return n;
}

}  // namespace platform::ini
