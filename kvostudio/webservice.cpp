#include "kvostudio/webservice.h"

#include "kvostudio/formencode.h"
#include "kvostudio/postform.h"
#include "kvostudio/xmlreader.h"

#include <cstdlib>
#include <memory>

namespace {

// Posts to a path of the service host; the answer text, or false with why
// in 'failure'. Without limits of its own the call uses the ones every call
// shares.
bool Post(const char* path, const std::string& body, std::string& text, std::string& failure,
          const KeepGoing& keepGoing = nullptr, const PostFormLimits* limits = nullptr)
{
    std::unique_ptr<char[]> answer;
    int length = 0;
    PostForm(ServiceAddress(ServiceHost::Service, path), body, answer, length,
             limits ? *limits : GetPostFormLimits(), keepGoing, &failure);
    if (!answer || length == 0)
        return false;
    text.assign(answer.get());
    return true;
}

// The same for a reply: its failure is filled in.
bool Post(const char* path, const std::string& body, std::string& text, ServiceReply& reply,
          const KeepGoing& keepGoing)
{
    return Post(path, body, text, reply.failure, keepGoing);
}

// A service answer, positioned inside Records after ErrorCode so that the
// call's own fields can be read in order.
class AnswerReader {
public:
    // root: the top-level element's name, or null for whichever comes first.
    void Open(const std::string& text, const char* root, ServiceReply& reply)
    {
        reply.answered = true;
        xml_.ParseDocument(text.c_str());
        if (!xml_.FindNextElement(root) || !xml_.FindChildElement("Records") || !xml_.EnterElement())
            return;
        reply.hasRecords = true;
        reply.errorCode = std::atoi(Field("ErrorCode").c_str());
    }

    // The next child of that name after the one read last; "" when missing.
    std::string Field(const char* name)
    {
        return xml_.FindChildElement(name) ? xml_.GetChildText() : std::string();
    }

    CXmlReader& Xml() { return xml_; }

private:
    CXmlReader xml_;
};

constexpr const char* kStudio = "Studio";

FidReply FidCall(const char* path, const KeepGoing& keepGoing)
{
    FidReply reply;
    std::string text;
    if (!Post(path, "", text, reply, keepGoing))
        return reply;
    AnswerReader reader;
    reader.Open(text, kStudio, reply);
    if (reply.hasRecords) {
        reply.fid = std::atoi(reader.Field("Fid").c_str());
        reply.ip = reader.Field("Ip");
        reply.serverUrl = reader.Field("ServerUrl");
    }
    return reply;
}

std::string MetadataBody(const UploadMetadata& v)
{
    return "userno=" + std::to_string(v.userNo) + "&userid=" + FormEncode(v.userId) + "&fid=" + std::to_string(v.fid) +
           "&kvoid=" + std::to_string(v.kvoId) + "&playtime=" + std::to_string(v.playTime) +
           "&filesize=" + std::to_string(v.fileSize) + "&ip=" + FormEncode(v.ip);
}

MessageReply MessageCall(const char* path, const std::string& body, const KeepGoing& keepGoing)
{
    MessageReply reply;
    std::string text;
    if (!Post(path, body, text, reply, keepGoing))
        return reply;
    AnswerReader reader;
    reader.Open(text, kStudio, reply);
    if (reply.hasRecords)
        reply.errorMsg = reader.Field("ErrorMsg");
    return reply;
}

}  // namespace

std::string ServiceReply::WhyNot() const
{
    if (!answered)
        return failure.empty() ? std::string("the service did not answer") : failure;
    if (!hasRecords)
        return "the service's answer could not be read";
    if (errorCode != 1)
        return "the service refused the request (error code " + std::to_string(errorCode) + ")";
    return {};
}

FidReply CallGetFid(const KeepGoing& keepGoing)
{
    return FidCall("/webservice/studio/getfid", keepGoing);
}

FidReply CallGetRelayFid(const KeepGoing& keepGoing)
{
    return FidCall("/webservice/studio/getrelayfid", keepGoing);
}

CountReply CallGetLimitCount(int userNo, const KeepGoing& keepGoing)
{
    CountReply reply;
    std::string text;
    if (!Post("/webservice/studio/getlimitcount", "userno=" + std::to_string(userNo), text, reply, keepGoing))
        return reply;
    AnswerReader reader;
    reader.Open(text, kStudio, reply);
    if (reply.hasRecords)
        reply.count = std::atoi(reader.Field("Count").c_str());
    return reply;
}

MessageReply CallAddMetadata(const UploadMetadata& values, const KeepGoing& keepGoing)
{
    return MessageCall("/webservice/studio/addmetadata", MetadataBody(values), keepGoing);
}

MessageReply CallAddRelayMetadata(const UploadMetadata& values, const std::string& fileName,
                                  const KeepGoing& keepGoing)
{
    return MessageCall("/webservice/studio/addrelaymetadata",
                       MetadataBody(values) + "&filename=" + FormEncode(fileName), keepGoing);
}

DownListReply CallGetDownList(int userNo, const KeepGoing& keepGoing)
{
    DownListReply reply;
    std::string text;
    if (!Post("/webservice/studio/getdownlist", "userno=" + std::to_string(userNo), text, reply, keepGoing))
        return reply;
    AnswerReader reader;
    reader.Open(text, nullptr, reply);
    if (!reply.Succeeded())
        return reply;
    CXmlReader& xml = reader.Xml();
    while (xml.FindChildElement("Item")) {
        xml.EnterElement();
        DownItem item;
        item.fid = reader.Field("FID");
        item.downUrl = reader.Field("DownUrl");
        item.artist = reader.Field("Artist");
        item.subject = reader.Field("Subject");
        item.fileName = reader.Field("FileName");
        xml.LeaveElement();
        reply.items.push_back(std::move(item));
    }
    return reply;
}

ServiceReply CallAddNotUse(const std::string& fid, const KeepGoing& keepGoing)
{
    ServiceReply reply;
    std::string text;
    if (!Post("/webservice/studio/addnotuse", "fid=" + FormEncode(fid), text, reply, keepGoing))
        return reply;
    AnswerReader reader;
    reader.Open(text, nullptr, reply);
    return reply;
}

bool CallAddRelayDownResult(const std::string& fid, const KeepGoing& keepGoing)
{
    std::string text;
    std::string failure;
    return Post("/webservice/studio/addrelaydownresult", "fid=" + FormEncode(fid), text, failure, keepGoing);
}

bool CallGetVersionText(std::string& text, const PostFormLimits* limits)
{
    text.clear();
    std::string failure;
    return Post("/bin/version.txt", "", text, failure, nullptr, limits);
}

void ReadUploadAnswer(const char* text, int& code, std::string& message)
{
    code = -1;
    message.clear();
    CXmlReader xml;
    xml.ParseDocument(text);
    if (!xml.FindNextElement("ERROR"))
        return;
    if (xml.FindChildElement("ERRORCODE"))
        code = std::atoi(xml.GetChildText().c_str());
    if (xml.FindChildElement("ERRORMESSAGE"))
        message = xml.GetChildText();
}

std::string PageAddress(const ServicePage& page)
{
    return ServiceAddress(page.host, page.path);
}
