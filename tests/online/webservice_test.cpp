#include "kvostudio/formencode.h"
#include "kvostudio/postform.h"
#include "kvostudio/webservice.h"
#include "tests/support/fake_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <cstdlib>

namespace {

using testsupport::FakeService;
using testsupport::Fault;
using testsupport::FaultKind;
using testsupport::HeaderList;

constexpr const char* kStudioPath = "/webservice/studio/";

class WebServiceCalls : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fake_.Start());
        ::setenv("KVO_SERVICE_URL", (fake_.BaseUrl() + "/").c_str(), 1);
        saved_ = GetPostFormLimits();
        PostFormLimits quick;
        quick.connectTimeoutMs = 1000;
        quick.totalTimeoutMs = 2000;
        quick.maxAnswer = 64 * 1024;
        SetPostFormLimits(quick);
    }
    void TearDown() override
    {
        ::unsetenv("KVO_SERVICE_URL");
        SetPostFormLimits(saved_);
    }

    // The one request the last call made, checked for what every call sends.
    testsupport::RecordedRequest OnlyRequest(const std::string& path)
    {
        const auto all = fake_.Requests();
        EXPECT_EQ(all.size(), 1u);
        if (all.empty())
            return {};
        const auto& r = all[0];
        EXPECT_EQ(r.path, path);
        EXPECT_EQ(r.method, "POST");
        EXPECT_EQ(r.Header("User-Agent"), "ONLINE-KVOSTUDIO");
        EXPECT_EQ(r.Header("Content-Type"), "application/x-www-form-urlencoded");
        EXPECT_EQ(r.Header("Content-Length"), std::to_string(r.body.size()));
        return r;
    }

    FakeService fake_;
    PostFormLimits saved_;
};

TEST_F(WebServiceCalls, GetFidAndGetRelayFid)
{
    const FidReply reply = CallGetFid();
    EXPECT_TRUE(reply.Succeeded());
    EXPECT_EQ(reply.fid, FakeService::kFid);
    EXPECT_EQ(reply.ip, FakeService::kIp);
    EXPECT_EQ(reply.serverUrl, fake_.Url(FakeService::kUploadPath));
    EXPECT_EQ(OnlyRequest("/webservice/studio/getfid").body, "");

    fake_.ClearLog();
    const FidReply relay = CallGetRelayFid();
    EXPECT_TRUE(relay.Succeeded());
    EXPECT_EQ(relay.fid, FakeService::kRelayFid);
    EXPECT_EQ(OnlyRequest("/webservice/studio/getrelayfid").body, "");
}

TEST_F(WebServiceCalls, LimitCountIsReadWhateverTheErrorCode)
{
    CountReply reply = CallGetLimitCount(42);
    EXPECT_TRUE(reply.Succeeded());
    EXPECT_EQ(reply.count, FakeService::kLimitCount);
    EXPECT_EQ(OnlyRequest("/webservice/studio/getlimitcount").body, "userno=42");

    fake_.SetXmlAnswer("/webservice/studio/getlimitcount", FakeService::ServiceXml("Studio", 0, {{"Count", "10"}}));
    reply = CallGetLimitCount(42);
    EXPECT_FALSE(reply.Succeeded());
    EXPECT_EQ(reply.errorCode, 0);
    EXPECT_EQ(reply.count, kPhoneFileLimit);
}

TEST_F(WebServiceCalls, MetadataBodiesCarryEveryValueAsOneField)
{
    UploadMetadata v;
    v.userNo = 12345;
    v.userId = "a&b=c";
    v.fid = 5;
    v.kvoId = 777;
    v.playTime = 181;
    v.fileSize = 2048000;
    v.ip = "10.1.2.3";
    fake_.SetXmlAnswer("/webservice/studio/addmetadata", FakeService::ServiceXml("Studio", 0, {{"ErrorMsg", "Quota &amp; limit"}}));
    const MessageReply reply = CallAddMetadata(v);
    EXPECT_TRUE(reply.answered);
    EXPECT_FALSE(reply.Succeeded());
    EXPECT_EQ(reply.errorMsg, "Quota & limit");
    const auto r = OnlyRequest("/webservice/studio/addmetadata");
    EXPECT_EQ(r.body, "userno=12345&userid=a%26b%3Dc&fid=5&kvoid=777&playtime=181&filesize=2048000&ip=10.1.2.3");
    const HeaderList fields = {{"userno", "12345"}, {"userid", "a&b=c"}, {"fid", "5"},      {"kvoid", "777"},
                               {"playtime", "181"}, {"filesize", "2048000"}, {"ip", "10.1.2.3"}};
    EXPECT_EQ(r.FormFields(), fields);

    fake_.ClearLog();
    const MessageReply relay = CallAddRelayMetadata(v, "노래 1 & 2.kvo");
    EXPECT_TRUE(relay.Succeeded());
    const auto rr = OnlyRequest("/webservice/studio/addrelaymetadata");
    const HeaderList relayFields = rr.FormFields();
    ASSERT_EQ(relayFields.size(), 8u);
    EXPECT_EQ(relayFields[7], (std::pair<std::string, std::string>("filename", "노래 1 & 2.kvo")));
}

TEST_F(WebServiceCalls, DownListReadsEveryItemInOrder)
{
    const DownListReply reply = CallGetDownList(9);
    ASSERT_TRUE(reply.Succeeded());
    ASSERT_EQ(reply.items.size(), 2u);
    EXPECT_EQ(reply.items[0].fid, "101");
    EXPECT_EQ(reply.items[0].downUrl, fake_.Url("/files/song1.kvo"));
    EXPECT_EQ(reply.items[0].artist, "Artist One");
    EXPECT_EQ(reply.items[0].subject, "Song One");
    EXPECT_EQ(reply.items[0].fileName, "song1.kvo");
    EXPECT_EQ(reply.items[1].fid, "102");
    EXPECT_EQ(OnlyRequest("/webservice/studio/getdownlist").body, "userno=9");

    fake_.SetXmlAnswer("/webservice/studio/getdownlist",
                       "<X><Records><ErrorCode>3</ErrorCode><Item><FID>1</FID></Item></Records></X>");
    const DownListReply refused = CallGetDownList(9);
    EXPECT_TRUE(refused.answered);
    EXPECT_FALSE(refused.Succeeded());
    EXPECT_TRUE(refused.items.empty());
}

TEST_F(WebServiceCalls, NotUseAndDownloadResult)
{
    const ServiceReply notUse = CallAddNotUse("101");
    EXPECT_TRUE(notUse.Succeeded());
    EXPECT_EQ(OnlyRequest("/webservice/studio/addnotuse").body, "fid=101");

    fake_.ClearLog();
    fake_.SetXmlAnswer("/webservice/studio/addrelaydownresult", "not xml at all");
    EXPECT_TRUE(CallAddRelayDownResult("1 2"));  // answered; the answer is not read
    EXPECT_EQ(OnlyRequest("/webservice/studio/addrelaydownresult").body, "fid=1%202");
}

TEST_F(WebServiceCalls, VersionTextIsPlainText)
{
    std::string text;
    ASSERT_TRUE(CallGetVersionText(text));
    EXPECT_EQ(text, FakeService::kVersion);
    EXPECT_EQ(OnlyRequest("/bin/version.txt").body, "");
}

TEST_F(WebServiceCalls, AnswersWithoutRecordsOrWithTheWrongRootFail)
{
    fake_.SetXmlAnswer("/webservice/studio/getfid", "<Studio><Other/></Studio>");
    FidReply reply = CallGetFid();
    EXPECT_TRUE(reply.answered);
    EXPECT_FALSE(reply.hasRecords);
    EXPECT_FALSE(reply.Succeeded());

    fake_.SetXmlAnswer("/webservice/studio/getfid", FakeService::ServiceXml("Phone", 1, {{"Fid", "9"}}));
    reply = CallGetFid();
    EXPECT_FALSE(reply.Succeeded());
    EXPECT_EQ(reply.fid, 0);

    // Phone-list calls take whatever root comes first.
    fake_.SetXmlAnswer("/webservice/studio/addnotuse", FakeService::ServiceXml("Anything", 1, {}));
    EXPECT_TRUE(CallAddNotUse("1").Succeeded());
}

TEST_F(WebServiceCalls, FieldsOutOfOrderAreLost)
{
    fake_.SetXmlAnswer("/webservice/studio/getfid",
                       FakeService::ServiceXml("Studio", 1, {{"ServerUrl", "http://u/"}, {"Fid", "8"}, {"Ip", "i"}}));
    const FidReply reply = CallGetFid();
    EXPECT_TRUE(reply.Succeeded());
    EXPECT_EQ(reply.fid, 8);
    EXPECT_EQ(reply.ip, "i");
    EXPECT_EQ(reply.serverUrl, "");
}

TEST_F(WebServiceCalls, EveryFaultIsNoAnswerInBoundedTimeThatSaysWhy)
{
    struct Case {
        Fault fault;
        const char* why;
    };
    const Case cases[] = {
        {{FaultKind::Stall}, "the service did not answer in time"},
        {{FaultKind::StallMidBody}, "the service did not answer in time"},
        {{FaultKind::Slow, 500, "", 0, 100}, "the service did not answer in time"},
        {{FaultKind::Truncate}, "the connection to the service broke off"},
        {{FaultKind::Reset}, "the connection to the service broke off"},
        {{FaultKind::CloseAtOnce}, "the connection to the service broke off"},
        {{FaultKind::Oversize, 500, "", 64 * 1024 + 1}, "the service's answer was too large"},
        {{FaultKind::Status, 500}, "the service answered with an error (HTTP 500)"},
        {{FaultKind::Status, 404}, "the service answered with an error (HTTP 404)"},
        {{FaultKind::Status, 302}, "the service answered with an error (HTTP 302)"},
        {{FaultKind::Redirect, 302, "ftp://127.0.0.1/x"}, "the service sent the request elsewhere"},
        {{FaultKind::EmptyBody}, "the service's answer was empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault.kind) * 1000 + c.fault.status);
        fake_.SetFault("", c.fault);
        const auto start = std::chrono::steady_clock::now();
        const FidReply reply = CallGetFid();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
        EXPECT_FALSE(reply.answered);
        EXPECT_FALSE(reply.Succeeded());
        EXPECT_EQ(reply.fid, 0);
        EXPECT_EQ(reply.WhyNot(), c.why);
    }
    fake_.ClearFaults();
    EXPECT_TRUE(CallGetFid().Succeeded());
    EXPECT_EQ(CallGetFid().WhyNot(), "");

    // An answer that is no answer, or a refusal, says so too.
    fake_.SetXmlAnswer("/webservice/studio/getfid", "<Studio><Other/></Studio>");
    EXPECT_EQ(CallGetFid().WhyNot(), "the service's answer could not be read");
    fake_.SetXmlAnswer("/webservice/studio/getfid", FakeService::ServiceXml("Studio", 0, {}));
    EXPECT_EQ(CallGetFid().WhyNot(), "the service refused the request (error code 0)");
}

TEST_F(WebServiceCalls, ACallThatIsNoLongerWantedEndsAtOnce)
{
    fake_.SetFault("", Fault{FaultKind::Stall});
    const auto start = std::chrono::steady_clock::now();
    auto keepGoing = [&] { return std::chrono::steady_clock::now() - start < std::chrono::milliseconds(200); };
    const DownListReply list = CallGetDownList(9, keepGoing);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1000));
    EXPECT_FALSE(list.answered);
    EXPECT_EQ(list.WhyNot(), "cancelled");
    for (auto call : std::vector<std::function<bool()>>{
             [&] { return CallGetFid(keepGoing).answered; }, [&] { return CallGetRelayFid(keepGoing).answered; },
             [&] { return CallGetLimitCount(1, keepGoing).answered; },
             [&] { return CallAddMetadata({}, keepGoing).answered; },
             [&] { return CallAddRelayMetadata({}, "f", keepGoing).answered; },
             [&] { return CallAddNotUse("1", keepGoing).answered; }}) {
        EXPECT_FALSE(call());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
    fake_.ClearFaults();
}

TEST_F(WebServiceCalls, AFormIsNeverSentToAnotherServer)
{
    FakeService other;
    ASSERT_TRUE(other.Start("127.0.0.2", false));
    UploadMetadata values;
    values.userNo = 7;
    values.userId = "singer";
    for (int status : {302, 307}) {
        SCOPED_TRACE(status);
        fake_.SetFault("/webservice/studio/addmetadata",
                       Fault{FaultKind::Redirect, status, other.Url("/webservice/studio/addmetadata")});
        EXPECT_FALSE(CallAddMetadata(values).answered);
    }
    EXPECT_EQ(other.RequestCount(), 0u);

    // Within the server, a 307 takes the form along.
    fake_.SetXmlAnswer("/moved", FakeService::ServiceXml("Studio", 1, {{"ErrorMsg", ""}}));
    fake_.SetFault("/webservice/studio/addmetadata", Fault{FaultKind::Redirect, 307, fake_.Url("/moved")});
    EXPECT_TRUE(CallAddMetadata(values).Succeeded());
    EXPECT_EQ(fake_.RequestsFor("/moved").at(0).body, fake_.RequestsFor("/webservice/studio/addmetadata").at(0).body);
}

TEST_F(WebServiceCalls, MalformedXmlIsAnAnswerThatFails)
{
    fake_.SetFault("", Fault{FaultKind::MalformedXml});
    const FidReply reply = CallGetFid();
    EXPECT_TRUE(reply.answered);
    EXPECT_FALSE(reply.Succeeded());
    EXPECT_EQ(reply.fid, 0);
}

TEST(WebServiceUnconfigured, EveryCallIsNoAnswerAtOnce)
{
    ::unsetenv("KVO_SERVICE_URL");
    ASSERT_EQ(ServiceHostAddress(ServiceHost::Service), "");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(CallGetFid().answered);
    EXPECT_EQ(CallGetFid().WhyNot(), "no online service is configured");
    EXPECT_FALSE(CallGetLimitCount(1).answered);
    std::string text;
    EXPECT_FALSE(CallGetVersionText(text));
    EXPECT_EQ(PageAddress(ServicePages::kHome), "");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));

    std::unique_ptr<char[]> answer(new char[1]);
    int length = 7;
    PostForm("", "x=1", answer, length, GetPostFormLimits(), nullptr);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(length, 0);
}

TEST(WebServiceConfig, AddressesComeFromTheEnvironment)
{
    ::setenv("KVO_SERVICE_URL", "http://svc.test:8080/", 1);
    ::setenv("KVO_MEMBER_URL", "https://member.test", 1);
    EXPECT_EQ(PageAddress(ServicePages::kMyKvo), "http://svc.test:8080/mypage/kvo/all");
    EXPECT_EQ(PageAddress(ServicePages::kRemixHelp), "http://svc.test:8080/help/category/23#basictitle13");
    EXPECT_EQ(PageAddress(ServicePages::kJoin), "https://member.test/Join/join_1.asp");
    ::unsetenv("KVO_SERVICE_URL");
    ::unsetenv("KVO_MEMBER_URL");

    std::string host;
    int port = 0;
    ::setenv("KVO_SIGNIN_ADDR", "signin.test", 1);
    ASSERT_TRUE(SignInServerAddress(host, port));
    EXPECT_EQ(host, "signin.test");
    EXPECT_EQ(port, kDefaultSignInPort);
    ::setenv("KVO_SIGNIN_ADDR", "127.0.0.1:9001", 1);
    ASSERT_TRUE(SignInServerAddress(host, port));
    EXPECT_EQ(host, "127.0.0.1");
    EXPECT_EQ(port, 9001);
    ::setenv("KVO_SIGNIN_ADDR", "h:99999", 1);
    EXPECT_FALSE(SignInServerAddress(host, port));
    ::unsetenv("KVO_SIGNIN_ADDR");
    EXPECT_FALSE(SignInServerAddress(host, port));
}

TEST(WebServiceUploadAnswer, ReadsCodeAndMessage)
{
    int code = 0;
    std::string message;
    ReadUploadAnswer(FakeService::UploadXml(0, "OK").c_str(), code, message);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(message, "OK");
    ReadUploadAnswer(FakeService::UploadXml(3, "Too big").c_str(), code, message);
    EXPECT_EQ(code, 3);
    EXPECT_EQ(message, "Too big");
    // Without ERRORCODE the answer is not taken for a success.
    ReadUploadAnswer("<ERROR><ERRORMESSAGE>m</ERRORMESSAGE></ERROR>", code, message);
    EXPECT_EQ(code, -1);
    ReadUploadAnswer("<html>error page</html>", code, message);
    EXPECT_EQ(code, -1);
    EXPECT_EQ(message, "");
}

TEST(FormEncoding, KeepsOnlyUnreservedCharacters)
{
    EXPECT_EQ(FormEncode("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(FormEncode("a&b=c+d%e f\r\n"), "a%26b%3Dc%2Bd%25e%20f%0D%0A");
    EXPECT_EQ(FormEncode("\xEB\x85\xB8"), "%EB%85%B8");
    EXPECT_EQ(FormEncode(""), "");
}

}  // namespace
