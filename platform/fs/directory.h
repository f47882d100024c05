#pragma once
// Folder checks and creation, one level at a time.

#include <string>

namespace platform {

bool IsDirectory(const std::string& path);

// Creates one folder (its parent must exist). 0 on success or when a folder
// is already there; else the errno of the failure.
int MakeDirectory(const std::string& path);

// The current working folder, empty when it cannot be read.
std::string CurrentDirectory();

}  // namespace platform
