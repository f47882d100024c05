// The sign-in server's reply record, read on its own: the worker hands it
// whatever arrived.
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "kvostudio/loginimpl.h"
#include "platform/text/wipe.h"

namespace {

constexpr size_t kText36Offset = 2;
constexpr size_t kText8Offset = 39;
constexpr size_t kNumberOffset = 48;

// The NUL-terminated text at offset of a zero-terminated record.
std::string TextAt(const char* record, size_t offset)
{
    return std::string(record + offset);
}

}  // namespace

CLoginImpl::Reply CLoginImpl::ReadSignInReply(const uint8_t* bytes, size_t size)
{
    // One byte more than the record keeps the last text terminated whatever
    // arrived.
    char record[kReplySize + 1] = {};
    std::memcpy(record, bytes, size < kReplySize ? size : kReplySize);
    for (size_t separator : {1, 38, 47, 58})
        record[separator] = 0;

    Reply reply;
    if (record[0] != '1') {
        platform::WipeBytes(record, sizeof record);
        return reply;
    }
    reply.accepted = true;
    errno = 0;
    char* end = nullptr;
    const long number = std::strtol(record + kNumberOffset, &end, 10);
    if (errno == 0 && end != record + kNumberOffset && number >= INT_MIN && number <= INT_MAX)
        reply.userNumber = static_cast<int>(number);
    reply.text36 = TextAt(record, kText36Offset);
    reply.text8 = TextAt(record, kText8Offset);
    // The session's texts are secrets: no copy stays on the stack.
    platform::WipeBytes(record, sizeof record);
    return reply;
}
