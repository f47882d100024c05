// Runs a peer tool (soxi, ffprobe, id3v2 ...) for tests that check our files
// against an independent reader.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// True when the program is found on PATH.
bool HaveTool(const std::string& name);

// Runs argv (no shell) and returns what it wrote to standard output; nothing
// when it cannot start or exits with a failure.
std::optional<std::string> CommandOutput(const std::vector<std::string>& argv);

}  // namespace testsupport
