#include "kvostudio/startrequest.h"

#include <filesystem>
#include <system_error>

namespace {

std::string Absolute(const std::string& path, const std::string& folder)
{
    if (path.empty() || path.front() == '/' || folder.empty())
        return path;
    std::string joined = folder;
    if (joined.back() != '/')
        joined += '/';
    return std::filesystem::path(joined + path).lexically_normal().string();
}

}  // namespace

StartRequest ReadStartRequest(const std::string& arg1, const std::string& arg2, const std::string& workingFolder)
{
    StartRequest request;
    if (arg1 == "/open" || arg1 == "/play") {
        request.option = arg1;
        request.path = Absolute(arg2, workingFolder);
    } else if (!arg1.empty() && arg2.empty()) {
        // A file alone. With a second argument the first is a switch this
        // program does not know, and nothing is asked for.
        request.option = "/open";
        request.path = Absolute(arg1, workingFolder);
    }
    return request;
}

std::string CurrentWorkingFolder()
{
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

