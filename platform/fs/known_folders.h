#pragma once
// The user's base folders, after the XDG base-directory rules.

#include <string>

namespace platform {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share when
// $HOME is absolute; empty when neither is usable. No trailing '/'.
std::string UserDataHome();

// The value of the environment variable, empty when unset.
std::string EnvironmentValue(const char* name);

}  // namespace platform
