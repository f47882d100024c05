#pragma once
// The user's language and the UI font face every text painter uses: one
// global, worked out once on first use and read-only afterwards, so any
// thread may read it.

#include <cstdint>
#include <mutex>
#include <string>

// Character sets a font is asked for, by the user's language.
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int SHIFTJIS_CHARSET = 128;
inline constexpr int HANGUL_CHARSET = 129;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int CHINESEBIG5_CHARSET = 136;
inline constexpr int GREEK_CHARSET = 161;
inline constexpr int TURKISH_CHARSET = 162;
inline constexpr int HEBREW_CHARSET = 177;
inline constexpr int ARABIC_CHARSET = 178;
inline constexpr int BALTIC_CHARSET = 186;
inline constexpr int RUSSIAN_CHARSET = 204;
inline constexpr int THAI_CHARSET = 222;
inline constexpr int EASTEUROPE_CHARSET = 238;

// The face preferred for showing every language, and the one used without it.
inline constexpr const char* kUnicodeFontFace = "Arial unicode MS";
inline constexpr const char* kDefaultFontFace = "Arial";

// Language id: primary language in the low 10 bits, sub-language above.
int LanguageToCharset(uint16_t languageId);

// The language id of a locale name such as "ko_KR.UTF-8" or "sr_RS@latin";
// 0x0409 (English, United States) for "C", "POSIX" and an empty name; 0 for
// a language the table does not know.
uint16_t LanguageIdFromLocale(const char* locale);

// The user's locale as the environment gives it: LC_ALL, else LC_CTYPE,
// else LANG; empty when none is set.
std::string UserLocaleName();

class CLanguageSettings {
public:
    // How the face is looked up; tests put a fake in its place.
    using FamilyCheck = bool (*)(const std::string& family);

    // Works the settings out from the given locale and font lookup (for tests).
    CLanguageSettings(const char* locale, FamilyCheck check);

    // The global's form: nothing is done until the first read.
    struct OnFirstUse {};
    constexpr explicit CLanguageSettings(OnFirstUse) {}

    std::string GetLanguageFontName() const;
    int GetLanguageCharset() const;
    uint16_t GetLanguageId() const;

private:
    void Compute(const char* locale, FamilyCheck check);
    void EnsureInit() const;

    // The values are filled in once, under the flag, by the first reader.
    mutable std::once_flag once_;
    std::string faceName_;
    uint16_t languageId_ = 0;
};

extern CLanguageSettings g_LanguageSettings;
