#include "kvostudio/mimetypes.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return s;
}

}  // namespace

std::string LookupMimeType(const std::string& extension, const char* tablePath)
{
    if (extension.empty() || !tablePath)
        return {};
    std::ifstream table(tablePath);
    if (!table)
        return {};
    const std::string wanted = Lower(extension);
    std::string line;
    while (std::getline(table, line)) {
        const size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.resize(hash);
        std::istringstream words(line);
        std::string type;
        if (!(words >> type))
            continue;
        std::string ext;
        while (words >> ext) {
            if (Lower(ext) == wanted)
                return type;
        }
    }
    return {};
}
