#pragma once
// The update check of start-up: the service publishes the current version
// text at "/bin/version.txt"; when it differs from the running version the
// updater program "/bin/Update.exe" is fetched into the per-user data
// folder and started, and start-up ends. Both calls block their caller
// (each wait is bounded).

#include <string>

// The version text start-up passes.
inline constexpr char kRunningVersion[] = "1.1.0.4";

// True when the service names another version than runningVersion: its
// text, without surrounding blanks and line breaks, differs and, with
// every ',' removed, begins with a number of at least 1. A higher and a
// lower version both count. No answer, an empty one or one that is not a
// version (an error page) gives false.
bool CheckForUpdate(const char* runningVersion);

// The decision on an answer text, as CheckForUpdate makes it.
bool IsOtherVersion(const std::string& answer, const char* runningVersion);

// Fetches the updater into the data folder's "Update.exe" (replacing an
// older copy only once the new one arrived whole), makes it executable and
// starts it with its path as the only argument. True when it started.
bool RunUpdater();
