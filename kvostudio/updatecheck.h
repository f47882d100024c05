#pragma once
// The update check of start-up: the service publishes the current version
// text at "/bin/version.txt"; when it names a newer version than the
// running one, the updater program "/bin/Update.exe" is fetched into the
// per-user data folder and, once the user agrees (updatestep.h), started.
// An updater is only ever taken over https from the service's own server
// (a redirect may not lead elsewhere), and only whole. Every call blocks its
// caller, within bounds: the check for kUpdateCheckMs at most, the fetch
// for its limits or until keepGoing says stop.

#include <cstdint>
#include <functional>
#include <string>

// The version text start-up passes.
inline constexpr char kRunningVersion[] = "1.1.0.4";
// How long the version check may take in all, the connection included.
inline constexpr int kUpdateCheckMs = 3000;

// True when the answer, without surrounding blanks and line breaks, is a
// version (numbers joined by '.' or ',') higher than runningVersion.
// Missing trailing numbers count as 0. An equal, lower or empty answer, or
// one that is not a version (an error page), gives false.
bool IsNewerVersion(const std::string& answer, const char* runningVersion);

// Asks the service for its version text; true when it names a newer version
// (its text then in *offered, when given). No answer within kUpdateCheckMs
// counts as no update.
bool CheckForUpdate(const char* runningVersion, std::string* offered = nullptr);

// Fetches the updater into the data folder's "Update.exe" (replacing an
// older copy only once the new one arrived whole) and makes it executable.
// Only from an https service address. False with a short text for the
// user in reason (why it could not be had); progress and keepGoing as for
// DownloadToFile.
bool FetchUpdater(std::string& path, std::string& reason,
                  const std::function<void(int64_t received, int64_t announced)>& progress = nullptr,
                  const std::function<bool()>& keepGoing = nullptr);

// Starts the fetched updater with its path as the only argument. True when
// it started.
bool StartUpdater(const std::string& path);
