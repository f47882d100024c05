#include "kvostudio/folders.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/fs/directory.h"
#include "platform/fs/known_folders.h"
#include "platform/fs/process_info.h"

namespace {

std::string WithTrailingSlash(std::string folder)
{
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

bool GetUserDataFolder(char* out)
{
    if (out == nullptr) return false;
    out[0] = '\0';
    std::string folder = platform::EnvironmentValue("KVO_DATA_DIR");
    if (folder.empty()) {
        std::string base = platform::UserDataHome();
        // No home of any kind: there is no right place, and the current
        // directory is not one.
        if (base.empty()) return false;
        folder = base + "/kvoStudio";
    }
    folder = WithTrailingSlash(folder);
    // A cut path would be some other folder.
    if (folder.size() >= static_cast<size_t>(MAX_PATH)) return false;
    std::memcpy(out, folder.c_str(), folder.size() + 1);
    CreateDirectoryPath(out);
    return true;
}

std::string GetUserDataFilePath(const char* fileName)
{
    char folder[MAX_PATH] = {};
    if (!GetUserDataFolder(folder)) return std::string();
    return std::string(folder) + (fileName ? fileName : "");
}

std::string GetProgramFolder()
{
    std::string exe = platform::ExecutablePath();
    size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return std::string();
    return exe.substr(0, slash + 1);
}

std::string GetSkinFolder()
{
    std::string skin = platform::EnvironmentValue("KVO_SKIN_DIR");
    if (!skin.empty()) return WithTrailingSlash(skin);
    std::string program = GetProgramFolder();
    return program.empty() ? std::string() : program + "skin/";
}

int CreateDirectoryPath(const char* path)
{
    if (path == nullptr || path[0] == '\0') return 2;
    std::string folder(path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder == "/" || platform::IsDirectory(folder)) return 0;
    int err = platform::MakeDirectory(folder);
    // Only a missing parent is worth climbing for; any other failure
    // (permissions, a file in the way) is the answer.
    if (err != ENOENT) return err;
    int slash = FindLastChar(folder.c_str(), '/');
    if (slash < 1) return 2;
    int parent = CreateDirectoryPath(folder.substr(0, static_cast<size_t>(slash)).c_str());
    if (parent != 0) return parent;
    return platform::MakeDirectory(folder);
}

int FindLastChar(const char* text, char c)
{
    if (text == nullptr) return 0;
    const char* found = std::strrchr(text, c);
    return found ? static_cast<int>(found - text) : 0;
}

const char* FindFileNamePart(const char* path)
{
    if (path == nullptr) return nullptr;
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

char* CutFileNamePart(char* path)
{
    if (path == nullptr) return nullptr;
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return path;
    char* cut = slash + 1;
    if (*cut != '\0') *cut = '\0';
    return cut;
}

std::string GetFullPathFileName(const char* path)
{
    if (path == nullptr || path[0] == '\0') return std::string();
    std::string full(path);
    if (full.back() == '/') return std::string();
    if (full[0] != '/') full = platform::CurrentDirectory() + "/" + full;
    // Resolve "." and ".." by name, as a full-path lookup does, without
    // asking the disk.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= full.size()) {
        size_t end = full.find('/', start);
        if (end == std::string::npos) end = full.size();
        std::string part = full.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts.empty() ? std::string() : parts.back();
}

std::string GetFileNamePart(const char* path)
{
    if (path == nullptr) return std::string();
    return FindFileNamePart(path);
}
