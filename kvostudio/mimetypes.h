#pragma once
// Content types by file extension, from a table in the format of the
// system's /etc/mime.types: "type ext ext ..." per line, '#' starts a comment.

#include <string>

constexpr const char* kSystemMimeTable = "/etc/mime.types";

// The type listed for the extension (without its dot, compared without
// regard to case); empty when the table has none or cannot be read.
std::string LookupMimeType(const std::string& extension, const char* tablePath = kSystemMimeTable);
