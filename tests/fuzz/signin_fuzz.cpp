// The sign-in server's reply record, whatever arrives: the status, the two
// texts and the user number.
// fuzz-sources: kvostudio/signinreply.cpp platform/text/wipe.cpp
#include "kvostudio/loginimpl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CLoginImpl::Reply reply = CLoginImpl::ReadSignInReply(data, size);
    // The texts come from their fields and never run into the next one.
    if (reply.text36.size() > 36 || reply.text8.size() > 8)
        __builtin_trap();
    if (!reply.accepted && (reply.userNumber != 0 || !reply.text36.empty()))
        __builtin_trap();
    return 0;
}
