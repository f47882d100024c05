#pragma once
// Which font families the user's system has.

#include <string>

namespace platform::fonts {

// True when at least one installed font belongs to the family (compared as
// fontconfig compares family names: case and blanks do not matter). Never
// true for a family that is only substituted by another.
bool IsFamilyInstalled(const std::string& family);

}  // namespace platform::fonts
