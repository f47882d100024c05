#include "platform/text/wipe.h"

#include <string.h>

namespace platform {

void WipeBytes(void* data, size_t size)
{
    if (data && size > 0)
        ::explicit_bzero(data, size);
}

void WipeText(std::string& text)
{
    // The buffer holds capacity() characters and the terminator; bytes past
    // the length may still hold an older, longer content.
    WipeBytes(text.data(), text.capacity() + 1);
    text.clear();
}

}  // namespace platform
