// UTF-8, UTF-16 and legacy single-byte text as the tag readers, the
// players and the application's conversions rely on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text/unicode.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kFffd = "\xEF\xBF\xBD";


std::string Encoded(char32_t cp)
{
    std::string out;
    platform::AppendUtf8(out, cp);
    return out;
}

std::string Clean(const std::string& s) { return platform::CleanUtf8(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
std::string Legacy(const std::string& s) { return platform::LegacyToUtf8(reinterpret_cast<const uint8_t*>(s.data()), s.size()); }
std::string FromUtf16(const Bytes& b, bool bigEndian) { return platform::Utf16ToUtf8(b.data(), b.size() / 2, bigEndian); }

TEST(Utf8, EachLengthAtItsBoundsAndNonScalarValuesAsReplacement)
{
    EXPECT_EQ(Encoded(0x7F), "\x7F");
    EXPECT_EQ(Encoded(0x80), "\xC2\x80");
    EXPECT_EQ(Encoded(0x7FF), "\xDF\xBF");
    EXPECT_EQ(Encoded(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(Encoded(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(Encoded(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(Encoded(0x10FFFF), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(Encoded(0xD800), kFffd);
    EXPECT_EQ(Encoded(0xDFFF), kFffd);
    EXPECT_EQ(Encoded(0x110000), kFffd);
    EXPECT_EQ(Encoded(0xFFFFFFFF), kFffd);
    EXPECT_EQ(Encoded(0), std::string(1, '\0'));

    // Every scalar value decodes back to itself from its own encoding.
    for (char32_t cp : {0x41u, 0xE9u, 0xD55Cu, 0xD7FFu, 0xE000u, 0x1F3A4u, 0x10FFFFu}) {
        const std::string s = Encoded(cp);
        char32_t back = 0;
        EXPECT_EQ(platform::DecodeUtf8Sequence(reinterpret_cast<const uint8_t*>(s.data()), s.size(), back), s.size());
        EXPECT_EQ(back, cp);
    }
}

TEST(Utf8, MalformedSequencesAreRefusedAndEachBadByteBecomesOneReplacement)
{
    const std::vector<std::string> refused = {
        "\x80",              // stray continuation
        "\xC0\xAF",          // overlong '/'
        "\xE0\x80\xAF",      // overlong '/'
        "\xED\xA0\x80",      // a surrogate
        "\xF4\x90\x80\x80",  // beyond U+10FFFF
        "\xF8\x88\x80\x80",  // five-byte form
        "\xE6\xAD",          // cut short
        "\xC3\x41",          // continuation missing
    };
    for (const std::string& s : refused) {
        char32_t cp = 0;
        EXPECT_EQ(platform::DecodeUtf8Sequence(reinterpret_cast<const uint8_t*>(s.data()), s.size(), cp), 0u) << s;
    }
    // A sequence must not be read past the bytes it was given.
    const std::string korean = "\xED\x95\x9C";
    char32_t cp = 0;
    EXPECT_EQ(platform::DecodeUtf8Sequence(reinterpret_cast<const uint8_t*>(korean.data()), 2, cp), 0u);

    EXPECT_EQ(Clean("a\xFF" "b\xC0\xAF"), "a" + kFffd + "b" + kFffd + kFffd);
    EXPECT_EQ(Clean("\xE6\xAD\x8C!"), "\xE6\xAD\x8C!");
    EXPECT_EQ(Clean(std::string("ok\0hidden", 9)), "ok");
    EXPECT_EQ(Clean(""), "");
}

TEST(Utf16, BothByteOrdersWithPairsLoneSurrogatesAndTheFirstZeroUnit)
{
    // "a", U+D55C, U+1F3A4 as a pair, then a zero unit and more.
    const Bytes le = {'a', 0, 0x5C, 0xD5, 0x3C, 0xD8, 0xA4, 0xDF, 0, 0, 'z', 0};
    const Bytes be = {0, 'a', 0xD5, 0x5C, 0xD8, 0x3C, 0xDF, 0xA4, 0, 0, 0, 'z'};
    const std::string expected = "a\xED\x95\x9C\xF0\x9F\x8E\xA4";
    EXPECT_EQ(FromUtf16(le, false), expected);
    EXPECT_EQ(FromUtf16(be, true), expected);

    // A high surrogate at the end, a low one alone, a high one before a
    // plain unit: each is one U+FFFD and the plain unit survives.
    EXPECT_EQ(FromUtf16({0x3C, 0xD8}, false), kFffd);
    EXPECT_EQ(FromUtf16({0xA4, 0xDF, 'b', 0}, false), kFffd + "b");
    EXPECT_EQ(FromUtf16({0x3C, 0xD8, 'b', 0}, false), kFffd + "b");
    // A mark is a character like any other to this function.
    EXPECT_EQ(FromUtf16({0xFF, 0xFE, 'c', 0}, false), "\xEF\xBB\xBF" "c");
    EXPECT_EQ(platform::Utf16ToUtf8(nullptr, 0, true), "");
}

TEST(Utf16, Utf8TextBecomesUnitsAndRoundTrips)
{
    const std::string text = std::string("a\xED\x95\x9C\xF0\x9F\x8E\xA4/\0z", 11);
    const std::u16string units = platform::Utf8ToUtf16(text);
    EXPECT_EQ(units, (std::u16string{u'a', 0xD55C, 0xD83C, 0xDFA4, u'/', 0, u'z'}));
    EXPECT_EQ(platform::Utf8ToUtf16("x\xC0\xAFy"), (std::u16string{u'x', 0xFFFD, 0xFFFD, u'y'}));

    Bytes le;
    for (char16_t u : platform::Utf8ToUtf16("Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xA4")) {
        le.push_back(uint8_t(u & 0xFF));
        le.push_back(uint8_t(u >> 8));
    }
    EXPECT_EQ(FromUtf16(le, false), "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\xA4");
}

TEST(LegacyText, ValidUtf8IsKeptAnythingElseIsReadAsLatin1Whole)
{
    EXPECT_EQ(Legacy("Caf\xC3\xA9"), "Caf\xC3\xA9");
    // One byte that is not UTF-8 turns every byte, even a valid-looking
    // pair, into its Latin-1 character.
    EXPECT_EQ(Legacy("\xC3\xA9 \xE9"), "\xC3\x83\xC2\xA9 \xC3\xA9");
    EXPECT_EQ(Legacy("\xFF\xE0!"), "\xC3\xBF\xC3\xA0!");
    EXPECT_EQ(Legacy(std::string("Title\0\xFF", 7)), "Title");
    EXPECT_EQ(Legacy(std::string("\0abc", 4)), "");
}

}  // namespace
