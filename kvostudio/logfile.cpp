// The diagnostic log: log.txt in the data folder, appended to, never cut.
#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "kvostudio/folders.h"
#include "kvostudio/helpers.h"

namespace {

std::atomic<int> g_logLine{0};

std::mutex& LogLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

void WriteLog(const char* text)
{
    if (text == nullptr) return;
    // Numbers count calls, also those whose line could not be written.
    const int line = g_logLine.fetch_add(1);
    std::string path = GetUserDataFilePath("log.txt");
    if (path.empty()) return;
    // A line goes out whole, however long the text; the lock keeps lines
    // of two threads from interleaving.
    std::string entry = std::to_string(line) + " - " + text + "\r\n";
    std::lock_guard<std::mutex> lock(LogLock());
    std::FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr) return;
    std::fwrite(entry.data(), 1, entry.size(), file);
    std::fclose(file);
}
