#include "platform/fonts/fonts.h"

#include <fontconfig/fontconfig.h>

namespace platform::fonts {

bool IsFamilyInstalled(const std::string& family)
{
    if (family.empty()) return false;
    // Listing matches on the pattern's elements only; unlike matching, it
    // never falls back to a substitute family.
    // A configuration of our own, released again: the question is asked once
    // per run, and fontconfig's shared one would stay allocated to the end.
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config) return false;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) {
        FcConfigDestroy(config);
        return false;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
    FcFontSet* found = objects ? FcFontList(config, pattern, objects) : nullptr;
    const bool installed = found && found->nfont > 0;
    if (found) FcFontSetDestroy(found);
    if (objects) FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return installed;
}

}  // namespace platform::fonts
