#include "libkvo/src/id3text.h"

#include <cstring>
#include <iterator>

namespace {

// Names as the players have always shown them, spelling included.
const char* const kGenres[] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise",
    "Alternative Rock", "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock",
    "Ethnic", "Gothic", "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta Rap", "Top 40", "Christian Rap", "Pop/Punk", "Jungle",
    "Native American", "Cabaret", "New Wave", "Phychedelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal",
    "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk/Rock",
    "National Folk", "Swing", "Fast-Fusion", "Bebob", "Latin", "Revival", "Celtic", "Blue Grass", "Avantegarde",
    "Gothic Rock", "Progressive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus",
    "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony",
    "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad",
    "power Ballad", "Rhythmic Soul", "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A Capella", "Euro-House",
    "Dance Hall", "Goa", "Drum & Bass", "Club-House", "Hardcore", "Terror", "indie", "Brit Pop", "Negerpunk",
    "Polsk Punk", "Beat", "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover",
    "Comteporary Christian", "Christian Rock", "Merengue", "Salsa", "Trash Metal", "Anime", "JPop", "Synth Pop",
};
static_assert(std::size(kGenres) == 148);

void AppendUtf8(std::string& out, uint32_t cp)
{
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

constexpr uint32_t kReplacement = 0xFFFD;

// Length of the valid UTF-8 sequence at p (at most n bytes), 0 if invalid.
size_t Utf8Sequence(const uint8_t* p, size_t n, uint32_t& cp)
{
    const uint8_t b = p[0];
    size_t len;
    uint32_t min;
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
    if (len > n)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

size_t UpToZero(const uint8_t* p, size_t n)
{
    const void* zero = std::memchr(p, 0, n);
    return zero ? size_t(static_cast<const uint8_t*>(zero) - p) : n;
}

std::string Utf8Text(const uint8_t* p, size_t n)
{
    n = UpToZero(p, n);
    std::string out;
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        const size_t len = Utf8Sequence(p + i, n - i, cp);
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

std::string Utf16Text(const uint8_t* p, size_t n, bool bigEndian)
{
    std::string out;
    const size_t units = n / 2;
    auto unit = [&](size_t i) -> uint32_t {
        return bigEndian ? (uint32_t(p[2 * i]) << 8 | p[2 * i + 1]) : (uint32_t(p[2 * i + 1]) << 8 | p[2 * i]);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t u = unit(i);
        if (u == 0)
            break;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, (u >= 0xD800 && u <= 0xDFFF) ? kReplacement : u);
    }
    return out;
}

}  // namespace

const char* Id3GenreName(unsigned n)
{
    return n < std::size(kGenres) ? kGenres[n] : nullptr;
}

std::string ResolveGenreReference(const std::string& text)
{
    if (text.size() <= 3 || text[0] != '(' || text[1] < '0' || text[1] > '9')
        return text;
    unsigned number = 0;
    size_t i = 1;
    while (i < text.size() && i <= 3 && text[i] >= '0' && text[i] <= '9')
        number = number * 10 + unsigned(text[i++] - '0');
    if (i >= text.size() || text[i] != ')')
        return text;
    const char* name = Id3GenreName(number);
    return name ? std::string(name) : text;
}

std::string LegacyText(const uint8_t* p, size_t n)
{
    n = UpToZero(p, n);
    std::string out;
    for (size_t i = 0; i < n;) {
        uint32_t cp = 0;
        const size_t len = Utf8Sequence(p + i, n - i, cp);
        if (len == 0) {
            // Not UTF-8: the whole text is the legacy single-byte encoding.
            out.clear();
            for (size_t k = 0; k < n; ++k)
                AppendUtf8(out, p[k]);
            return out;
        }
        i += len;
    }
    out.assign(reinterpret_cast<const char*>(p), n);
    return out;
}

std::string DecodeTagText(uint8_t encoding, const uint8_t* p, size_t n)
{
    switch (encoding) {
    case 1:
        // Some writers put a stray terminator in front of the text.
        if (n > 5 && p[0] == 0 && p[1] == 0)
            p += 2, n -= 2;
        if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
            return Utf16Text(p + 2, n - 2, false);
        if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
            return Utf16Text(p + 2, n - 2, true);
        return Utf16Text(p, n, false);
    case 2:
        return Utf16Text(p, n, true);
    case 3:
        return Utf8Text(p, n);
    default:
        return LegacyText(p, n);
    }
}

std::string TextFrameContent(const uint8_t* content, size_t n)
{
    if (n <= 1)
        return std::string();
    return DecodeTagText(content[0], content + 1, n - 1);
}

std::string CommentFrameContent(const uint8_t* content, size_t n)
{
    if (n <= 5)
        return std::string();
    const uint8_t encoding = content[0];
    const bool wide = encoding == 1 || encoding == 2;
    const size_t descStart = 4;
    // The description ends at its terminator: one zero byte, or a zero
    // UTF-16 unit on a unit boundary.
    size_t end = descStart, textStart = n;
    if (wide) {
        bool found = false;
        for (; end + 1 < n; end += 2) {
            if (content[end] == 0 && content[end + 1] == 0) {
                found = true;
                textStart = end + 2;
                break;
            }
        }
        if (!found)
            end = n;
    } else {
        end = descStart + UpToZero(content + descStart, n - descStart);
        textStart = end < n ? end + 1 : n;
    }
    std::string description = DecodeTagText(encoding, content + descStart, end - descStart);
    if (!description.empty())
        return description;
    return DecodeTagText(encoding, content + textStart, n - textStart);
}

std::vector<uint8_t> RemoveUnsynchronisation(const uint8_t* p, size_t n)
{
    std::vector<uint8_t> out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && p[i] == 0 && p[i - 1] == 0xFF)
            continue;
        out.push_back(p[i]);
    }
    return out;
}
