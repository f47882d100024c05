#include "kvostudio/httpclient.h"
#include "kvostudio/mimetypes.h"
#include "platform/http/http.h"
#include "tests/support/fake_service.h"
#include "tests/support/temp_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

namespace {

using platform::http::Error;
using testsupport::FakeService;
using testsupport::Fault;
using testsupport::FaultKind;

std::vector<uint8_t> Bytes(size_t size, unsigned seed)
{
    std::vector<uint8_t> b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>((i * 131 + seed) & 0xFF);
    return b;
}

TEST(HttpClientParseUrl, SplitsProtocolHostPortAndObject)
{
    HttpClient::UrlParts p;
    ASSERT_TRUE(HttpClient::ParseURL("http://up.example.com/upload/file.asp?x=1", p));
    EXPECT_EQ(p.protocol, "http");
    EXPECT_EQ(p.host, "up.example.com");
    EXPECT_EQ(p.port, 80);
    EXPECT_EQ(p.object, "/upload/file.asp?x=1");

    ASSERT_TRUE(HttpClient::ParseURL("https://secure.example.com/a", p));
    EXPECT_EQ(p.protocol, "https");
    EXPECT_EQ(p.port, 443);
    EXPECT_EQ(p.object, "/a");

    ASSERT_TRUE(HttpClient::ParseURL("host.example.com:8080/path", p));
    EXPECT_EQ(p.protocol, "http");
    EXPECT_EQ(p.host, "host.example.com");
    EXPECT_EQ(p.port, 8080);
    EXPECT_EQ(p.object, "/path");

    ASSERT_TRUE(HttpClient::ParseURL("http://host.example.com", p));
    EXPECT_EQ(p.host, "host.example.com");
    EXPECT_EQ(p.object, "");

    ASSERT_TRUE(HttpClient::ParseURL("https://h:8443", p));
    EXPECT_EQ(p.host, "h");
    EXPECT_EQ(p.port, 8443);
}

TEST(HttpClientParseUrl, RefusesPortsOutsideSixteenBitsAndOverlongParts)
{
    HttpClient::UrlParts p;
    EXPECT_FALSE(HttpClient::ParseURL("http://h:70000/", p));  // would wrap to another port
    EXPECT_FALSE(HttpClient::ParseURL("http://h:0/", p));
    EXPECT_FALSE(HttpClient::ParseURL("http://h:/", p));
    EXPECT_FALSE(HttpClient::ParseURL("http://h:8o/", p));
    EXPECT_FALSE(HttpClient::ParseURL("http:///path", p));
    EXPECT_FALSE(HttpClient::ParseURL(nullptr, p));
    EXPECT_FALSE(HttpClient::ParseURL(("http://h/" + std::string(1023, 'x')).c_str(), p));
    EXPECT_TRUE(HttpClient::ParseURL(("http://h/" + std::string(1022, 'x')).c_str(), p));
}

TEST(HttpClientContentType, ComesFromTheMimeTableByTheBaseNamesExtension)
{
    testsupport::TempDir dir;
    const std::string table = dir.File("mime.types");
    {
        std::ofstream out(table);
        out << "# comment line audio/x-none kvo\n"
               "audio/mpeg\t\tmpga mp2 mp3\n"
               "text/plain txt  # trailing comment kvo\n"
               "application/x-empty\n";
    }
    EXPECT_EQ(LookupMimeType("mp3", table.c_str()), "audio/mpeg");
    EXPECT_EQ(LookupMimeType("MP3", table.c_str()), "audio/mpeg");
    EXPECT_EQ(LookupMimeType("txt", table.c_str()), "text/plain");
    EXPECT_EQ(LookupMimeType("kvo", table.c_str()), "");
    EXPECT_EQ(LookupMimeType("mp3", dir.File("missing").c_str()), "");

    // The system table knows mp3; a dot in a folder name is no extension.
    EXPECT_EQ(HttpClient::GetContentType("/music/take.2/song.MP3"), "audio/mpeg");
    EXPECT_EQ(HttpClient::GetContentType("/music/take.mp3/song"), "application/octet-stream");
    EXPECT_EQ(HttpClient::GetContentType("/music/song.kvo"), "application/octet-stream");
}

TEST(HttpClientMultipart, BodyIsLaidOutByteForByte)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("take.kvo");
    testsupport::WriteFile(path, {'K', 'V', 0, '\r', '\n', 'O'});

    HttpClient client;
    client.AddPostArgument("FID", 5);
    client.AddPostArgument("fileupload", path.c_str(), 1);
    std::string body;
    ASSERT_TRUE(client.BuildMultiPartsBody(body));

    // The file goes by its name only: where it lies stays on the user's disk.
    const std::string expected = std::string("----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
                                             "Content-Disposition: form-data; name=\"FID\"\r\n"
                                             "\r\n"
                                             "5\r\n"
                                             "----MULTI-PARTS-FORM-DATA-BOUNDARY\r\n"
                                             "Content-Disposition: form-data; name=\"fileupload\"; filename=\"take.kvo\"\r\n"
                                             "Content-Type: application/octet-stream\r\n"
                                             "\r\n") +
                                 std::string("KV\0\r\nO", 6) +
                                 "\r\n"
                                 "----MULTI-PARTS-FORM-DATA-BOUNDARY--\r\n";
    EXPECT_EQ(body, expected);
    // Each part's length, then the closing delimiter: 2 + boundary + 4.
    EXPECT_EQ(body.size(), expected.size());
    EXPECT_EQ(body.size() - body.rfind("----MULTI"), 2 + std::strlen(HttpClient::kBoundary) + 4);
}

TEST(HttpClientMultipart, QuotesAndLineBreaksInNamesCannotStartAHeader)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("a\"b\r\nX-Injected: 1.mp3");
    testsupport::WriteFile(path, {'x'});
    HttpClient client;
    client.AddPostArgument("n\"a\r\nme", "v");
    client.AddPostArgument("file", path.c_str(), 1);
    std::string body;
    ASSERT_TRUE(client.BuildMultiPartsBody(body));
    EXPECT_NE(body.find("name=\"n%22a%0D%0Ame\"\r\n"), std::string::npos);
    EXPECT_NE(body.find("a%22b%0D%0AX-Injected: 1.mp3\"\r\n"), std::string::npos);
    EXPECT_EQ(body.find("\r\nX-Injected"), std::string::npos);
}

TEST(HttpClientMultipart, AnUnreadableFileSendsNothing)
{
    FakeService fake;
    ASSERT_TRUE(fake.Start());
    HttpClient client;
    client.AddPostArgument("FID", 1);
    client.AddPostArgument("fileupload", "/nonexistent/take.mp3", 1);
    EXPECT_EQ(client.Request(fake.Url(FakeService::kUploadPath).c_str(), HttpClient::kMethodMultipartPost, "UA"), 0);
    EXPECT_NE(client.GetLastErrorCode(), 0);
    EXPECT_EQ(fake.RequestCount(), 0u);
}

class HttpClientAgainstFake : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fake_.Start()); }

    FakeService fake_;
    testsupport::TempDir dir_;
};

TEST_F(HttpClientAgainstFake, UploadSendsTheBodyInPiecesAndCountsThem)
{
    const std::string path = dir_.File("Cache.mp3");
    const std::vector<uint8_t> data = Bytes(20000, 7);
    testsupport::WriteFile(path, data);

    HttpClient client;
    client.AddPostArgument("FID", 5);
    client.AddPostArgument("fileupload", path.c_str(), 1);
    std::string expectedBody;
    ASSERT_TRUE(client.BuildMultiPartsBody(expectedBody));

    g_nSentBytes = 0;
    std::atomic<bool> done{false};
    std::atomic<bool> watching{false};
    std::vector<int> seen;
    std::thread poller([&] {
        int last = -1;
        for (bool finished = false; !finished;) {
            finished = done;  // one more look after the request has ended
            const int now = g_nSentBytes;
            if (now != last)
                seen.push_back(now);
            last = now;
            watching = true;
            std::this_thread::yield();
        }
    });
    // The counter's start is seen before a byte goes, however late the
    // poller is scheduled on a busy machine.
    while (!watching)
        std::this_thread::yield();
    const int result = client.Request(fake_.Url(FakeService::kUploadPath).c_str(), HttpClient::kMethodMultipartPost,
                                      "ONLINE-KVOSTUDIO");
    done = true;
    poller.join();

    ASSERT_EQ(result, 1) << client.GetLastErrorCode();
    EXPECT_EQ(g_nSentBytes.load(), static_cast<int>(expectedBody.size()));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), static_cast<int>(expectedBody.size()));
    // The poller sees the start and most steps; a busy machine may hide
    // some, never show a value that is not a step.
    EXPECT_GE(seen.size(), 2u);
    EXPECT_EQ(seen.front(), 0);
    for (size_t i = 0; i < seen.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(seen[i], seen[i - 1]);
        }
        if (seen[i] != static_cast<int>(expectedBody.size())) {
            EXPECT_EQ(seen[i] % 4096, 0) << seen[i];
        }
    }

    const auto requests = fake_.RequestsFor(FakeService::kUploadPath);
    ASSERT_EQ(requests.size(), 1u);
    const auto& r = requests[0];
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.version, "HTTP/1.0");
    EXPECT_EQ(r.body, expectedBody);
    EXPECT_EQ(r.Header("Content-Length"), std::to_string(expectedBody.size()));
    EXPECT_EQ(r.Header("Content-Type"), "multipart/form-data; boundary=--MULTI-PARTS-FORM-DATA-BOUNDARY");
    EXPECT_EQ(r.Header("Accept"), "*/*");
    EXPECT_EQ(r.Header("User-Agent"), "ONLINE-KVOSTUDIO");
    const auto parts = r.MultipartParts();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].name, "FID");
    EXPECT_EQ(parts[0].data, "5");
    EXPECT_EQ(parts[1].name, "fileupload");
    EXPECT_EQ(parts[1].fileName, "Cache.mp3");  // the name only: where it lies stays private
    EXPECT_EQ(parts[1].contentType, "audio/mpeg");
    EXPECT_EQ(parts[1].data, std::string(data.begin(), data.end()));

    EXPECT_STREQ(client.QueryHTTPResponse(), FakeService::UploadXml(0, "OK").c_str());
    EXPECT_EQ(std::string(client.QueryHTTPResponseHeaders()).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
}

TEST_F(HttpClientAgainstFake, GetAndUrlEncodedPost)
{
    fake_.SetFile("/files/a.txt", "hello");
    HttpClient get;
    ASSERT_EQ(get.Request(fake_.Url("/files/a.txt?x=1").c_str(), HttpClient::kMethodGet, "UA"), 1);
    EXPECT_STREQ(get.QueryHTTPResponse(), "hello");
    EXPECT_EQ(fake_.Requests().back().method, "GET");
    EXPECT_EQ(fake_.Requests().back().target, "/files/a.txt?x=1");

    HttpClient post;
    post.AddPostArgument("id", "a&b=c");
    post.AddPostArgument("n", 3);
    ASSERT_EQ(post.Request(fake_.Url("/files/a.txt").c_str(), HttpClient::kMethodUrlEncodedPost, "UA"), 1);
    const auto r = fake_.Requests().back();
    EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
    const testsupport::HeaderList expected = {{"id", "a&b=c"}, {"n", "3"}};
    EXPECT_EQ(r.FormFields(), expected);
}

TEST_F(HttpClientAgainstFake, AnswerIsCutAtItsCapacity)
{
    fake_.SetFault("/big", Fault{FaultKind::Oversize, 500, "", HttpClient::kAnswerCapacity + 1});
    HttpClient client;
    ASSERT_EQ(client.Request(fake_.Url("/big").c_str(), HttpClient::kMethodGet, "UA"), 1);
    EXPECT_EQ(client.ResponseLength(), HttpClient::kAnswerCapacity);
    EXPECT_EQ(std::strlen(client.QueryHTTPResponse()), HttpClient::kAnswerCapacity);
}

TEST_F(HttpClientAgainstFake, EmptyBodyOrErrorStatusIsFailure)
{
    fake_.SetFault("/empty", Fault{FaultKind::EmptyBody});
    HttpClient client;
    EXPECT_EQ(client.Request(fake_.Url("/empty").c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(fake_.RequestCount(), 1u);  // the server did answer

    fake_.SetFault("/error", Fault{FaultKind::Status, 500});
    EXPECT_EQ(client.Request(fake_.Url("/error").c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Status));
    EXPECT_STREQ(client.QueryHTTPResponse(), "");
}

TEST_F(HttpClientAgainstFake, OnlyHttpAndHttpsAreFetched)
{
    HttpClient client;
    EXPECT_EQ(client.Request("ftp://127.0.0.1/x", HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Scheme));
    EXPECT_EQ(client.Request("file:///etc/passwd", HttpClient::kMethodGet, "UA"), 0);

    fake_.SetFault("/away", Fault{FaultKind::Redirect, 302, "file:///etc/passwd"});
    EXPECT_EQ(client.Request(fake_.Url("/away").c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Scheme));
    EXPECT_STREQ(client.QueryHTTPResponse(), "");

    fake_.SetFile("/there", "arrived");
    fake_.SetFault("/hop", Fault{FaultKind::Redirect, 302, fake_.Url("/there")});
    ASSERT_EQ(client.Request(fake_.Url("/hop").c_str(), HttpClient::kMethodGet, "UA"), 1);
    EXPECT_STREQ(client.QueryHTTPResponse(), "arrived");
}

TEST_F(HttpClientAgainstFake, HttpsIsNeverPlainHttp)
{
    // The fake speaks plain HTTP only: an https address to it must fail in
    // the secure handshake instead of sending the request in clear.
    // Bounds far above the handshake's failure, which must be what ends
    // the request even on a loaded machine.
    HttpClient client;
    client.SetTimeouts(15000, 15000, 20000);
    const std::string url = "https://127.0.0.1:" + std::to_string(fake_.HttpPort()) + "/files/x";
    EXPECT_EQ(client.Request(url.c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Tls));
    EXPECT_EQ(fake_.RequestCount(), 0u);
}

TEST_F(HttpClientAgainstFake, FaultsEndInBoundedTimeWithoutAnswer)
{
    const std::string path = dir_.File("take.mp3");
    testsupport::WriteFile(path, Bytes(20000, 1));
    const struct {
        FaultKind kind;
        Error error;
    } cases[] = {
        {FaultKind::Stall, Error::Timeout},        {FaultKind::StallMidBody, Error::Timeout},
        {FaultKind::Truncate, Error::Receive},     {FaultKind::Reset, Error::Receive},
        {FaultKind::CloseAtOnce, Error::Receive},  {FaultKind::Slow, Error::Timeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        fake_.SetFault(FakeService::kUploadPath, Fault{c.kind, 500, "", 0, 200});
        HttpClient client;
        client.SetTimeouts(1000, 1000, 3000);
        client.AddPostArgument("FID", 5);
        client.AddPostArgument("fileupload", path.c_str(), 1);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.Request(fake_.Url(FakeService::kUploadPath).c_str(), HttpClient::kMethodMultipartPost, "UA"), 0);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::seconds(10));
        if (c.kind != FaultKind::Reset && c.kind != FaultKind::CloseAtOnce) {
            EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(c.error));
        }
        EXPECT_STREQ(client.QueryHTTPResponse(), "");
    }
}

TEST(HttpClientConnect, RefusedPortFailsAtOnce)
{
    HttpClient client;
    const std::string url = "http://127.0.0.1:" + std::to_string(FakeService::RefusedPort()) + "/x";
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(client.Request(url.c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Connect));
}

}  // namespace

namespace {

// A second server on 127.0.0.2 stands for any other host.
class HttpClientRedirects : public HttpClientAgainstFake {
protected:
    void SetUp() override
    {
        HttpClientAgainstFake::SetUp();
        ASSERT_TRUE(other_.Start("127.0.0.2", false));
        path_ = dir_.File("take.mp3");
        testsupport::WriteFile(path_, Bytes(9000, 3));
    }
    int Upload(HttpClient& client)
    {
        client.AddPostArgument("FID", 5);
        client.AddPostArgument("fileupload", path_.c_str(), 1);
        return client.Request(fake_.Url("/up").c_str(), HttpClient::kMethodMultipartPost, "UA");
    }

    FakeService other_;
    std::string path_;
};

TEST_F(HttpClientRedirects, NothingIsSentToAnotherServer)
{
    for (int status : {301, 302, 303, 307, 308}) {
        SCOPED_TRACE(status);
        fake_.SetFault("/up", Fault{FaultKind::Redirect, status, other_.Url(FakeService::kUploadPath)});
        HttpClient upload;
        EXPECT_EQ(Upload(upload), 0);
        EXPECT_EQ(upload.GetLastErrorCode(), static_cast<int>(Error::Offsite));

        fake_.SetFault("/form", Fault{FaultKind::Redirect, status, other_.Url("/form")});
        HttpClient form;
        form.AddPostArgument("userid", "singer");
        EXPECT_EQ(form.Request(fake_.Url("/form").c_str(), HttpClient::kMethodUrlEncodedPost, "UA"), 0);
        EXPECT_EQ(form.GetLastErrorCode(), static_cast<int>(Error::Offsite));
    }
    EXPECT_EQ(other_.RequestCount(), 0u);
    EXPECT_EQ(fake_.RequestsFor("/up").size(), 5u);
}

TEST_F(HttpClientRedirects, AnUploadKeepsItsBodyOrFails)
{
    // 307 within the server: the same body goes to the new address.
    fake_.SetFault("/up", Fault{FaultKind::Redirect, 307, fake_.Url(FakeService::kUploadPath)});
    HttpClient kept;
    ASSERT_EQ(Upload(kept), 1) << kept.GetLastErrorCode();
    const auto arrived = fake_.RequestsFor(FakeService::kUploadPath);
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].method, "POST");
    EXPECT_EQ(arrived[0].body, fake_.RequestsFor("/up").at(0).body);
    EXPECT_EQ(g_nSentBytes.load(), static_cast<int>(arrived[0].body.size()));

    // 302 would fetch the new address with a GET; its answer is not the
    // upload's, so the upload fails instead.
    fake_.ClearLog();
    fake_.SetFault("/up", Fault{FaultKind::Redirect, 302, fake_.Url(FakeService::kUploadPath)});
    HttpClient dropped;
    EXPECT_EQ(Upload(dropped), 0);
    EXPECT_EQ(dropped.GetLastErrorCode(), static_cast<int>(Error::Redirect));
    EXPECT_TRUE(fake_.RequestsFor(FakeService::kUploadPath).empty());
    EXPECT_STREQ(dropped.QueryHTTPResponse(), "");

    // A GET follows any redirect within the server.
    fake_.SetFile("/there", "arrived");
    fake_.SetFault("/hop", Fault{FaultKind::Redirect, 301, "/there"});
    HttpClient get;
    ASSERT_EQ(get.Request(fake_.Url("/hop").c_str(), HttpClient::kMethodGet, "UA"), 1);
    EXPECT_STREQ(get.QueryHTTPResponse(), "arrived");
}

TEST_F(HttpClientRedirects, HttpsNeverFallsBackToHttp)
{
    FakeService secure;
    ASSERT_TRUE(secure.Start("127.0.0.1", true));
    ::setenv("KVO_HTTPS_CA_FILE", FakeService::CertificateFile().c_str(), 1);
    secure.SetFile("/files/a.txt", "secret");
    HttpClient direct;
    ASSERT_EQ(direct.Request(secure.Url("/files/a.txt").c_str(), HttpClient::kMethodGet, "UA"), 1);
    EXPECT_STREQ(direct.QueryHTTPResponse(), "secret");

    fake_.SetFile("/files/a.txt", "clear");
    secure.SetFault("/files/a.txt", Fault{FaultKind::Redirect, 302, fake_.Url("/files/a.txt")});
    HttpClient client;
    EXPECT_EQ(client.Request(secure.Url("/files/a.txt").c_str(), HttpClient::kMethodGet, "UA"), 0);
    EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Offsite));
    EXPECT_EQ(fake_.RequestCount(), 0u);
    ::unsetenv("KVO_HTTPS_CA_FILE");
}

TEST_F(HttpClientAgainstFake, ACancelEndsARequestAtOnceWhateverTheServerDoes)
{
    const std::string path = dir_.File("take.mp3");
    testsupport::WriteFile(path, Bytes(20000, 1));
    for (const FaultKind kind : {FaultKind::Stall, FaultKind::Slow}) {
        SCOPED_TRACE(static_cast<int>(kind));
        fake_.SetFault(FakeService::kUploadPath, Fault{kind, 500, "", 0, 400});
        std::atomic<bool> cancel{false};
        HttpClient client;
        client.SetCancelCheck([&] { return !cancel; });
        client.AddPostArgument("fileupload", path.c_str(), 1);
        std::thread canceller([&] {
            ASSERT_TRUE(fake_.WaitForRequests(1, 10000));
            // Cancelled in the middle of the server's silence (or trickle),
            // a wait the client does not announce.
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            cancel = true;
        });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(client.Request(fake_.Url(FakeService::kUploadPath).c_str(), HttpClient::kMethodMultipartPost, "UA"),
                  0);
        canceller.join();
        // Within a second of the cancel; a busy machine is allowed more.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(client.GetLastErrorCode(), static_cast<int>(Error::Cancelled));
        fake_.ClearLog();
    }
}

TEST(HttpClientMultipart, AFileSendsExactlyTheBytesMeasured)
{
    testsupport::TempDir dir;
    const std::string path = dir.File("take.mp3");
    const std::vector<uint8_t> data = Bytes(5000, 9);
    testsupport::WriteFile(path, data);
    auto fileData = [](HttpClient& client, std::string& body) {
        if (!client.BuildMultiPartsBody(body))
            return std::string("<failed>");
        const std::string head = "\r\n\r\n";
        const size_t start = body.rfind(head) + head.size();
        return body.substr(start, body.rfind("\r\n----MULTI") - start);
    };
    // Grown since it was measured: only the measured bytes go.
    HttpClient grown;
    grown.AddPostFile("fileupload", path.c_str(), 3000);
    std::string body;
    EXPECT_EQ(fileData(grown, body), std::string(data.begin(), data.begin() + 3000));
    // Shrunk since: nothing goes.
    HttpClient shrunk;
    shrunk.AddPostFile("fileupload", path.c_str(), 6000);
    EXPECT_EQ(fileData(shrunk, body), "<failed>");
    EXPECT_TRUE(body.empty());
}

}  // namespace
