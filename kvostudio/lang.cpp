#include "kvostudio/lang.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/fonts/fonts.h"

namespace {

struct LanguageRow {
    const char* code;  // ISO 639-1
    uint16_t primary;
};

// Primary language ids of the locales' languages.
constexpr LanguageRow kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"nn", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A},
    {"bs", 0x1A}, {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20},
    {"id", 0x21}, {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27},
    {"fa", 0x29}, {"vi", 0x2A}, {"hy", 0x2B}, {"az", 0x2C}, {"eu", 0x2D}, {"mk", 0x2F}, {"ka", 0x37},
    {"hi", 0x39}, {"ms", 0x3E}, {"kk", 0x3F},
};

struct SubLanguageRow {
    const char* code;
    const char* territory;  // null: any
    const char* modifier;   // null: any
    uint16_t sub;
};

// Sub-languages where the character set or the language depends on them.
constexpr SubLanguageRow kSubLanguages[] = {
    {"zh", "TW", nullptr, 1}, {"zh", "CN", nullptr, 2}, {"zh", "HK", nullptr, 3}, {"zh", "SG", nullptr, 4},
    {"zh", "MO", nullptr, 5}, {"zh", nullptr, nullptr, 2}, {"en", "GB", nullptr, 2}, {"en", "AU", nullptr, 3},
    {"en", "CA", nullptr, 4}, {"pt", "PT", nullptr, 2}, {"sr", nullptr, "latin", 2}, {"sr", nullptr, nullptr, 3},
    {"bs", nullptr, nullptr, 5}, {"nn", nullptr, nullptr, 2},
};

bool Same(const std::string& a, const char* b) { return b && a == b; }

}  // namespace

int LanguageToCharset(uint16_t languageId)
{
    const unsigned primary = languageId & 0x3FF;
    const unsigned sub = (languageId >> 10) & 0x3F;
    switch (primary) {
    case 0x01: return ARABIC_CHARSET;
    case 0x02: case 0x19: case 0x22: case 0x23: return RUSSIAN_CHARSET;
    case 0x04: return sub == 1 ? CHINESEBIG5_CHARSET : sub == 2 ? GB2312_CHARSET : ANSI_CHARSET;
    case 0x05: case 0x0E: case 0x15: case 0x18: case 0x1A: case 0x1B: case 0x24: case 0x2F: return EASTEUROPE_CHARSET;
    case 0x08: return GREEK_CHARSET;
    case 0x0D: return HEBREW_CHARSET;
    case 0x11: return SHIFTJIS_CHARSET;
    case 0x12: return HANGUL_CHARSET;
    case 0x1E: return THAI_CHARSET;
    case 0x1F: return TURKISH_CHARSET;
    case 0x25: case 0x26: case 0x27: return BALTIC_CHARSET;
    default: return ANSI_CHARSET;
    }
}

uint16_t LanguageIdFromLocale(const char* locale)
{
    // language[_TERRITORY][.codeset][@modifier]
    const std::string name = locale ? locale : "";
    if (name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0) return 0x0409;
    const size_t at = name.find('@');
    const std::string modifier = at == std::string::npos ? "" : name.substr(at + 1);
    const std::string base = name.substr(0, std::min(at, name.find('.')));
    const size_t underscore = base.find('_');
    std::string language = base.substr(0, underscore);
    for (char& c : language) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string territory = underscore == std::string::npos ? "" : base.substr(underscore + 1);
    for (char& c : territory) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    uint16_t primary = 0;
    for (const LanguageRow& row : kLanguages)
        if (language == row.code) primary = row.primary;
    if (primary == 0) return 0;
    uint16_t sub = 1;
    for (const SubLanguageRow& row : kSubLanguages) {
        if (language != row.code) continue;
        if (row.territory && !Same(territory, row.territory)) continue;
        if (row.modifier && !Same(modifier, row.modifier)) continue;
        sub = row.sub;
        break;
    }
    return static_cast<uint16_t>(sub << 10 | primary);
}

std::string UserLocaleName()
{
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(var);
        if (value && *value) return value;
    }
    return std::string();
}

constinit CLanguageSettings g_LanguageSettings{CLanguageSettings::OnFirstUse{}};

CLanguageSettings::CLanguageSettings(const char* locale, FamilyCheck check)
{
    std::call_once(once_, [&] { Compute(locale, check); });
}

void CLanguageSettings::EnsureInit() const
{
    // Only an object made with OnFirstUse gets here with work left to do,
    // and such an object is never const (it is the global).
    std::call_once(once_, [this] {
        const_cast<CLanguageSettings*>(this)->Compute(UserLocaleName().c_str(), platform::fonts::IsFamilyInstalled);
    });
}

void CLanguageSettings::Compute(const char* locale, FamilyCheck check)
{
    faceName_ = (check && check(kUnicodeFontFace)) ? kUnicodeFontFace : kDefaultFontFace;
    languageId_ = LanguageIdFromLocale(locale);
}

std::string CLanguageSettings::GetLanguageFontName() const
{
    EnsureInit();
    return faceName_;
}

int CLanguageSettings::GetLanguageCharset() const
{
    EnsureInit();
    return LanguageToCharset(languageId_);
}

uint16_t CLanguageSettings::GetLanguageId() const
{
    EnsureInit();
    return languageId_;
}
