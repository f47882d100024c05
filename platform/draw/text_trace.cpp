#include "platform/draw/text_trace.h"

namespace platform {
namespace {

thread_local TextTrace* g_current = nullptr;

}  // namespace

TextTrace::TextTrace() : previous_(g_current)
{
    g_current = this;
}

TextTrace::~TextTrace()
{
    g_current = previous_;
}

TextTrace* TextTrace::Current()
{
    return g_current;
}

}  // namespace platform
