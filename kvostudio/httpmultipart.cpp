// The multipart form body of HttpClient and the content type of its files.

#include "kvostudio/httpclient.h"

#include "kvostudio/mimetypes.h"
#include "kvostudio/onlinetrace.h"
#include "platform/http/http.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr const char* kCrlf = "\r\n";

// A name or file name inside a quoted header parameter: a quote or a line
// break in it would end the parameter or start a header of its own, so
// they are written as %22, %0D and %0A, the way browsers send them.
std::string QuotedParameter(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"')
            out += "%22";
        else if (c == '\r')
            out += "%0D";
        else if (c == '\n')
            out += "%0A";
        else
            out += c;
    }
    return out + "\"";
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// Appends the whole file to out. False when it cannot be opened, measured
// or read, or when it is too large for one body.
bool AppendFile(const std::string& path, std::string& out)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    // The body's length goes out as an int; keep room for the closing lines.
    constexpr size_t kLimit = INT_MAX - 65536;
    if (size < 0 || static_cast<size_t>(size) > kLimit || out.size() > kLimit - static_cast<size_t>(size)) {
        errno = EFBIG;
        return false;
    }
    std::rewind(file.get());
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(size));
    // A file that grew since it was measured is sent as it was measured.
    const size_t got = std::fread(out.data() + start, 1, static_cast<size_t>(size), file.get());
    if (got != static_cast<size_t>(size) && std::ferror(file.get()))
        return false;
    out.resize(start + got);
    return true;
}

}  // namespace

bool HttpClient::BuildMultiPartsBody(std::string& body)
{
    body.clear();
    const std::string delimiter = std::string("--") + kBoundary + kCrlf;
    for (const __HTTP_ARGUMENT& a : arguments_) {
        body += delimiter;
        if (a.type == kFileArgument) {
            body += "Content-Disposition: form-data; name=" + QuotedParameter(a.name) +
                    "; filename=" + QuotedParameter(a.value) + kCrlf;
            body += "Content-Type: " + GetContentType(a.value.c_str()) + kCrlf;
            body += kCrlf;
            if (!AppendFile(a.value, body)) {
                const int error = errno;
                lastError_ = static_cast<int>(platform::http::Error::Aborted);
                OnlineTrace("\nHttpClient: cannot read %s: %s\n", a.value.c_str(), std::strerror(error));
                body.clear();
                return false;
            }
            body += kCrlf;
        } else {
            body += "Content-Disposition: form-data; name=" + QuotedParameter(a.name) + kCrlf;
            body += kCrlf;
            body += a.value + kCrlf;
        }
    }
    body += std::string("--") + kBoundary + "--" + kCrlf;
    if (body.size() > INT_MAX) {
        lastError_ = static_cast<int>(platform::http::Error::TooLarge);
        body.clear();
        return false;
    }
    return true;
}

std::string HttpClient::GetContentType(const char* path)
{
    const std::string p = path ? path : "";
    const size_t slash = p.find_last_of('/');
    const std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
    const size_t dot = base.find_last_of('.');
    std::string type;
    if (dot != std::string::npos)
        type = LookupMimeType(base.substr(dot + 1));
    return type.empty() ? "application/octet-stream" : type;
}
