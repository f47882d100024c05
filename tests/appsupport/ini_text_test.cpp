// The private-profile reading and editing rules that existing config.ini
// files rely on.
#include <gtest/gtest.h>

#include "platform/ini/ini_text.h"
#include "platform/ini/profile_numbers.h"

namespace ini = platform::ini;

TEST(IniRead, NamesIgnoreCaseAndBlanksAndValuesLoseQuotes)
{
    const std::string text =
        "[general]\r\n"
        "  Shuffle \t=  1  \r\n"
        "folder=\"/home/me/My Songs\"\r\n"
        "single='x'\r\n"
        "unbalanced=\"abc\r\n"
        "lonequote=\"\r\n"
        "empty=\r\n"
        "[ Record ]\r\n"
        "voice-shift=-200.000000\r\n";
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "shuffle"), "1");
    EXPECT_EQ(ini::FindValue(text, " General ", "SHUFFLE"), "1");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "folder"), "/home/me/My Songs");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "single"), "x");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "unbalanced"), "\"abc");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "lonequote"), "\"");
    EXPECT_EQ(ini::FindValue(text, "RECORD", "VOICE-SHIFT"), "-200.000000");
}

TEST(IniRead, PresentButEmptyIsEmptyAndMissingIsNone)
{
    const std::string text = "[GENERAL]\nfolder=\nID =   \n[RECORD]\nstart=1\n";
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "folder"), "");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "ID"), "");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "start"), std::nullopt);  // other section
    EXPECT_EQ(ini::FindValue(text, "NOPE", "start"), std::nullopt);
    EXPECT_EQ(ini::FindValue("", "GENERAL", "folder"), std::nullopt);
}

TEST(IniRead, FirstEntryWinsAndOddLinesAreIgnored)
{
    const std::string text =
        "\xEF\xBB\xBF[GENERAL]\n"
        "; comment line\n"
        "not a key line\n"
        "repeat=2\n"
        "repeat=1\n"
        "url=http://x/?a=b\n"
        "[GENERAL]\n"
        "bitrate=1";  // no line end at all
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "repeat"), "2");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "url"), "http://x/?a=b");
    EXPECT_EQ(ini::FindValue(text, "GENERAL", "bitrate"), "1");
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEveryOtherLine)
{
    const std::string before =
        "; my settings\n"
        "[GENERAL]\n"
        "Repeat = 2\n"
        "odd line\n"
        "\n"
        "[RECORD]\n"
        "start=0\n";
    EXPECT_EQ(ini::SetValue(before, "general", "REPEAT", "1"),
              "; my settings\r\n"
              "[GENERAL]\r\n"
              "Repeat=1\r\n"
              "odd line\r\n"
              "\r\n"
              "[RECORD]\r\n"
              "start=0\r\n");
}

TEST(IniWrite, NewKeysJoinTheirSectionAndNewSectionsGoLast)
{
    const std::string before = "[GENERAL]\r\nshuffle=1\r\n\r\n[RECORD]\r\nstart=0";
    std::string after = ini::SetValue(before, "GENERAL", "repeat", "2");
    EXPECT_EQ(after, "[GENERAL]\r\nshuffle=1\r\nrepeat=2\r\n\r\n[RECORD]\r\nstart=0\r\n");
    after = ini::SetValue(after, "RECORD", "stop", "1");
    after = ini::SetValue(after, "OTHER", "k", "v");
    EXPECT_EQ(after,
              "[GENERAL]\r\nshuffle=1\r\nrepeat=2\r\n\r\n[RECORD]\r\nstart=0\r\nstop=1\r\n[OTHER]\r\nk=v\r\n");
    EXPECT_EQ(ini::SetValue("", "GENERAL", "ID", "me"), "[GENERAL]\r\nID=me\r\n");
    EXPECT_EQ(ini::SetValue("[GENERAL]\n", "GENERAL", "ID", "me"), "[GENERAL]\r\nID=me\r\n");
    // A byte-order mark stays in front.
    EXPECT_EQ(ini::SetValue("\xEF\xBB\xBF[A]\n", "A", "k", "v"), "\xEF\xBB\xBF[A]\r\nk=v\r\n");
}

TEST(IniWrite, RefusesWhatWouldNotReadBackAsWritten)
{
    EXPECT_TRUE(ini::CanStore("GENERAL", "folder", "/a b/c=d;e"));
    EXPECT_TRUE(ini::CanStore("GENERAL", "ID", ""));
    EXPECT_FALSE(ini::CanStore("GENERAL", "ID", "me\r\n[RECORD]\r\nstart=1"));
    EXPECT_FALSE(ini::CanStore("GENERAL", "ID", std::string_view("a\0b", 3)));
    EXPECT_FALSE(ini::CanStore("GEN\nERAL", "ID", "x"));
    EXPECT_FALSE(ini::CanStore("GEN]", "ID", "x"));
    EXPECT_FALSE(ini::CanStore("GENERAL", "a=b", "x"));
    EXPECT_FALSE(ini::CanStore("GENERAL", "[x]", "x"));
    EXPECT_FALSE(ini::CanStore("", "ID", "x"));
    EXPECT_FALSE(ini::CanStore("GENERAL", "  ", "x"));
}

TEST(IniRead, TruncatesToTheBufferBetweenCharacters)
{
    char buffer[100];
    std::string longValue(150, 'a');
    EXPECT_EQ(ini::CopyTruncated(longValue, buffer, sizeof buffer), 99u);
    EXPECT_EQ(std::string(buffer), std::string(99, 'a'));

    // "a" then two 3-byte characters: 5 bytes fit, the second character
    // does not fit whole and is dropped.
    char small[6];
    EXPECT_EQ(ini::CopyTruncated("a\xED\x95\x9C\xEA\xB8\x80", small, sizeof small), 4u);
    EXPECT_STREQ(small, "a\xED\x95\x9C");

    char one[1] = {'x'};
    EXPECT_EQ(ini::CopyTruncated("abc", one, 1), 0u);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(ini::CopyTruncated("abc", one, 0), 0u);
}

TEST(IniNumbers, IntegersReadUpToTheFirstNonDigit)
{
    EXPECT_EQ(ini::ParseInt("12abc"), 12);
    EXPECT_EQ(ini::ParseInt("-3"), -3);
    EXPECT_EQ(ini::ParseInt("1.9"), 1);
    EXPECT_EQ(ini::ParseInt("abc"), 0);
    EXPECT_EQ(ini::ParseInt(""), 0);
    EXPECT_EQ(ini::ParseInt("--1"), 0);
    EXPECT_EQ(ini::ParseInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(ini::ParseInt("-99999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(ini::FormatInt(-2147483647 - 1), "-2147483648");
}

TEST(IniNumbers, RealsAreSixDecimalTextAndOnlyFiniteOnes)
{
    EXPECT_EQ(ini::FormatReal(-200), "-200.000000");
    EXPECT_EQ(ini::FormatReal(0.5), "0.500000");
    // Wider than any fixed 16-byte buffer: written whole, read back whole.
    EXPECT_EQ(ini::FormatReal(123456789012.0), "123456789012.000000");
    EXPECT_FLOAT_EQ(ini::ParseReal("123456789012.000000"), 123456789012.0f);
    EXPECT_EQ(ini::FormatReal(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(ini::FormatReal(std::numeric_limits<double>::infinity()), std::nullopt);

    EXPECT_FLOAT_EQ(ini::ParseReal("-200.000000"), -200.0f);
    EXPECT_FLOAT_EQ(ini::ParseReal(" +1.5e1xyz"), 15.0f);
    EXPECT_FLOAT_EQ(ini::ParseReal(".25"), 0.25f);
    EXPECT_FLOAT_EQ(ini::ParseReal("1,5"), 1.0f);  // a comma ends the number
    EXPECT_FLOAT_EQ(ini::ParseReal("abc"), 0.0f);
    EXPECT_FLOAT_EQ(ini::ParseReal("nan"), 0.0f);
    EXPECT_FLOAT_EQ(ini::ParseReal("1e999"), 0.0f);
    EXPECT_FLOAT_EQ(ini::ParseReal("1e300"), 0.0f);  // beyond float
}
