// The fake service's HTTP side: reading a request, choosing the answer or
// the fault, writing it; and the answers it starts with.

#include "tests/support/fake_service.h"

#include "tests/support/fake_service_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace testsupport {

namespace fakeio {

int WaitReadable(int fd, int stopFd, int ms)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int rc = ::poll(fds, 2, ms);
    if (rc <= 0)
        return 0;
    if (fds[1].revents)
        return -1;
    return 1;
}

bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void CloseWithReset(int fd)
{
    linger l{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    ::close(fd);
}

}  // namespace fakeio

namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kMaxBodyBytes = 64 * 1024 * 1024;
constexpr int kReadTimeoutMs = 10000;

const char* Reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t");
    const size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

bool FakeService::ReadRequest(int fd, RecordedRequest& request)
{
    std::string data;
    char buffer[8192];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
    auto readMore = [&]() {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0 || fakeio::WaitReadable(fd, wakeRead_, static_cast<int>(left)) <= 0)
            return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return false;
        data.append(buffer, static_cast<size_t>(n));
        return true;
    };

    size_t headerEnd;
    while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > kMaxHeaderBytes || !readMore())
            return false;
        // Not HTTP (a TLS handshake, say): hang up at once.
        if (data[0] < 'A' || data[0] > 'Z')
            return false;
    }
    const std::string head = data.substr(0, headerEnd);
    size_t lineEnd = head.find("\r\n");
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t s1 = requestLine.find(' ');
    const size_t s2 = requestLine.rfind(' ');
    if (s1 == std::string::npos || s2 == s1)
        return false;
    request.method = requestLine.substr(0, s1);
    request.target = requestLine.substr(s1 + 1, s2 - s1 - 1);
    request.version = requestLine.substr(s2 + 1);
    request.path = request.target.substr(0, request.target.find('?'));
    while (lineEnd != std::string::npos) {
        const size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string line = head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
        const size_t colon = line.find(':');
        if (colon != std::string::npos)
            request.headers.emplace_back(line.substr(0, colon), Trim(line.substr(colon + 1)));
    }

    const std::string lengthText = request.Header("Content-Length");
    const size_t length = lengthText.empty() ? 0 : std::strtoull(lengthText.c_str(), nullptr, 10);
    if (length > kMaxBodyBytes)
        return false;
    request.body = data.substr(headerEnd + 4);
    while (request.body.size() < length) {
        data.clear();
        if (!readMore())
            return false;
        request.body += data;
    }
    request.body.resize(length);
    return true;
}

void FakeService::ServeHttp(int fd)
{
    Fault fault;
    // A fault for every path that closes at once does so before reading.
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = faults_.find("");
        if (it != faults_.end() && it->second.kind == FaultKind::CloseAtOnce && it->second.times != 0) {
            if (it->second.times > 0)
                --it->second.times;
            ::close(fd);
            return;
        }
    }
    RecordedRequest request;
    if (!ReadRequest(fd, request)) {
        ::close(fd);
        return;
    }
    const std::string path = request.path;
    HttpAnswer answer = AnswerFor(request);
    Record(std::move(request));
    if (!TakeFault(path, fault))
        fault = Fault{};

    switch (fault.kind) {
    case FaultKind::CloseAtOnce:
        ::close(fd);
        return;
    case FaultKind::Reset:
        fakeio::CloseWithReset(fd);
        return;
    case FaultKind::Stall:
        WaitForClose(fd, 60000);
        ::close(fd);
        return;
    case FaultKind::Oversize:
        answer = HttpAnswer{};
        answer.body.assign(fault.size, 'x');
        break;
    case FaultKind::Status:
        answer = HttpAnswer{};
        answer.status = fault.status;
        answer.body = "<Studio><Records><ErrorCode>1</ErrorCode></Records></Studio>";
        break;
    case FaultKind::Redirect:
        answer = HttpAnswer{};
        answer.status = fault.status >= 300 && fault.status < 400 ? fault.status : 302;
        answer.headers.emplace_back("Location", fault.location);
        answer.body = "moved";
        break;
    case FaultKind::MalformedXml:
        answer = HttpAnswer{};
        answer.body = "<Studio><Records><ErrorCode>1</ErrorCode><Fid>5</Records></Studio>";
        break;
    case FaultKind::EmptyBody:
        answer = HttpAnswer{};
        break;
    default:
        break;
    }
    SendAnswer(fd, answer, fault);
    ::close(fd);
}

void FakeService::SendAnswer(int fd, const HttpAnswer& answer, const Fault& fault)
{
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) + "\r\n";
    for (const auto& [name, value] : answer.headers)
        head += name + ": " + value + "\r\n";
    if (answer.sendContentLength)
        head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";

    switch (fault.kind) {
    case FaultKind::StallMidBody:
        fakeio::SendAll(fd, head.data(), head.size());
        fakeio::SendAll(fd, answer.body.data(), answer.body.size() / 2);
        WaitForClose(fd, 60000);
        return;
    case FaultKind::Truncate:
        fakeio::SendAll(fd, head.data(), head.size());
        fakeio::SendAll(fd, answer.body.data(), answer.body.size() / 2);
        return;
    case FaultKind::Slow: {
        const std::string all = head + answer.body;
        for (const char c : all) {
            if (!fakeio::SendAll(fd, &c, 1) || !Pause(fault.delayMs))
                return;
        }
        return;
    }
    default:
        fakeio::SendAll(fd, head.data(), head.size());
        fakeio::SendAll(fd, answer.body.data(), answer.body.size());
        // Let the client read to the end before the close.
        ::shutdown(fd, SHUT_WR);
        WaitForClose(fd, 5000);
        return;
    }
}

std::string FakeService::ServiceXml(const std::string& root, int errorCode, const HeaderList& fields)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<" + root + ">\r\n  <Records>\r\n";
    xml += "    <ErrorCode>" + std::to_string(errorCode) + "</ErrorCode>\r\n";
    for (const auto& [name, value] : fields)
        xml += "    <" + name + ">" + value + "</" + name + ">\r\n";
    return xml + "  </Records>\r\n</" + root + ">\r\n";
}

std::string FakeService::UploadXml(int errorCode, const std::string& message)
{
    return "<?xml version=\"1.0\"?>\r\n<ERROR>\r\n  <ERRORCODE>" + std::to_string(errorCode) +
           "</ERRORCODE>\r\n  <ERRORMESSAGE>" + message + "</ERRORMESSAGE>\r\n</ERROR>\r\n";
}

void FakeService::InstallDefaults()
{
    const std::string fid = std::to_string(kFid);
    const std::string relayFid = std::to_string(kRelayFid);
    SetXmlAnswer("/webservice/studio/getfid",
                 ServiceXml("Studio", 1, {{"Fid", fid}, {"Ip", kIp}, {"ServerUrl", Url(kUploadPath)}}));
    SetXmlAnswer("/webservice/studio/getrelayfid",
                 ServiceXml("Studio", 1, {{"Fid", relayFid}, {"Ip", kIp}, {"ServerUrl", Url(kUploadPath)}}));
    SetXmlAnswer("/webservice/studio/getlimitcount",
                 ServiceXml("Studio", 1, {{"Count", std::to_string(kLimitCount)}}));
    SetXmlAnswer("/webservice/studio/addmetadata", ServiceXml("Studio", 1, {{"ErrorMsg", ""}}));
    SetXmlAnswer("/webservice/studio/addrelaymetadata", ServiceXml("Studio", 1, {{"ErrorMsg", ""}}));
    SetXmlAnswer("/webservice/studio/addnotuse", ServiceXml("Studio", 1, {}));
    SetXmlAnswer("/webservice/studio/addrelaydownresult", ServiceXml("Studio", 1, {}));

    std::string items;
    const char* rows[][4] = {{"101", "song1.kvo", "Artist One", "Song One"},
                             {"102", "song2.kvo", "Artist Two", "Song Two"}};
    for (const auto& row : rows) {
        items += std::string("<Item><FID>") + row[0] + "</FID><DownUrl>" + Url(std::string("/files/") + row[1]) +
                 "</DownUrl><Artist>" + row[2] + "</Artist><Subject>" + row[3] + "</Subject><FileName>" + row[1] +
                 "</FileName></Item>";
    }
    // The rows stand after ErrorCode inside Records.
    std::string list = ServiceXml("Phone", 1, {});
    list.insert(list.find("  </Records>"), items + "\r\n");
    SetXmlAnswer("/webservice/studio/getdownlist", list);

    HttpAnswer version;
    version.headers.emplace_back("Content-Type", "text/plain");
    version.body = kVersion;
    SetAnswer("/bin/version.txt", version);
    SetFile("/bin/Update.exe", std::string("MZ fake updater\n"));
    SetFile("/files/song1.kvo", std::string(3000, '\x11'));
    SetFile("/files/song2.kvo", std::string(5000, '\x22'));
    SetXmlAnswer(kUploadPath, UploadXml(0, "OK"));
}

}  // namespace testsupport
