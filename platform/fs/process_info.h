#pragma once
// What the running process knows about itself.

#include <string>
#include <vector>

namespace platform {

// Absolute path of the running program file; empty when it cannot be read.
std::string ExecutablePath();

// The process's command line, argument 0 (the program) first; empty when it
// cannot be read.
std::vector<std::string> CommandLineArgs();

}  // namespace platform
