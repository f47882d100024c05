// The multipart form body of HttpClient and the content type of its files.

#include "kvostudio/httpclient.h"

#include "kvostudio/mimetypes.h"
#include "kvostudio/onlinetrace.h"
#include "platform/filemap/regular_file.h"
#include "platform/http/http.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdint>
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

// The last part of a path: the server learns the file's name, not where it
// lies on the user's disk.
std::string BaseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Appends 'length' bytes from the file's start to out (length -1: the whole
// file as it is now). What goes out is exactly what was measured: a file
// that grew since is cut there, one that shrank fails. False also when it
// cannot be opened or read, or is too large for one body.
bool AppendFile(const std::string& path, int64_t length, std::string& out)
{
    std::unique_ptr<std::FILE, FileCloser> file(platform::OpenRegularFileStream(path));
    if (!file)
        return false;
    if (length < 0) {
        if (std::fseek(file.get(), 0, SEEK_END) != 0)
            return false;
        length = std::ftell(file.get());
        std::rewind(file.get());
        if (length < 0)
            return false;
    }
    // The body's length goes out as an int; keep room for the closing lines.
    constexpr size_t kLimit = INT_MAX - 65536;
    const auto size = static_cast<uint64_t>(length);
    if (size > kLimit || out.size() > kLimit - size) {
        errno = EFBIG;
        return false;
    }
    const size_t start = out.size();
    out.resize(start + size);
    size_t got = 0;
    while (got < size) {
        const size_t n = std::fread(out.data() + start + got, 1, size - got, file.get());
        if (n == 0)
            break;
        got += n;
    }
    if (got != size) {
        if (!std::ferror(file.get()))
            errno = ENODATA;  // shorter than measured
        out.resize(start);
        return false;
    }
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
                    "; filename=" + QuotedParameter(BaseName(a.value)) + kCrlf;
            body += "Content-Type: " + GetContentType(a.value.c_str()) + kCrlf;
            body += kCrlf;
            if (!AppendFile(a.value, a.length, body)) {
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
