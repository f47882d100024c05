// Reading what a client sent to the fake service: headers, form fields and
// multipart parts.

#include "tests/support/fake_service.h"

#include <cctype>
#include <cstdlib>

namespace testsupport {

namespace {

bool SameText(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                   std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The value of a parameter such as name="..." in a header line; found
// tells whether it was there at all.
std::string Parameter(const std::string& line, const std::string& key, bool& found)
{
    found = false;
    const std::string wanted = "; " + key + "=\"";
    const size_t at = line.find(wanted);
    if (at == std::string::npos)
        return {};
    const size_t start = at + wanted.size();
    const size_t end = line.find('"', start);
    if (end == std::string::npos)
        return {};
    found = true;
    return line.substr(start, end - start);
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const
{
    for (const auto& [key, value] : headers) {
        if (SameText(key, name))
            return value;
    }
    return {};
}

HeaderList RecordedRequest::FormFields() const
{
    HeaderList fields;
    if (body.empty())
        return fields;
    size_t start = 0;
    for (;;) {
        const size_t amp = body.find('&', start);
        const std::string pair = body.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        const size_t eq = pair.find('=');
        if (eq == std::string::npos)
            fields.emplace_back(PercentDecode(pair), "");
        else
            fields.emplace_back(PercentDecode(pair.substr(0, eq)), PercentDecode(pair.substr(eq + 1)));
        if (amp == std::string::npos)
            return fields;
        start = amp + 1;
    }
}

std::vector<RecordedRequest::Part> RecordedRequest::MultipartParts() const
{
    std::vector<Part> parts;
    const std::string type = Header("Content-Type");
    const size_t b = type.find("boundary=");
    if (type.rfind("multipart/form-data", 0) != 0 || b == std::string::npos)
        return parts;
    const std::string delimiter = "--" + type.substr(b + 9);
    size_t pos = body.find(delimiter);
    if (pos != 0)
        return {};
    for (;;) {
        pos += delimiter.size();
        if (body.compare(pos, 4, "--\r\n") == 0)
            return parts;  // the closing delimiter
        if (body.compare(pos, 2, "\r\n") != 0)
            return {};
        pos += 2;
        const size_t headEnd = body.find("\r\n\r\n", pos);
        if (headEnd == std::string::npos)
            return {};
        Part part;
        part.headers = body.substr(pos, headEnd + 2 - pos);
        const size_t dataStart = headEnd + 4;
        const size_t next = body.find("\r\n" + delimiter, dataStart);
        if (next == std::string::npos)
            return {};
        part.data = body.substr(dataStart, next - dataStart);
        bool found = false;
        part.name = Parameter(part.headers, "name", found);
        part.fileName = Parameter(part.headers, "filename", part.hasFileName);
        const size_t ct = part.headers.find("Content-Type: ");
        if (ct != std::string::npos)
            part.contentType = part.headers.substr(ct + 14, part.headers.find("\r\n", ct) - ct - 14);
        parts.push_back(std::move(part));
        pos = next + 2;
    }
}

}  // namespace testsupport
