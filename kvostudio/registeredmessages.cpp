#include "kvostudio/registeredmessages.h"

#include "platform/appmsg/registered_message.h"

namespace {

// Registered before the program's entry point, as windows expect to find
// them ready.
const unsigned int g_mouseMoveMsg = platform::RegisterWindowMessage(kMouseMoveMsgName);
const unsigned int g_openMsg = platform::RegisterWindowMessage(kOpenMsgName);

}  // namespace

unsigned int GetMouseMoveHookMessage()
{
    // A caller running in another module's static initialiser may come
    // before the variables above are set; the table answers the same id.
    return g_mouseMoveMsg ? g_mouseMoveMsg : platform::RegisterWindowMessage(kMouseMoveMsgName);
}

unsigned int GetOpenMessage()
{
    return g_openMsg ? g_openMsg : platform::RegisterWindowMessage(kOpenMsgName);
}
