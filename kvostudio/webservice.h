#pragma once
// The web-service calls, their answers, and the service pages the program
// opens in the browser. Each call posts its form to the service host
// through PostForm and reads the answer's fields in the order they stand:
// (root) > Records > ErrorCode, then the call's own fields. Text values are
// form-encoded, so an ID holding '&' or '=' still arrives as one value.

#include "kvostudio/serviceconfig.h"

#include <functional>
#include <string>
#include <vector>

struct PostFormLimits;

// What every call hands back.
struct ServiceReply {
    bool answered = false;    // an answer arrived at all
    bool hasRecords = false;  // it had a Records element under its root
    int errorCode = 0;        // ErrorCode as a number (0 when missing)
    std::string failure;      // without an answer: why, in the user's words
    bool Succeeded() const { return answered && hasRecords && errorCode == 1; }
    // Why the call did not succeed, in the user's words ("the service did
    // not answer in time", "cancelled"); empty when it did.
    std::string WhyNot() const;
};

// "/webservice/studio/getfid" and "getrelayfid": where to upload a file.
struct FidReply : ServiceReply {
    int fid = 0;
    std::string ip;
    std::string serverUrl;
};

// "/webservice/studio/getlimitcount": Count is read whatever ErrorCode says.
struct CountReply : ServiceReply {
    int count = 0;
};

// "addmetadata" and "addrelaymetadata": ErrorMsg is shown on failure.
struct MessageReply : ServiceReply {
    std::string errorMsg;
};

// One row of "/webservice/studio/getdownlist".
struct DownItem {
    std::string fid;
    std::string downUrl;
    std::string artist;
    std::string subject;
    std::string fileName;
};

struct DownListReply : ServiceReply {
    std::vector<DownItem> items;
};

// The values sent after an upload.
struct UploadMetadata {
    int userNo = 0;
    std::string userId;
    int fid = 0;
    int kvoId = 0;
    int playTime = 0;   // whole seconds
    int fileSize = 0;   // bytes
    std::string ip;
};

// Files the service keeps for the phone at most.
constexpr int kPhoneFileLimit = 10;

// keepGoing, when given, is asked at least every 100 ms while a call waits
// and ends it unanswered ("cancelled") once it says false.
using KeepGoing = std::function<bool()>;

FidReply CallGetFid(const KeepGoing& keepGoing = nullptr);
FidReply CallGetRelayFid(const KeepGoing& keepGoing = nullptr);
CountReply CallGetLimitCount(int userNo, const KeepGoing& keepGoing = nullptr);
MessageReply CallAddMetadata(const UploadMetadata& values, const KeepGoing& keepGoing = nullptr);
// fileName: the file-name part of the uploaded path, UTF-8.
MessageReply CallAddRelayMetadata(const UploadMetadata& values, const std::string& fileName,
                                  const KeepGoing& keepGoing = nullptr);
// The answer's root may have any name. Items are read only on success.
DownListReply CallGetDownList(int userNo, const KeepGoing& keepGoing = nullptr);
// The answer's root may have any name.
ServiceReply CallAddNotUse(const std::string& fid, const KeepGoing& keepGoing = nullptr);
// The answer is not read: true when one arrived. keepGoing, when given,
// can end the call early (no answer).
bool CallAddRelayDownResult(const std::string& fid, const KeepGoing& keepGoing = nullptr);
// "/bin/version.txt": plain text. False (text empty) without an answer.
// limits: the call's own bounds instead of the shared ones.
bool CallGetVersionText(std::string& text, const PostFormLimits* limits = nullptr);

// The answer of the upload server to a multipart upload: ERROR > ERRORCODE
// (0 = success), ERRORMESSAGE. code stays -1 when there is no ERROR element.
void ReadUploadAnswer(const char* text, int& code, std::string& message);

// A page of the service, opened in the user's browser.
struct ServicePage {
    ServiceHost host;
    const char* path;
};

namespace ServicePages {
inline constexpr ServicePage kHome{ServiceHost::Service, "/"};
inline constexpr ServicePage kEditor{ServiceHost::Service, "/tools/editor"};
inline constexpr ServicePage kMyAudio{ServiceHost::Service, "/mypage/audio/all"};
inline constexpr ServicePage kMyKvo{ServiceHost::Service, "/mypage/kvo/all"};
inline constexpr ServicePage kTicket{ServiceHost::Service, "/bill/product/ticket"};
inline constexpr ServicePage kHelp{ServiceHost::Service, "/help/category/23"};
inline constexpr ServicePage kRemixHelp{ServiceHost::Service, "/help/category/23#basictitle13"};
inline constexpr ServicePage kEditAccount{ServiceHost::Member, "/Auth/Edit/edit_basic_1.asp#Menu5"};
inline constexpr ServicePage kFindId{ServiceHost::Member, "/FindID/findid_1.asp"};
inline constexpr ServicePage kFindPassword{ServiceHost::Member, "/FindPwd/findpwd_1.asp"};
inline constexpr ServicePage kJoin{ServiceHost::Member, "/Join/join_1.asp"};
}  // namespace ServicePages

// The page's full address; empty when its host is not configured.
std::string PageAddress(const ServicePage& page);
