// Fonts must be asked for in the character set of the user's language, and
// in a face that is really installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "kvostudio/lang.h"
#include "platform/fonts/fonts.h"
#include "tests/support/temp_files.h"

namespace {

struct CharsetRow {
    uint16_t id;
    int charset;
};

bool Everything(const std::string&) { return true; }
bool Nothing(const std::string&) { return false; }

}  // namespace

TEST(LanguageCharset, EveryRowOfTheTable)
{
    const CharsetRow rows[] = {
        {0x0401, ARABIC_CHARSET},
        {0x0402, RUSSIAN_CHARSET}, {0x0419, RUSSIAN_CHARSET}, {0x0422, RUSSIAN_CHARSET}, {0x0423, RUSSIAN_CHARSET},
        {0x0404, CHINESEBIG5_CHARSET},
        {0x0804, GB2312_CHARSET},
        {0x0C04, ANSI_CHARSET}, {0x1004, ANSI_CHARSET},
        {0x0405, EASTEUROPE_CHARSET}, {0x040E, EASTEUROPE_CHARSET}, {0x0415, EASTEUROPE_CHARSET},
        {0x0418, EASTEUROPE_CHARSET}, {0x041A, EASTEUROPE_CHARSET}, {0x0C1A, EASTEUROPE_CHARSET},
        {0x041B, EASTEUROPE_CHARSET}, {0x0424, EASTEUROPE_CHARSET}, {0x042F, EASTEUROPE_CHARSET},
        {0x0408, GREEK_CHARSET},
        {0x040D, HEBREW_CHARSET},
        {0x0411, SHIFTJIS_CHARSET},
        {0x0412, HANGUL_CHARSET},
        {0x041E, THAI_CHARSET},
        {0x041F, TURKISH_CHARSET},
        {0x0425, BALTIC_CHARSET}, {0x0426, BALTIC_CHARSET}, {0x0427, BALTIC_CHARSET},
        {0x0409, ANSI_CHARSET}, {0x0407, ANSI_CHARSET}, {0x0000, ANSI_CHARSET},
    };
    for (const CharsetRow& r : rows) EXPECT_EQ(LanguageToCharset(r.id), r.charset) << std::hex << r.id;
    EXPECT_EQ(ANSI_CHARSET, 0);
    EXPECT_EQ(HANGUL_CHARSET, 129);
    EXPECT_EQ(EASTEUROPE_CHARSET, 238);
}

TEST(LanguageCharset, LocalesGiveTheirLanguageIds)
{
    const struct {
        const char* locale;
        uint16_t id;
    } rows[] = {
        {"ko_KR.UTF-8", 0x0412}, {"zh_TW.UTF-8", 0x0404}, {"zh_CN.GB18030", 0x0804}, {"zh_HK", 0x0C04},
        {"ru_RU.UTF-8", 0x0419}, {"mk_MK", 0x042F},       {"en_US.UTF-8", 0x0409},   {"en_GB", 0x0809},
        {"ja_JP.eucJP", 0x0411}, {"sr_RS@latin", 0x081A}, {"sr_RS", 0x0C1A},         {"pt_BR.UTF-8", 0x0416},
        {"C", 0x0409},           {"POSIX", 0x0409},       {"C.UTF-8", 0x0409},       {"", 0x0409},
        {"xx_YY", 0x0000},
    };
    for (const auto& r : rows) EXPECT_EQ(LanguageIdFromLocale(r.locale), r.id) << r.locale;
    EXPECT_EQ(LanguageIdFromLocale(nullptr), 0x0409);

    CLanguageSettings korean("ko_KR.UTF-8", Nothing);
    EXPECT_EQ(korean.GetLanguageCharset(), HANGUL_CHARSET);
    CLanguageSettings taiwan("zh_TW.Big5", Nothing);
    EXPECT_EQ(taiwan.GetLanguageCharset(), CHINESEBIG5_CHARSET);
}

TEST(LanguageFont, PreferredFaceOnlyWhenInstalled)
{
    EXPECT_EQ(CLanguageSettings("en_US", Everything).GetLanguageFontName(), "Arial unicode MS");
    EXPECT_EQ(CLanguageSettings("en_US", Nothing).GetLanguageFontName(), "Arial");
    EXPECT_EQ(CLanguageSettings("en_US", nullptr).GetLanguageFontName(), "Arial");
}

TEST(LanguageFont, FontconfigKnowsWhatIsInstalled)
{
    // fonts-dejavu-core is one of the program's packages.
    EXPECT_TRUE(platform::fonts::IsFamilyInstalled("DejaVu Sans"));
    EXPECT_TRUE(platform::fonts::IsFamilyInstalled("dejavu sans"));
    EXPECT_FALSE(platform::fonts::IsFamilyInstalled("No Such Family Kvo"));
    EXPECT_FALSE(platform::fonts::IsFamilyInstalled(""));
}

TEST(LanguageFont, GlobalTakesTheLocaleAtFirstUseOnly)
{
    // In a fresh process: the locale read at the first use stays, and the
    // face follows what fontconfig has under the preferred family. A font
    // configuration that renames DejaVu Sans stands in for an installed
    // "Arial Unicode MS".
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::TempDir dir;
    {
        std::ofstream conf(dir.File("fonts.conf"));
        conf << "<?xml version=\"1.0\"?>\n<fontconfig>\n"
                "<dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                "<cachedir>" << dir.File("cache") << "</cachedir>\n"
                "<match target=\"scan\"><test name=\"family\"><string>DejaVu Sans</string></test>"
                "<edit name=\"family\" mode=\"assign\"><string>Arial Unicode MS</string></edit></match>\n"
                "</fontconfig>\n";
    }
    const std::string conf = dir.File("fonts.conf");
    EXPECT_EXIT(
        {
            setenv("FONTCONFIG_FILE", conf.c_str(), 1);
            setenv("LC_ALL", "ko_KR.UTF-8", 1);
            const bool korean = g_LanguageSettings.GetLanguageCharset() == HANGUL_CHARSET;
            setenv("LC_ALL", "ru_RU.UTF-8", 1);
            const bool kept = g_LanguageSettings.GetLanguageId() == 0x0412;
            const bool face = g_LanguageSettings.GetLanguageFontName() == "Arial unicode MS";
            std::exit(korean && kept && face ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            setenv("LC_ALL", "en_US.UTF-8", 1);
            setenv("FONTCONFIG_FILE", "/nonexistent/fonts.conf", 1);
            std::exit(g_LanguageSettings.GetLanguageFontName() == "Arial" ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
