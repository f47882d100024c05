#include "libkvo/src/id3text.h"

#include <cstring>
#include <iterator>

#include "platform/text/unicode.h"

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

size_t UpToZero(const uint8_t* p, size_t n)
{
    const void* zero = std::memchr(p, 0, n);
    return zero ? size_t(static_cast<const uint8_t*>(zero) - p) : n;
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

std::string DecodeTagText(uint8_t encoding, const uint8_t* p, size_t n)
{
    switch (encoding) {
    case 1:
        // Some writers put a stray terminator in front of the text.
        if (n > 5 && p[0] == 0 && p[1] == 0)
            p += 2, n -= 2;
        if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE)
            return platform::Utf16ToUtf8(p + 2, (n - 2) / 2, false);
        if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF)
            return platform::Utf16ToUtf8(p + 2, (n - 2) / 2, true);
        return platform::Utf16ToUtf8(p, n / 2, false);
    case 2:
        return platform::Utf16ToUtf8(p, n / 2, true);
    case 3:
        return platform::CleanUtf8(p, n);
    default:
        return platform::LegacyToUtf8(p, n);
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
